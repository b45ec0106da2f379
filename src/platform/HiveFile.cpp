#include "HiveFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// What mkostemp() makes of the hive's name for the file written beside it: a name no one
/// gives a copy of their own ("HKEY_CURRENT_USER.reg.backup" is one), since a leftover is
/// removed unasked.
constexpr char kTemporaryMark[] = ".saving-";
constexpr char kTemporarySuffix[] = ".saving-XXXXXX";

/// Closes a descriptor when it goes out of scope.
class Fd final {
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(Fd)
    int get() const { return m_fd; }
    /// Closes now; false when close reported an error (a late write failure).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString quoted(const QString& path)
{
    return u'"' + path + u'"';
}

/// The state a non-regular entry's lstat type stands for.
HiveFileState stateOfType(mode_t mode)
{
    if (S_ISLNK(mode))
        return HiveFileState::Link;
    if (S_ISDIR(mode))
        return HiveFileState::Folder;
    if (S_ISREG(mode))
        return HiveFileState::Unreadable;
    return HiveFileState::Special;
}

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

/// Reads what is left of `fd` into `out`; false when more than `cap` bytes in all or on an
/// error (errno tells which: EFBIG for the cap).
bool readAll(int fd, QByteArray& out, qint64 cap)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.size() + n > cap) {
            errno = EFBIG;
            return false;
        }
        out.append(buffer, n);
    }
}

QByteArray asideName(const QString& path, int n)
{
    return QFile::encodeName(
        path + (n == 0 ? QStringLiteral(".bad") : QStringLiteral(".bad.") + QString::number(n)));
}

constexpr int kAsideNames = 1000;

