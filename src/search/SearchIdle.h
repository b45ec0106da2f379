#pragma once

#include <atomic>

/// True while no search run walks, or once Stop was pressed; false while a run walks. The
/// window sets it; every walk ends at its next entry once it is true.
extern std::atomic<bool> SearchIdle;
