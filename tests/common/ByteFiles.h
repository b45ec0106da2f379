#pragma once

// Files by their byte names for tests: QFile cannot carry names that are not valid UTF-8.

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bytefiles {

inline bool write(const QByteArray& path, const QByteArray& data, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    return ::close(fd) == 0 && ok;
}

inline std::optional<QByteArray> read(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray data;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

inline bool exists(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

inline bool mkdir(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0755) == 0;
}

/// The names in a folder, sorted; empty when it cannot be read.
inline QList<QByteArray> list(const QByteArray& path)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

/// A temporary folder removed with everything in it, whatever bytes the names hold
/// (QTemporaryDir cannot remove names that are not valid UTF-8).
class TempFolder final {
public:
    TempFolder()
    {
        QByteArray pattern = qgetenv("TMPDIR");
        if (pattern.isEmpty())
            pattern = "/tmp";
        pattern += "/kf-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder()
    {
        if (!m_path.isEmpty())
            ::nftw(m_path.constData(), &removeOne, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    QByteArray path() const { return m_path; }

private:
    static int removeOne(const char* path, const struct stat*, int, struct FTW*)
    {
        ::remove(path);
        return 0;
    }
    QByteArray m_path;
};

/// A small tmpfs mounted in a temporary folder while the object lives (needs root).
class TmpfsMount final {
public:
    explicit TmpfsMount(const char* options = "size=1m")
    {
        m_path = m_dir.path() + "/mnt";
        bytefiles::mkdir(m_path);
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, options) == 0;
    }
    ~TmpfsMount()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return m_mounted; }
    QByteArray path() const { return m_path; }
    /// Makes the file system read-only; false when not permitted.
    bool makeReadOnly()
    {
        return ::mount("tmpfs", m_path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    TempFolder m_dir;
    QByteArray m_path;
    bool m_mounted = false;
};

/// A folder nobody may write into while locked: no write permission, and for root (whom
/// permissions do not stop) the immutable flag. Unlocked again when it goes.
struct LockedFolder {
    QByteArray path;
    ~LockedFolder() { lock(false); }

    /// Locks or unlocks it; whether creating a file inside now fails.
    bool lock(bool on)
    {
        ::chmod(path.constData(), on ? 0555 : 0755);
        if (const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
            int flags = 0;
            if (::geteuid() == 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd);
        }
        const QByteArray probe = path + "/.probe";
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }
};

} // namespace bytefiles