/// Copies the regular file at `path` to the first free ".bad" name; false when `path` is not
/// a readable regular file or the copy failed.
bool copyAside(const QString& path, QString* error)
{
    Fd source(::open(QFile::encodeName(path).constData(),
                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st;
    if (source.get() < 0 || ::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    for (int n = 0; n < kAsideNames; ++n) {
        const QByteArray name = asideName(path, n);
        Fd target(
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (target.get() < 0 && errno == EEXIST)
            continue;
        bool ok = target.get() >= 0;
        char buffer[64 * 1024];
        while (ok) {
            const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ok = got == 0 && ::fdatasync(target.get()) == 0;
                break;
            }
            ok = writeAll(target.get(), buffer, got);
        }
        const int saved = errno;
        if (target.get() >= 0 && (!target.close() || !ok)) {
            ::unlink(name.constData());
            ok = false;
        }
        if (!ok)
            *error = QStringLiteral("Could not keep a copy of the damaged settings file %1: %2.")
                         .arg(quoted(path), errorText(saved));
        return ok;
    }
    *error = QStringLiteral("Too many damaged copies of %1 are kept already.").arg(quoted(path));
    return false;
}

/// Renames the entry at `path` itself (whatever it is) to the first free ".bad" name.
bool renameAside(const QString& path, QString* error)
{
    const QByteArray from = QFile::encodeName(path);
    for (int n = 0; n < kAsideNames; ++n) {
        const QByteArray to = asideName(path, n);
        int rc =
            ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && errno == EINVAL) { // a file system without RENAME_NOREPLACE
            struct stat st;
            if (::lstat(to.constData(), &st) == 0)
                continue;
            rc = ::rename(from.constData(), to.constData());
        }
        if (rc == 0)
            return true;
        if (errno != EEXIST) {
            *error =
                QStringLiteral("Could not move %1 aside: %2.").arg(quoted(path), errorText(errno));
            return false;
        }
    }
    *error = QStringLiteral("Too many damaged copies of %1 are kept already.").arg(quoted(path));
    return false;
}

} // namespace

HiveFileRead readHiveFile(const QString& path, qint64 cap)
{
    HiveFileRead result;
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    Fd fd(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st;
    if (fd.get() < 0) {
        result.error = errno;
        if (::lstat(name.constData(), &st) != 0)
            result.state = errno == ENOENT || errno == ENOTDIR ? HiveFileState::Missing
                                                               : HiveFileState::Unreadable;
        else
            result.state = stateOfType(st.st_mode);
        return result;
    }
    if (::fstat(fd.get(), &st) != 0) {
        result.error = errno;
        result.state = HiveFileState::Unreadable;
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.state = S_ISDIR(st.st_mode) ? HiveFileState::Folder : HiveFileState::Special;
        return result;
    }
    if (st.st_size > cap) {
        result.state = HiveFileState::TooLarge;
        return result;
    }
    result.text.reserve(qsizetype(st.st_size));
    if (!readAll(fd.get(), result.text, cap)) { // the size on disk is a hint, not a bound
        result.state = errno == EFBIG ? HiveFileState::TooLarge : HiveFileState::Unreadable;
        result.error = errno;
        result.text.clear();
        return result;
    }
    result.state = HiveFileState::Read;
    return result;
}

bool keepHiveAside(const QString& path, HiveFileState state, QString* error)
{
    switch (state) {
    case HiveFileState::Missing:
        return true;
    case HiveFileState::Folder:
        *error = QStringLiteral("A folder stands where the settings file %1 should be.")
                     .arg(quoted(path));
        return false;
    case HiveFileState::Read:
    case HiveFileState::TooLarge:
        // A copy leaves the file in place until the new one replaces it.
        error->clear();
        if (copyAside(path, error))
            return true;
        if (!error->isEmpty())
            return false;
        break; // no longer a readable regular file: move whatever is there
    case HiveFileState::Link:
    case HiveFileState::Special:
    case HiveFileState::Unreadable:
        break;
    }
    return renameAside(path, error);
}

bool replaceHiveFile(const QString& path, const QByteArray& text, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    // The file's mode is the user's: one made read-only is not written over, and the new
    // file keeps the old one's permissions.
    struct stat old;
    const bool replacing = ::lstat(name.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && !(old.st_mode & S_IWUSR)) {
        *error = QStringLiteral("The settings file %1 is read-only: make it writable to save "
                                "settings.")
                     .arg(quoted(path));
        return false;
    }
    QByteArray temporary = name + kTemporarySuffix;
    Fd fd(::mkostemp(temporary.data(), O_CLOEXEC)); // O_EXCL, 0600: never someone else's file
    if (fd.get() < 0) {
        *error = QStringLiteral("Could not write the settings file %1: %2.")
                     .arg(quoted(path), errorText(errno));
        return false;
    }
    bool ok = !replacing || ::fchmod(fd.get(), old.st_mode & 0777) == 0;
    ok = ok && writeAll(fd.get(), text.constData(), text.size()) && ::fdatasync(fd.get()) == 0;
    ok = fd.close() && ok;
    // rename() replaces the entry at `path` itself: a link there is replaced, its target
    // is never touched.
    ok = ok && ::rename(temporary.constData(), name.constData()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(temporary.constData());
        *error = QStringLiteral("Could not write the settings file %1: %2.")
                     .arg(quoted(path), errorText(saved));
        return false;
    }
    Fd folder(::open(QFile::encodeName(QFileInfo(path).path()).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get()); // the rename itself survives a power cut
    return true;
}

void removeStaleTemporaries(const QString& path)
{
    const QFileInfo info(path);
    const QByteArray prefix = QFile::encodeName(info.fileName()) + kTemporaryMark;
    const qsizetype length =
        prefix.size() + qsizetype(std::strlen(kTemporarySuffix) - std::strlen(kTemporaryMark));
    DIR* folder = ::opendir(QFile::encodeName(info.path()).constData());
    if (!folder)
        return;
    const int folderFd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArrayView entryName(entry->d_name);
        if (entryName.size() != length || !entryName.startsWith(prefix))
            continue;
        const QByteArrayView tail = entryName.sliced(prefix.size());
        if (!std::all_of(tail.begin(), tail.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            }))
            continue;
        struct stat st;
        if (::fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(folder);
}

QString hiveFolderBlockedMessage(const QString& path)
{
    const QByteArray name = QFile::encodeName(QFileInfo(path).path());
    for (qsizetype end = 1; end <= name.size(); ++end) {
        if (end < name.size() && name[end] != '/')
            continue;
        const QByteArray part = name.first(end);
        struct stat st {};
        if (::stat(part.constData(), &st) != 0)
            return {}; // the rest is made when settings are saved
        if (!S_ISDIR(st.st_mode))
            return QStringLiteral("%1 is a file, not a folder, so no settings can be kept there: "
                                  "default settings are used until it is moved away.")
                .arg(quoted(QFile::decodeName(part)));
    }
    return {};
}

bool makePrivateFolder(const QString& folder, QString* error)
{
    const QByteArray path = QFile::encodeName(folder);
    for (qsizetype end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '/')
            continue;
        const QByteArray part = path.first(end);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) {
            *error = QStringLiteral("Could not make the settings folder %1: %2.")
                         .arg(quoted(QFile::decodeName(part)), errorText(errno));
            return false;
        }
        // Something else in a folder's place would only show later as "Not a directory".
        struct stat st {};
        if (::stat(part.constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            *error = QStringLiteral("%1 is a file, not a folder: move it away to save settings.")
                         .arg(quoted(QFile::decodeName(part)));
            return false;
        }
    }
    return true;
}

int openLockFile(const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = errno == ELOOP
                     ? QStringLiteral("The settings lock file %1 is a symbolic link, which is "
                                      "not followed; remove it to save settings.")
                           .arg(quoted(path))
                     : QStringLiteral("Could not open the settings lock file %1: %2.")
                           .arg(quoted(path), errorText(errno));
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = QStringLiteral("The settings lock file %1 is not a regular file; remove it to "
                                "save settings.")
                     .arg(quoted(path));
        return -1;
    }
    return fd;
}

QString hiveDamageMessage(const QString& path, HiveFileState state, bool damagedText, int error)
{
    QString what;
    switch (state) {
    case HiveFileState::Missing:
        return {};
    case HiveFileState::Read:
        if (!damagedText)
            return {};
        what = QStringLiteral("is damaged: all or part of it could not be read");
        break;
    case HiveFileState::Link:
        what = QStringLiteral("is a symbolic link, which Kestrelfind does not follow");
        break;
    case HiveFileState::Folder:
        what = QStringLiteral("is a folder");
        break;
    case HiveFileState::Special:
        what = QStringLiteral("is not a regular file");
        break;
    case HiveFileState::TooLarge:
        what = QStringLiteral("is larger than %1 MB").arg(kMaxHiveFileSize / (1024 * 1024));
        break;
    case HiveFileState::Unreadable:
        what = QStringLiteral("cannot be read (%1)").arg(errorText(error));
        break;
    }
    QString text = QStringLiteral("The settings file %1 %2. ").arg(quoted(path), what);
    text += state == HiveFileState::Read
                ? QStringLiteral("The settings that could be read are used, the others have "
                                 "their defaults. ")
                : QStringLiteral("Default settings are used. ");
    text += state == HiveFileState::Folder
                ? QStringLiteral("Settings cannot be saved until it is moved away.")
                : QStringLiteral("Before settings are next saved it is kept beside the new "
                                 "file, under a name that begins with %1.")
                      .arg(quoted(QFileInfo(path).fileName() + u".bad"));
    return text;
}
