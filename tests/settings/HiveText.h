#pragma once

// Reads the settings file back as text, the way a user would see it.

#include "platform/RegistryHive.h"
#include "settings/SearchScope.h"

#include <QFile>
#include <QStringList>

#include <ostream>

/// Readable test failures for the values compared here.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const AltFolder& folder, std::ostream* os)
{
    *os << '{' << '"' << folder.path.toStdString() << '"' << (folder.ticked ? ", ticked}" : "}");
}

namespace HiveText {

/// The whole HKEY_CURRENT_USER settings file ("" when there is none).
inline QString file()
{
    QFile f(RegHiveFilePath(HKEY_CURRENT_USER));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

/// Whether the file holds a section for the key "Software\Willow Brookes\Kestrelfind\" + path.
inline bool hasKey(const QString& path)
{
    const QString header =
        QStringLiteral("[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind") +
        (path.isEmpty() ? QString() : u'\\' + path) + u']';
    return file().split(u'\n').contains(header);
}

/// The non-empty value lines of that key's section, in file order.
inline QStringList values(const QString& path)
{
    const QString header =
        QStringLiteral("[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\") + path + u']';
    QStringList lines;
    bool inside = false;
    for (QString line : file().split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(u'[')) {
            inside = line == header;
            continue;
        }
        if (inside && !line.isEmpty())
            lines.append(line);
    }
    return lines;
}

} // namespace HiveText
