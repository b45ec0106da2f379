#include "ShellFolders.h"

#include "SmallFile.h"
#include "UserDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>

namespace {

QString home()
{
    return QDir::homePath();
}

/// An XDG base-directory variable; relative or empty values are invalid and give the default.
QString xdgDir(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

/// An XDG search-path variable split into its absolute entries, else the default entries.
QStringList xdgDirList(const char* variable, const QStringList& fallback)
{
    QStringList result;
    const QStringList parts = qEnvironmentVariable(variable).split(u':', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (QDir::isAbsolutePath(part))
            result.append(QDir::cleanPath(part));
    }
    return result.isEmpty() ? fallback : result;
}

QString dataHome()
{
    return xdgDir("XDG_DATA_HOME", home() + u"/.local/share");
}

QString configHome()
{
    return xdgDir("XDG_CONFIG_HOME", home() + u"/.config");
}

QString cacheHome()
{
    return xdgDir("XDG_CACHE_HOME", home() + u"/.cache");
}

bool isDirectory(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString firstDirectory(const QStringList& candidates)
{
    for (const QString& candidate : candidates) {
        if (isDirectory(candidate))
            return candidate;
    }
    return {};
}

/// A user directory (desktop, documents) as user-dirs.dirs in the configuration folder sets
/// it under `key`, else home's `fallbackName`; none when it is missing, or is the home folder
/// itself (which the desktop falls back to when the user has none) or a folder above it:
/// searching it would mean searching the whole home, or the whole disk.
QString userDirectory(QByteArrayView key, const QString& fallbackName)
{
    QString path = home() + u'/' + fallbackName;
    const QByteArray text =
        readSmallFile(AT_FDCWD, QFile::encodeName(configHome() + u"/user-dirs.dirs").constData(),
                      64 * 1024)
            .value_or(QByteArray());
    if (const std::optional<QByteArray> set = userDirFromText(text, key, QFile::encodeName(home())))
        path = QFile::decodeName(*set);
    path = QDir::cleanPath(path);
    if (!isDirectory(path))
        return {};
    const QFileInfo info(path);
    const QFileInfo homeInfo(home());
    const QString canonical = info.canonicalFilePath();
    const QString homeCanonical = homeInfo.canonicalFilePath();
    if (canonical == homeCanonical ||
        homeCanonical.startsWith(canonical.endsWith(u'/') ? canonical : canonical + u'/'))
        return {};
    return path;
}

} // namespace

QString GetSpecialFolder(int csidl)
{
    switch (csidl) {
    case Csidl::DesktopDirectory:
        return userDirectory("XDG_DESKTOP_DIR", QStringLiteral("Desktop"));
    case Csidl::Personal:
        return userDirectory("XDG_DOCUMENTS_DIR", QStringLiteral("Documents"));
    case Csidl::StartMenu:
        return firstDirectory({dataHome() + u"/applications"});
    case Csidl::CommonStartMenu: {
        QStringList candidates;
        const QStringList dirs = xdgDirList(
            "XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
        for (const QString& dir : dirs)
            candidates.append(dir + u"/applications");
        return firstDirectory(candidates);
    }
    case Csidl::Recent:
        return firstDirectory({dataHome() + u"/RecentDocuments"});
    case Csidl::Favorites:
        return firstDirectory({home() + u"/Favorites"});
    case Csidl::SendTo:
        return firstDirectory(
            {dataHome() + u"/nautilus/scripts", dataHome() + u"/kio/servicemenus"});
    case Csidl::AppData:
        return firstDirectory({configHome()});
    case Csidl::CommonAppData: {
        // Only the first entry counts: it is the system-wide configuration folder.
        const QStringList dirs = xdgDirList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
        return firstDirectory({dirs.first()});
    }
    case Csidl::LocalAppData:
        return firstDirectory({dataHome()});
    case Csidl::InternetCache:
        return firstDirectory({cacheHome()});
    default:
        // Common desktop, common documents and common favorites have no Linux counterpart.
        return {};
    }
}
