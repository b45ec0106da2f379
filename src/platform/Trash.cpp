#include "Trash.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString why(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Makes a private folder, or finds one there. A trash's own folders must be real folders; the
/// folders on the way to it may be links to folders (a ~/.local kept elsewhere and linked).
int makeFolder(const QByteArray& path, bool own)
{
    if (::mkdir(path.constData(), 0700) == 0)
        return 0;
    if (errno != EEXIST)
        return errno;
    struct stat st {};
    if ((own ? ::lstat(path.constData(), &st) : ::stat(path.constData(), &st)) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

/// mkdir -p with private folders; those longer than `ownFrom` bytes are the trash's own.
int makePath(const QByteArray& path, qsizetype ownFrom)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (const int rc = makeFolder(path.left(slash), slash > ownFrom))
            return rc;
    }
    return makeFolder(path, path.size() > ownFrom);
}

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

/// `path` (absolute) with the links in its folders resolved, its own name kept (a link named
/// is trashed itself); empty with errno when a folder cannot be resolved.
QByteArray resolvedParent(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    char buffer[PATH_MAX];
    if (!::realpath(slash <= 0 ? "/" : path.left(slash).constData(), buffer))
        return {};
    const QByteArray folder(buffer);
    return (folder == "/" ? QByteArray() : folder) + path.mid(slash);
}

QByteArray absolute(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    if (path.startsWith('/'))
        return path;
    return QFile::encodeName(QDir::currentPath()) + '/' + path;
}

/// Appends `bytes` as a Path value: every byte but letters, digits, "-._~" and '/' as %XX.
void appendPercentEncoded(std::string& out, const QByteArray& bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == '-' || u == '.' || u == '_' || u == '~' || u == '/') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
}

/// Writes all of `data`; 0 or errno.
int writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += size_t(n);
    }
    return 0;
}

/// Makes sure files/ and info/ exist below `trash`; 0 or errno. A shared file system's trash
/// folders must be real folders, not links another user may have put there; the home trash is
/// the user's own, and may be kept elsewhere through a link.
int prepare(const QByteArray& trash, bool shared)
{
    const qsizetype ownFrom =
        shared ? parentOf(trash).size() : std::numeric_limits<qsizetype>::max(); // none own
    if (const int rc = makePath(trash + "/files", ownFrom))
        return rc;
    return makePath(trash + "/info", ownFrom);
}

