#include "FileProperties.h"

#include "FileTime.h"
#include "FileUri.h"
#include "OpenWithApps.h"

#include <cerrno>
#include <climits>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {
QString display(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes); // invalid sequences show as U+FFFD
}

QDateTime timeOf(const timespec& ts)
{
    return QDateTime::fromMSecsSinceEpoch(msecsOf(ts));
}

QString userName(uid_t uid)
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

QString groupName(gid_t gid)
{
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->gr_name);
    return QString::number(gid);
}
} // namespace

QString permissionText(unsigned mode)
{
    QString text(9, u'-');
    const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        if (mode & (0400u >> i))
            text[i] = QLatin1Char(letters[i]);
    }
    const auto special = [&](int at, unsigned bit, char set, char unsetExec) {
        if (mode & bit)
            text[at] = QLatin1Char(text[at] == u'x' ? set : unsetExec);
    };
    special(2, S_ISUID, 's', 'S');
    special(5, S_ISGID, 's', 'S');
    special(8, S_ISVTX, 't', 'T');
    return text + u" (" + QString::number(mode & 07777, 8) + u')';
}

std::optional<FileProperties> readFileProperties(const QByteArray& path, int* error)
{
    struct stat st {};
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0) {
        if (error)
            *error = path.isEmpty() ? ENOENT : errno;
        return std::nullopt;
    }
    FileProperties p;
    p.path = path;
    const qsizetype slash = path.lastIndexOf('/');
    p.name = display(slash < 0 ? path : path.mid(slash + 1));
    p.location = display(parentFolder(path));
    p.isLink = S_ISLNK(st.st_mode);
    p.isFolder = S_ISDIR(st.st_mode);
    p.hasSize = S_ISREG(st.st_mode);
    p.size = p.hasSize ? qint64(st.st_size) : 0;
    if (p.isLink) {
        // The size is what the link leads to, as a file manager shows it.
        struct stat target {};
        p.linkError = ::stat(path.constData(), &target) != 0 ? errno : 0;
        p.hasSize = p.linkError == 0 && S_ISREG(target.st_mode);
        if (p.hasSize)
            p.size = qint64(target.st_size);
        QByteArray held(qsizetype(st.st_size > 0 ? st.st_size : PATH_MAX), Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), held.data(), size_t(held.size()));
        p.linkTarget = length < 0 ? QString() : display(held.first(length));
    }
    p.typeName =
        p.isFolder ? QStringLiteral("File Folder") : contentTypeDescription(contentTypeOf(path));
    p.modified = timeOf(st.st_mtim);
    p.accessed = timeOf(st.st_atim);
    p.changed = timeOf(st.st_ctim);
    p.permissions = permissionText(st.st_mode);
    p.owner = userName(st.st_uid);
    p.group = groupName(st.st_gid);
    return p;
}
