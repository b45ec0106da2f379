#include "Trash.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString why(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int makeFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) == 0)
        return 0;
    if (errno != EEXIST)
        return errno;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

/// mkdir -p with private folders.
int makePath(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (const int rc = makeFolder(path.left(slash)))
            return rc;
    }
    return makeFolder(path);
}

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray absolute(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    if (path.startsWith('/'))
        return path;
    return QFile::encodeName(QDir::currentPath()) + '/' + path;
}

QByteArray trashInfo(const QByteArray& recordedPath)
{
    return "[Trash Info]\nPath=" + recordedPath.toPercentEncoding("/") + "\nDeletionDate=" +
           QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toLatin1() + '\n';
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

Trash::Trash()
{
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/'))
        data = qgetenv("HOME") + "/.local/share";
    m_home = data + "/Trash";
}

int Trash::prepare(const QByteArray& trash)
{
    if (const int rc = makePath(trash + "/files"))
        return rc;
    return makePath(trash + "/info");
}

QByteArray Trash::topTrash(const QByteArray& absolutePath, dev_t device, QByteArray* topDir)
{
    QByteArray top = parentOf(absolutePath);
    for (QByteArray up = parentOf(top); top != "/"; up = parentOf(top)) {
        struct stat st {};
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    *topDir = top;
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    // An administrator's shared .Trash counts only as a real sticky folder, never a link.
    struct stat shared {};
    if (::lstat(QByteArray(base + "/.Trash").constData(), &shared) == 0 &&
        S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) &&
        prepare(base + "/.Trash/" + uid) == 0)
        return base + "/.Trash/" + uid;
    const QByteArray own = base + "/.Trash-" + uid;
    if (makeFolder(own) != 0)
        return {};
    struct stat st {};
    if (::lstat(own.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return prepare(own) == 0 ? own : QByteArray();
}

Trash::Result Trash::moveToTrash(const QByteArray& path) const
{
    const QByteArray full = absolute(path);
    struct stat item {};
    if (::lstat(full.constData(), &item) != 0)
        return {errno, why(errno)};
    if (!m_homeDevice) {
        if (const int rc = prepare(m_home))
            return {rc, QStringLiteral("The trash folder cannot be made: ") + why(rc)};
        struct stat home {};
        if (::stat(m_home.constData(), &home) != 0)
            return {errno, why(errno)};
        m_homeDevice = home.st_dev;
    }
    if (*m_homeDevice == item.st_dev) {
        const Result result = store(full, m_home, full);
        if (result.error == ENOENT) // the trash itself went away meanwhile: make it again
            m_homeDevice.reset();
        if (result.error != EXDEV)
            return result;
    }
    QByteArray top;
    const QByteArray trash = topTrash(full, item.st_dev, &top);
    if (trash.isEmpty())
        return {EXDEV, QStringLiteral("There is no trash on this item's file system, so it "
                                      "was left in place.")};
    const QByteArray relative = top == "/" ? full.mid(1) : full.mid(top.size() + 1);
    return store(full, trash, relative);
}

Trash::Result Trash::store(const QByteArray& path, const QByteArray& trash,
                           const QByteArray& recordedPath)
{
    QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray info = trashInfo(recordedPath);
    for (int n = 1; n < 100000; ++n) {
        const QByteArray entry = n == 1 ? name : name + '.' + QByteArray::number(n);
        const QByteArray infoPath = trash + "/info/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return {errno, why(errno)};
        const bool written = writeAll(fd, info);
        const int closed = ::close(fd);
        if (!written || closed != 0) {
            const int rc = errno ? errno : EIO;
            ::unlink(infoPath.constData());
            return {rc, why(rc)};
        }
        const QByteArray target = trash + "/files/" + entry;
        if (::renameat2(AT_FDCWD, path.constData(), AT_FDCWD, target.constData(),
                        RENAME_NOREPLACE) == 0)
            return {};
        const int rc = errno;
        ::unlink(infoPath.constData());
        if (rc != EEXIST)
            return {rc, why(rc)};
    }
    return {EEXIST, why(EEXIST)};
}
