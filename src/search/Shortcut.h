#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct stat;

/// Internet shortcuts: ".url" files (INI format, [InternetShortcut] URL=…) and ".desktop"
/// files of Type=Link ([Desktop Entry] URL=…). Only regular files are ever read, never
/// more than `MaxShortcutBytes` of them, and a FIFO or device with such a name is not opened
/// for reading at all (it is opened non-blocking and checked first).
namespace Shortcut {

/// At most this much of a shortcut file is read.
constexpr qsizetype MaxShortcutBytes = 64 * 1024;
/// Values longer than this many characters are cut for the list and the search, as the
/// profile reader does; a launch opens the whole address.
constexpr qsizetype MaxValueChars = 2047;

/// The value of `key` in `section` of INI text: section and key names without regard to
/// case, blanks around the value dropped, one pair of enclosing quotes dropped, ended at a
/// NUL and cut at `maxChars`; `defaultValue` when the file, section or key is missing.
QString iniValue(QByteArrayView ini, const QString& section, const QString& key,
                 const QString& defaultValue, qsizetype maxChars = MaxValueChars);

/// `ProfileGetItem`: one value of an INI-format file (see iniValue), `defaultValue` when the
/// file cannot be read.
QString ProfileGetItem(const QString& lpSectionName, const QString& lpKeyName,
                       const QString& defaultValue, const QString& inifile);

/// The address of a desktop entry of Type=Link (its [Desktop Entry] URL, unescaped, ended at
/// a NUL and cut at `maxChars`; "" when it has none), or std::nullopt when the entry is not a
/// link.
std::optional<QString> desktopLinkUrl(QByteArrayView desktopFile,
                                      qsizetype maxChars = MaxValueChars);

} // namespace Shortcut
