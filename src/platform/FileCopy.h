#pragma once

#include <QtGlobal>

#include <functional>

#include <sys/stat.h>

namespace FileCopy {

/// Called after each block with the bytes copied so far; returning false stops the copy.
using Tick = std::function<bool(qint64 bytesSoFar)>;

/// Copies everything readable from `in` to `out` (both open, positioned at 0), in the
/// kernel where it can (copy_file_range, then sendfile), else through a large buffer.
/// Returns 0, the errno of the failure, or ECANCELED when `tick` asked to stop.
int copyData(int in, int out, const Tick& tick);

/// Gives the open file `out` the permission bits and access/modification times of `st`.
/// Returns 0 or errno.
int copyAttributes(int out, const struct stat& st);

} // namespace FileCopy
