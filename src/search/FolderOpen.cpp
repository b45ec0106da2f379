#include "FolderOpen.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace FolderOpen {

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

/// Whether openat2 is available: set to false once the kernel (or a sandbox) refuses it.
std::atomic<bool> haveOpenat2{true};

} // namespace

int beneathByName(int anchorFd, const char* relative)
{
    const size_t length = strlen(relative);
    if (length == 0 || length >= PATH_MAX) {
        errno = length == 0 ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    char part[PATH_MAX];
    int fd = anchorFd;
    size_t start = 0;
    while (start <= length) {
        const char* slash = static_cast<const char*>(memchr(relative + start, '/', length - start));
        const size_t end = slash ? size_t(slash - relative) : length;
        const size_t partLength = end - start;
        memcpy(part, relative + start, partLength);
        part[partLength] = 0;
        const bool dots = strcmp(part, "..") == 0 || strcmp(part, ".") == 0 || partLength == 0;
        const int next = dots ? -1 : openat(fd, part, FolderFlags | O_NOFOLLOW);
        const int error = dots ? EXDEV : errno;
        if (fd != anchorFd)
            close(fd);
        if (next < 0) {
            errno = error;
            return -1;
        }
        fd = next;
        start = end + 1;
    }
    return fd;
}

int named(const char* path)
{
    return open(path, FolderFlags);
}

int beneath(int anchorFd, const char* relative)
{
    if (haveOpenat2.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = FolderFlags | O_NOFOLLOW;
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
        const long fd = syscall(SYS_openat2, anchorFd, relative, &how, sizeof how);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
            return int(fd);
        if (errno == ENOSYS)
            haveOpenat2.store(false, std::memory_order_relaxed);
    }
    return beneathByName(anchorFd, relative);
}

bool isListed(int fd, const Listed& listed, quint64& dev)
{
    struct stat st;
    const bool same = isListed(fd, listed, st);
    dev = quint64(st.st_dev);
    return same;
}

bool isListed(int fd, const Listed& listed, struct stat& st)
{
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
        st.st_dev = 0;
        return false;
    }
    const auto dev = quint64(st.st_dev);
    if (dev != listed.parentDev)
        return true; // a mount point: the listing named the folder beneath it
    if (quint64(st.st_ino) == listed.ino)
        return true;
    // A bind mount of a folder of the same file system: the listing named the folder beneath
    // it, on the same device. Only a mount can put it there, never a swap by another user.
    struct statx stx;
    if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, 0, &stx) == 0 &&
        (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
        (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0)
        return true;
    // Some file systems list other inode numbers than they report for the open folder: an
    // overlay, FUSE ones without their own numbers (sshfs lists a placeholder), FAT and exFAT
    // (which make numbers up for folders not in memory) and SMB shares without server numbers.
    // A link there is still never followed; only a swap by rename goes unnoticed.
    constexpr auto CifsMagic = 0xFF534D42u;
    constexpr auto Smb2Magic = 0xFE534D42u;
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned>(fs.f_type)) {
    case OVERLAYFS_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
    case MSDOS_SUPER_MAGIC:
    case EXFAT_SUPER_MAGIC:
    case CifsMagic:
    case Smb2Magic:
        return true;
    default:
        return false;
    }
}

quint64 deviceOf(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? quint64(st.st_dev) : 0;
}

} // namespace FolderOpen
