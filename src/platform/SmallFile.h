#pragma once

#include <QByteArray>

#include <optional>

#include <sys/stat.h>

/// Reads up to `cap` bytes of the regular file `name` in the folder `dirFd` (an open
/// directory, or AT_FDCWD with a path); std::nullopt when it is not a regular file or cannot
/// be opened. A symbolic link is followed to the file it names. Never waits on a FIFO put
/// there, and never opens a device. `opened`, when given, receives the status of the file as
/// opened.
std::optional<QByteArray> readSmallFile(int dirFd, const char* name, qsizetype cap,
                                        struct stat* opened = nullptr);
