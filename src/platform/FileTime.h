#pragma once

#include <QtGlobal>

#include <algorithm>
#include <ctime>
#include <limits>

/// Milliseconds since the epoch of a file time. A file system may store any 64-bit time: one
/// beyond what milliseconds can count is taken as the last they can.
inline qint64 msecsOf(const struct timespec& t)
{
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 1000 - 1;
    return std::clamp<qint64>(t.tv_sec, -limit, limit) * 1000 + t.tv_nsec / 1000000;
}
