#pragma once

#include "platform/FileOpTypes.h"

#include <QObject>

#include <functional>
#include <list>
#include <memory>

/// Makes the user interface (progress, questions) of one file job.
using FileOpUiFactory = std::function<std::unique_ptr<FileOpUi>()>;

/// The four file primitives. Each starts a job off the window's thread and returns at once;
/// `done` runs on the window's thread when the job has ended, with the outcome, whose
/// `aborted` is true when the user cancelled any part. Jobs may overlap.
class FileOperations final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileOperations)
public:
    using Done = std::function<void(const FileOpOutcome& outcome)>;

    /// Jobs show their progress and questions through interfaces made by `makeUi`.
    explicit FileOperations(FileOpUiFactory makeUi, QObject* parent = nullptr);
    /// Cancels every running job and waits for its worker.
    ~FileOperations() override;

    /// Copies `files` into the folder `destination`.
    void CopyFiles(const QList<QByteArray>& files, const QByteArray& destination, Done done);
    /// Moves `files` into the folder `destination` (across file systems: copy, then delete).
    void MoveFiles(const QList<QByteArray>& files, const QByteArray& destination, Done done);
    /// Moves `files` to the trash.
    void DeleteFiles(const QList<QByteArray>& files, Done done);
    /// Renames (or moves) one item to the full path `newPath`.
    void RenameFile(const QByteArray& oldPath, const QByteArray& newPath, Done done);

    /// Starts any request.
    void run(FileOpRequest request, Done done);
    /// Number of jobs not yet finished.
    int running() const { return int(m_jobs.size()); }
    /// Asks every running job to stop.
    void cancelAll();

Q_SIGNALS:
    /// A job ended (after its `done`).
    void jobFinished(const FileOpOutcome& outcome);

private:
    struct Running;
    FileOpUiFactory m_makeUi;
    std::list<std::unique_ptr<Running>> m_jobs;
};
