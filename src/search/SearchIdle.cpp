#include "SearchIdle.h"

std::atomic<bool> SearchIdle{true};
