#pragma once

// The file operations behind a hive: reading only a regular file of bounded size, replacing
// it atomically without ever writing through a link, keeping a damaged file aside, the
// private settings folder and the lock file. Plain POSIX calls, so that nothing follows a
// link or waits on a FIFO behind the program's back.

#include <QByteArray>
#include <QString>

/// What stood at the hive's path when it was read.
enum class HiveFileState {
    Missing,    ///< no file: the defaults, and nothing is wrong
    Read,       ///< a regular file, read whole (its text may still be damaged)
    Link,       ///< a symbolic link: never followed, for reading or writing
    Folder,     ///< a folder: cannot be replaced, so writes fail
    Special,    ///< a FIFO, device or socket: never opened for reading
    TooLarge,   ///< a regular file over the size cap
    Unreadable, ///< a regular file that cannot be opened or read
};

/// The largest hive file that is read; no file the program writes comes near it.
constexpr qint64 kMaxHiveFileSize = 64 * 1024 * 1024;

/// The outcome of reading a hive file.
struct HiveFileRead {
    HiveFileState state = HiveFileState::Missing;
    QByteArray text; ///< the bytes read, for HiveFileState::Read only
    int error = 0;   ///< errno behind HiveFileState::Unreadable
};

/// Reads `path` when it is a regular file (not a link) of at most `cap` bytes, counting the
/// bytes actually read, without blocking on a FIFO or following a link.
HiveFileRead readHiveFile(const QString& path, qint64 cap = kMaxHiveFileSize);

/// Keeps the damaged entry at `path` under the first free name of `path` + ".bad",
/// ".bad.1", …: a readable regular file is copied (it stays in place until it is replaced),
/// anything else is renamed (a link stays a link, a FIFO is never opened). False, with a
/// reason in `*error`, when that failed; a folder is never moved.
bool keepHiveAside(const QString& path, HiveFileState state, QString* error);

/// Replaces `path` atomically with `text` (the old file's permissions, or 0600): written and
/// synced beside it, then renamed over it, which replaces a link itself, never its target.
/// A regular file without write permission for its owner is left alone. False, with a reason
/// in `*error`, when the old file is left as it was.
bool replaceHiveFile(const QString& path, const QByteArray& text, QString* error);

/// Removes the temporary files that writes of `path` left behind when the program was killed
/// half way. Only while the lock is held: then no write of another instance is under way.
void removeStaleTemporaries(const QString& path);

/// Makes `folder` and any missing folders above it, each new one private (0700); existing
/// folders are left as they are. False, with a reason in `*error`, when that failed.
bool makePrivateFolder(const QString& folder, QString* error);

/// Opens (creating, 0600) the lock file at `path` without following a link; -1, with a
/// reason in `*error`, when it cannot be opened or is not a regular file.
int openLockFile(const QString& path, QString* error);

/// The message for the user about a damaged hive file at `path` ("" for Missing and for a
/// Read file whose text was whole, `damagedText` false).
QString hiveDamageMessage(const QString& path, HiveFileState state, bool damagedText, int error);

/// What to tell the user when something other than a folder stands where a folder on the way
/// to the settings file at `path` should be, so that no settings can be saved; empty when
/// nothing does.
QString hiveFolderBlockedMessage(const QString& path);
