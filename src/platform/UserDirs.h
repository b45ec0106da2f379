#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

/// The folder that the text of a user-dirs.dirs file gives for `key` ("XDG_DESKTOP_DIR"), as
/// the desktop's own reader takes it: KEY="$HOME/path" or KEY="/path", blanks allowed around
/// the '=', backslash escapes undone, anything after the closing quote (a comment) ignored,
/// the last line for the key winning. std::nullopt when no line sets the key in one of these
/// forms; "$HOME" must stand alone or before a '/'. Bytes throughout: a folder's name need
/// not be UTF-8.
std::optional<QByteArray> userDirFromText(QByteArrayView text, QByteArrayView key,
                                          const QByteArray& home);
