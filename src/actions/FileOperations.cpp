#include "FileOperations.h"

#include "platform/FileJob.h"

#include <QTimer>

struct FileOperations::Running {
    std::unique_ptr<FileOpUi> ui;
    std::unique_ptr<FileJob> job; // declared after ui: destroyed (and joined) first
};

FileOperations::FileOperations(FileOpUiFactory makeUi, QObject* parent)
    : QObject(parent)
    , m_makeUi(std::move(makeUi))
{}

FileOperations::~FileOperations() = default;

void FileOperations::CopyFiles(const QList<QByteArray>& files, const QByteArray& destination,
                               Done done)
{
    run({FileOpRequest::Kind::Copy, files, destination}, std::move(done));
}

void FileOperations::MoveFiles(const QList<QByteArray>& files, const QByteArray& destination,
                               Done done)
{
    run({FileOpRequest::Kind::Move, files, destination}, std::move(done));
}

void FileOperations::DeleteFiles(const QList<QByteArray>& files, Done done)
{
    run({FileOpRequest::Kind::Delete, files, {}}, std::move(done));
}

void FileOperations::RenameFile(const QByteArray& oldPath, const QByteArray& newPath, Done done)
{
    run({FileOpRequest::Kind::Rename, {oldPath}, newPath}, std::move(done));
}

void FileOperations::run(FileOpRequest request, Done done)
{
    auto entry = std::make_unique<Running>();
    entry->ui = m_makeUi();
    entry->job = std::make_unique<FileJob>(std::move(request), *entry->ui);
    Running* raw = entry.get();
    m_jobs.push_back(std::move(entry));
    connect(raw->job.get(), &FileJob::finished, this,
            [this, raw, done = std::move(done)](const FileOpOutcome& outcome) {
                if (done)
                    done(outcome);
                Q_EMIT jobFinished(outcome);
                // The job is still inside its own signal: let it go once that has returned.
                QTimer::singleShot(0, this, [this, raw] {
                    m_jobs.remove_if([raw](const auto& job) { return job.get() == raw; });
                });
            });
    raw->job->start();
}

void FileOperations::cancelAll()
{
    for (const auto& entry : m_jobs)
        entry->job->cancel();
}
