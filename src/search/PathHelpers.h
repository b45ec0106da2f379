#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// The parts of a path that `GetFilename` can return.
enum class PathPart { Drive = 0, Folder = 1, Name = 2, Extension = 3 };

/// One part of a path: the drive (always "" on this system), the folder part up to and
/// including the last '/', the name without its last extension, or that extension with its
/// dot. A trailing dot is cut off; a leading dot starts the extension (".profile" has an
/// empty name).
QString GetFilename(const QString& TempPath, PathPart ReturnType);

/// The part of a text before its first NUL, or the whole text when it has none.
QString trimnull(const QString& startstr);

/// The path with '/' appended unless it already ends in '/'.
QString AddTrailingBackslash(const QString& path);
QByteArray AddTrailingBackslash(const QByteArray& path);

/// Where `path` really is (links and "." / ".." resolved, as realpath(3) does), or nothing
/// when that cannot be told (a missing item, a loop).
std::optional<QByteArray> resolvedPath(const QByteArray& path);

/// Decodes file-name bytes for display; bytes that are not valid text show as U+FFFD.
QString displayText(QByteArrayView bytes);
