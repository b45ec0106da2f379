#pragma once

// A file-job interface that answers from a script, for driving the file operations in tests.

#include "platform/FileJob.h"

#include <gtest/gtest.h>

#include <QList>
#include <QSignalSpy>

#include <functional>

/// Answers conflict and error questions from queues (defaults: Skip) and records them.
class ScriptedFileUi final : public FileOpUi {
public:
    QList<ConflictAnswer> conflictAnswers;
    bool applyToAll = false;
    QList<ErrorAnswer> errorAnswers;
    QList<ConflictQuestion> conflicts;
    QList<ErrorQuestion> errors;
    QList<FileOpProgress> progresses;
    /// Called on each progress report with the job, e.g. to cancel it.
    std::function<void(FileJob&, const FileOpProgress&)> onProgress;
    /// Called instead of answering an error question (e.g. to repair and retry).
    std::function<void(FileJob&, const ErrorQuestion&)> onError;
    /// Called instead of answering a conflict question (the test answers or cancels itself).
    std::function<void(FileJob&, const ConflictQuestion&)> onConflict;
    FileJob* job = nullptr;

    void started(FileJob& j, const FileOpRequest&) override { job = &j; }
    void progress(const FileOpProgress& p) override
    {
        progresses.append(p);
        if (onProgress)
            onProgress(*job, p);
    }
    void askConflict(FileJob& j, const ConflictQuestion& q) override
    {
        conflicts.append(q);
        if (onConflict)
            return onConflict(j, q);
        j.answerConflict(conflictAnswers.isEmpty() ? ConflictAnswer::Skip
                                                   : conflictAnswers.takeFirst(),
                         applyToAll);
    }
    void askError(FileJob& j, const ErrorQuestion& q) override
    {
        errors.append(q);
        if (onError)
            return onError(j, q);
        j.answerError(errorAnswers.isEmpty() ? ErrorAnswer::Skip : errorAnswers.takeFirst());
    }
    void finished(const FileOpOutcome&) override {}
};

/// Runs a request to its end with `ui` and returns the outcome (fails the test on a hang).
inline FileOpOutcome runFileJob(const FileOpRequest& request, ScriptedFileUi& ui)
{
    FileJob job(request, ui);
    QSignalSpy spy(&job, &FileJob::finished);
    job.start();
    if (!spy.wait(60000)) {
        ADD_FAILURE() << "file job did not finish";
        return {};
    }
    return job.outcome();
}
