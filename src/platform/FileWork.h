#pragma once

#include "FileOpTypes.h"
#include "Trash.h"

#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/stat.h>

/// What the work needs from the job that runs it. Questions wait for the user's answer (or
/// return Cancel once the job is cancelled); they are only ever called on the worker.
class WorkContext {
public:
    virtual ~WorkContext() = default;
    virtual bool cancelled() const = 0;
    virtual ConflictAnswer askConflict(const ConflictQuestion& question) = 0;
    virtual ErrorAnswer askError(const ErrorQuestion& question) = 0;
    virtual void progress(const FileOpProgress& progress) = 0;
};

/// The file operations themselves, on byte paths, run on a worker: copy, move, delete to
/// the trash and rename. Never overwrites without a Replace answer, never opens a special
/// file, leaves no partial file behind, and never deletes a source that was not copied whole.
class FileWork final {
public:
    explicit FileWork(WorkContext& context);
    Q_DISABLE_COPY_MOVE(FileWork)

    /// Runs the request to its end (or until cancelled) and says what was done.
    FileOpOutcome run(const FileOpRequest& request);

    /// The full path `folder`/"stem (n).ext" of a name that does not exist yet (Keep Both);
    /// a folder's "name (n)" keeps its dots, and "a.tar.gz" gives "a (n).tar.gz".
    static QByteArray freeName(const QByteArray& folder, const QByteArray& name,
                               bool isFolder = false);
    /// True when `folder` is `tree` itself or lies inside it (after resolving links).
    static bool isInside(const QByteArray& folder, const QByteArray& tree);

private:
    /// Retry only ever comes from failed(): the caller tries the same step again.
    enum class Step { Done, Skipped, Cancelled, Retry };

    Step transferTop(const QByteArray& source, const QByteArray& folder, bool move);
    Step resolveConflict(const QByteArray& source, const struct stat& sourceStat,
                         QByteArray& target, bool& replace);
    Step moveItem(const QByteArray& source, const struct stat& st, const QByteArray& target,
                  bool replace, const QString& verb = QStringLiteral("Cannot move"));
    /// Moves (`move`) or copies each item of folder `source` into `target`, settling name
    /// conflicts first when `checkConflicts`. Done once every item was tried (`whole` then
    /// says whether all were done); Cancelled, or the answer when the folder cannot be read.
    Step transferChildren(const QByteArray& source, const QByteArray& target, bool move,
                          bool checkConflicts, bool& whole);
    Step mergeFolder(const QByteArray& source, const QByteArray& target);
    Step copyItem(const QByteArray& source, const struct stat& st, const QByteArray& target,
                  bool replace);
    Step copyFile(const QByteArray& source, const QByteArray& target, bool replace);
    /// One try; `atTarget` tells whether a failure came from the destination's side.
    int copyFileOnce(const QByteArray& source, const QByteArray& target, bool replace,
                     bool& atTarget);
    Step copyLink(const QByteArray& source, const struct stat& st, const QByteArray& target,
                  bool replace);
    Step copyFolder(const QByteArray& source, const struct stat& st, const QByteArray& target,
                    bool exists);
    Step makeFolder(const QByteArray& target);
    /// A move to another file system: copies `source` whole, writes the copy to the disk,
    /// then removes from the source only what was copied.
    Step moveAcross(const QByteArray& source, const struct stat& st, const QByteArray& target,
                    bool replace);
    /// Writes the file system of `target` to the disk, asking Skip/Retry/Cancel on failure.
    Step syncCopy(const QByteArray& source, const QByteArray& target);
    /// Removes what the move copied from `path`, on `device` only: an item that appeared or
    /// changed since it was copied, or a file system mounted inside, stays where it is (and
    /// the move counts as not done).
    Step removeCopied(const QByteArray& path, dev_t device);
    /// A file's size and modification time in nanoseconds; nothing for a folder.
    using CopiedState = std::tuple<off_t, time_t, long>; // size, modified s and ns
    static CopiedState copiedState(const struct stat& st);
    /// While a move records: notes a source item as copied, with `st` as it was read before
    /// its copy.
    void rememberCopied(const struct stat& st);
    /// While a move records: notes an item it made at the destination (not one it replaced).
    void rememberMade(const QByteArray& path);
    /// Removes what the move made at the destination, where it is still what was made.
    void removeMade();
    Step trashOne(const QByteArray& path);
    Step renameOne(const QByteArray& source, QByteArray target);

    /// Stats `path` (without following a link), asking Skip/Retry/Cancel on failure.
    Step statItem(const QByteArray& path, struct stat& st, const QString& verb);
    /// Asks about a failure; Retry gives Done so the caller tries again.
    Step failed(const QByteArray& path, const QString& message, bool canRetry = true);
    bool stopped();
    /// Adds what `path` holds to the totals: its bytes, and its items when `items`.
    void countTree(const QByteArray& path, bool items);
    /// One item finished: copies count every file and folder, other jobs their top items.
    void itemDone(const QByteArray& path, bool topLevel = false);
    bool m_copying = false;
    /// While a move to another file system copies: each item copied, by device and inode,
    /// with the size and modification time it had when read.
    std::map<std::pair<dev_t, ino_t>, CopiedState> m_copied;
    /// While a move to another file system copies: what it made at the destination, in order.
    std::vector<std::pair<QByteArray, std::pair<dev_t, ino_t>>> m_made;
    bool m_recording = false;

    WorkContext& m_context;
    Trash m_trash;
    FileOpProgress m_progress;
    bool m_aborted = false;
    int m_skipped = 0;
    QByteArray m_placed; ///< where the item in hand went (copy, move, rename)
};
