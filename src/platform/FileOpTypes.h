#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

/// What a file job does. Paths are the exact bytes of the file names.
struct FileOpRequest {
    enum class Kind { Copy, Move, Delete, Rename };
    Kind kind = Kind::Copy;
    QList<QByteArray> sources;
    /// The target folder for Copy and Move, the new full path for Rename, empty for Delete.
    QByteArray destination;
};

/// How far a job has got. Totals are 0 while unknown.
struct FileOpProgress {
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    int itemsDone = 0;
    int itemsTotal = 0;
    QByteArray currentPath;
};

/// One side of a conflict: the item as it stands on disk.
struct FileFacts {
    QByteArray path;
    qint64 size = 0;
    QDateTime modified;
    bool isFolder = false;
};

/// A target that already exists: what to do with it.
struct ConflictQuestion {
    FileFacts source;
    FileFacts target;
};

enum class ConflictAnswer { Replace, Skip, KeepBoth, Cancel };

/// A failure on one item: the user may skip it, try again or cancel the rest.
struct ErrorQuestion {
    QByteArray path;
    QString message;
    bool canRetry = true;
};

enum class ErrorAnswer { Skip, Retry, Cancel };

/// The end of a job.
struct FileOpOutcome {
    /// True when the user cancelled any part of the job.
    bool aborted = false;
    /// The sources that were dealt with completely (copied, moved, trashed or renamed).
    QList<QByteArray> done;
    /// Where each of `done` now is, in the same order: its new path ("Keep Both" picks another
    /// name than asked for); empty for what went to the trash.
    QList<QByteArray> placed;
    /// Errors the user was told about and skipped; empty when all went well.
    int skipped = 0;
};

class FileJob;

/// What a running job needs from the user interface. Every call comes on the thread that
/// owns the job (the window's); a question is answered later through FileJob::answerConflict
/// or FileJob::answerError, or the job is cancelled. None of these may block.
class FileOpUi {
public:
    virtual ~FileOpUi() = default;

    /// The job started; the interface may show its progress later.
    virtual void started(FileJob& job, const FileOpRequest& request) = 0;
    /// Progress, at most a few times a second.
    virtual void progress(const FileOpProgress& progress) = 0;
    /// A target exists; answer with FileJob::answerConflict.
    virtual void askConflict(FileJob& job, const ConflictQuestion& question) = 0;
    /// An item failed; answer with FileJob::answerError.
    virtual void askError(FileJob& job, const ErrorQuestion& question) = 0;
    /// The job ended; no further call follows for it.
    virtual void finished(const FileOpOutcome& outcome) = 0;
};