int openFolder(const QByteArray& path)
{
    return ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

int Trash::Folder::openAt(const QByteArray& trash, bool shared)
{
    close();
    path = trash;
    if (const int rc = prepare(trash, shared))
        return rc;
    files = openFolder(trash + "/files");
    info = files < 0 ? -1 : openFolder(trash + "/info");
    struct stat st {};
    if (info < 0 || ::fstat(files, &st) != 0) {
        const int rc = errno;
        close();
        return rc;
    }
    device = st.st_dev;
    return 0;
}

void Trash::Folder::close()
{
    if (files >= 0)
        ::close(files);
    if (info >= 0)
        ::close(info);
    files = info = -1;
}

Trash::Trash()
{
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/'))
        data = qgetenv("HOME") + "/.local/share";
    m_home.path = data + "/Trash";
}

Trash::~Trash()
{
    m_home.close();
    m_top.close();
}

QByteArray Trash::deletionDate(time_t second)
{
    struct tm local {};
    char text[32] = {};
    if (!::localtime_r(&second, &local) ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local) == 0)
        return "1970-01-01T00:00:00";
    return text;
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
        prepare(base + "/.Trash/" + uid, true) == 0)
        return base + "/.Trash/" + uid;
    const QByteArray own = base + "/.Trash-" + uid;
    if (makeFolder(own, true) != 0)
        return {};
    struct stat st {};
    if (::lstat(own.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return prepare(own, true) == 0 ? own : QByteArray();
}

Trash::Result Trash::moveToTrash(const QByteArray& path)
{
    const QByteArray full = absolute(path);
    struct stat item {};
    if (::lstat(full.constData(), &item) != 0)
        return {errno, why(errno)};
    if (!m_home.open()) {
        if (const int rc = m_home.openAt(m_home.path, false))
            return {rc, QStringLiteral("The trash folder cannot be made: ") + why(rc)};
    }
    if (m_home.device == item.st_dev) {
        const Result result = store(full, m_home, full);
        if (result.error == ENOENT) // the trash itself may have gone meanwhile: made again
            m_home.close();
        if (result.error != EXDEV)
            return result;
    }
    // The item's own folders, links resolved: a link on the way may lead to another file
    // system, whose top folder the trash belongs in.
    const QByteArray real = resolvedParent(full);
    if (real.isEmpty())
        return {errno, why(errno)};
    QByteArray top;
    const QByteArray trash = topTrash(real, item.st_dev, &top);
    if (!trash.isEmpty() && (!m_top.open() || m_top.path != trash))
        m_top.openAt(trash, true);
    if (trash.isEmpty() || !m_top.open())
        return {EXDEV, QStringLiteral("There is no trash on this item's file system, so it "
                                      "was left in place.")};
    const QByteArray relative = top == "/" ? real.mid(1) : real.mid(top.size() + 1);
    const Result result = store(full, m_top, relative);
    if (result.error == ENOENT)
        m_top.close();
    return result;
}

const std::string& Trash::record(const QByteArray& recordedPath)
{
    const time_t now = ::time(nullptr);
    if (now != m_second) {
        m_second = now;
        m_date = deletionDate(now);
    }
    m_record.assign("[Trash Info]\nPath=");
    appendPercentEncoded(m_record, recordedPath);
    m_record.append("\nDeletionDate=").append(m_date.constData(), size_t(m_date.size()));
    m_record += '\n';
    return m_record;
}

Trash::Result Trash::store(const QByteArray& path, const Folder& trash,
                           const QByteArray& recordedPath)
{
    const std::string& info = record(recordedPath);
    const qsizetype nameAt = path.lastIndexOf('/') + 1;
    // The entry's name leaves room for a number and ".trashinfo" within the 255 bytes a name
    // may have, cut between characters; the record's Path keeps the whole name.
    constexpr size_t MaxEntry = NAME_MAX - (sizeof ".trashinfo" - 1) - (sizeof ".99999" - 1);
    size_t length = size_t(path.size() - nameAt);
    if (length > MaxEntry) {
        length = MaxEntry;
        while (length > 1 &&
               (static_cast<unsigned char>(path[nameAt + qsizetype(length)]) & 0xC0) == 0x80)
            --length;
    }
    for (int n = 1; n < 100000; ++n) {
        m_entry.assign(path.constData() + nameAt, length);
        if (n > 1)
            m_entry.append(".").append(std::to_string(n));
        m_infoName.assign(m_entry).append(".trashinfo");
        const int fd =
            ::openat(trash.info, m_infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return {errno, why(errno)};
        int rc = writeAll(fd, info);
        if (::close(fd) != 0 && rc == 0)
            rc = errno;
        if (rc != 0) {
            ::unlinkat(trash.info, m_infoName.c_str(), 0);
            return {rc, why(rc)};
        }
        if (::renameat2(AT_FDCWD, path.constData(), trash.files, m_entry.c_str(),
                        RENAME_NOREPLACE) == 0)
            return {};
        rc = errno;
        // A file system without RENAME_NOREPLACE (NFS, many FUSE ones): the entry is looked
        // for first. Its record, made exclusively, already keeps other trashings off the name.
        if (rc == EINVAL) {
            struct stat taken {};
            if (::fstatat(trash.files, m_entry.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
                rc = EEXIST;
            else if (::renameat(AT_FDCWD, path.constData(), trash.files, m_entry.c_str()) == 0)
                return {};
            else
                rc = errno;
        }
        ::unlinkat(trash.info, m_infoName.c_str(), 0);
        if (rc != EEXIST)
            return {rc, why(rc)};
    }
    return {EEXIST, why(EEXIST)};
}
