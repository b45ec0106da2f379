#pragma once

#include <QtGlobal>

struct stat;

/// Opening folders during a walk so that a symbolic link is never followed below the folder
/// the user named, even when a link replaces a folder between its listing and its opening.
namespace FolderOpen {

/// What a folder was when its parent was listed: its inode and the parent's device.
struct Listed {
    quint64 ino = 0;
    quint64 parentDev = 0;
};

/// Opens a folder the user named (a link to a folder is followed there, as the user chose
/// it); -1 with errno set when it cannot be opened as a folder.
int named(const char* path);

/// Opens `relative` (names separated by '/', no leading or trailing '/', shorter than
/// PATH_MAX) below the open folder `anchorFd`, following no link in any part of it and
/// never leaving the anchor; -1 with errno set (ELOOP or ENOTDIR for a link) otherwise.
int beneath(int anchorFd, const char* relative);

/// As `beneath`, one name at a time, each opened relative to its parent with O_NOFOLLOW:
/// what `beneath` does where the kernel lacks openat2.
int beneathByName(int anchorFd, const char* relative);

/// Whether the open folder `fd` is the folder that was listed: the same inode on the
/// parent's device, or the root of a mount there (another file system, or a folder of the
/// same one bound there), whose inode the listing cannot know. `dev` receives the folder's
/// device.
bool isListed(int fd, const Listed& listed, quint64& dev);

/// As `isListed`, giving the folder's whole status in `st`.
bool isListed(int fd, const Listed& listed, struct stat& st);

/// The device of the open folder `fd`, 0 when it cannot be read.
quint64 deviceOf(int fd);

} // namespace FolderOpen
