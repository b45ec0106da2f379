#include "ShellFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

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

/// A user directory (desktop, documents) unless it is missing, or is the home folder itself
/// (which the desktop falls back to when the user has none) or a folder above it: searching
/// it would mean searching the whole home, or the whole disk.
QString userDirectory(QStandardPaths::StandardLocation location)
{
    // user-dirs.dirs may hold a relative path by mistake: it would name a folder below
    // wherever the program was started, so it names none.
    const QString written = QStandardPaths::writableLocation(location);
    if (!QDir::isAbsolutePath(written))
        return {};
    const QString path = QDir::cleanPath(written);
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
        return userDirectory(QStandardPaths::DesktopLocation);
    case Csidl::Personal:
        return userDirectory(QStandardPaths::DocumentsLocation);
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
