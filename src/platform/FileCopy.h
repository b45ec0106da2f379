#pragma once

#include <QtGlobal>

#include <functional>

#include <sys/stat.h>

namespace FileCopy {

/// Called after each block with the bytes copied so far; returning false stops the copy.
using Tick = std::function<bool(qint64 bytesSoFar)>;

/// Copies `in` to `out` (both open, positioned at 0) in the kernel where it can
/// (copy_file_range, then sendfile), else through a large buffer: up to end of file, or up to
/// `size` bytes when `size` > 0 (the size the source had when it was opened).
/// Returns 0, the errno of the failure, or ECANCELED when `tick` asked to stop.
int copyData(int in, int out, qint64 size, const Tick& tick);

/// The permission bits to create a copy of `st` with.
mode_t createMode(const struct stat& st);

/// Gives the open file `out`, created with createMode(st), the permission bits and the
/// access/modification times of `st`. Returns 0 or errno.
int copyAttributes(int out, const struct stat& st);

} // namespace FileCopy
