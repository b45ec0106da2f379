#include "LaunchTarget.h"

#include "platform/FileUri.h"
#include "platform/SmallFile.h"
#include "search/AsciiText.h"
#include "search/PathHelpers.h"
#include "search/Shortcut.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

/// Whether the launcher at `path` (a regular file, or a link to one: `st` is the file's) may
/// start its application.
bool trustedLauncher(const QByteArray& path, const struct stat& st)
{
    if (st.st_uid == ::getuid() && (st.st_mode & S_IXUSR))
        return true;
    // Where the file really is: a link on the desktop to an installed launcher is trusted as
    // that launcher is.
    const std::optional<QByteArray> real = resolvedPath(path);
    if (!real)
        return false;
    const QByteArray folder = folderOf(*real);
    const QStringList places =
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& place : places) {
        const std::optional<QByteArray> placeReal = resolvedPath(QFile::encodeName(place));
        if (placeReal && (folder == *placeReal || folder.startsWith(QByteArray(*placeReal + '/'))))
            return true;
    }
    return false;
}

} // namespace

LaunchTarget LaunchTarget::resolve(const QByteArray& target)
{
    const QByteArray path = pathFromFileUri(target).value_or(target);
    const bool urlFile = AsciiText::endsWithNoCase(path, ".url");
    const bool desktopFile = AsciiText::endsWithNoCase(path, ".desktop");
    if (path.isEmpty() || isAddress(path) || (!urlFile && !desktopFile))
        return {Kind::Item, target};
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {Kind::Item, target};
    const std::optional<QByteArray> data =
        readSmallFile(AT_FDCWD, path.constData(), Shortcut::MaxShortcutBytes);
    if (!data)
        return {Kind::Item, target};
    // The whole address: only the list and the search take it cut short.
    constexpr qsizetype Whole = Shortcut::MaxShortcutBytes;
    QString address;
    if (urlFile) {
        address = Shortcut::iniValue(*data, QStringLiteral("InternetShortcut"),
                                     QStringLiteral("URL"), QString(), Whole);
    } else if (const std::optional<QString> link = Shortcut::desktopLinkUrl(*data, Whole)) {
        address = *link;
    } else if (trustedLauncher(path, st)) {
        return {Kind::Launcher, path};
    }
    if (address.trimmed().isEmpty())
        return {Kind::Item, target};
    QByteArray bytes = address.toUtf8();
    // A bare name is taken from the shortcut's own folder, as a relative link is, never from
    // wherever the program was started.
    if (!isAddress(bytes) && !bytes.startsWith('/'))
        bytes = folderOf(path) + '/' + bytes;
    return {Kind::Address, bytes};
}
