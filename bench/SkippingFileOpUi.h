#pragma once

#include "platform/FileJob.h"

#include <cstdio>

/// The side of a file job that nobody watches: every question is answered Skip (to all), and
/// an error is printed so that a benchmark never hides one.
class SkippingFileOpUi : public FileOpUi {
public:
    void started(FileJob&, const FileOpRequest&) override {}
    void progress(const FileOpProgress&) override {}
    void askConflict(FileJob& job, const ConflictQuestion&) override
    {
        job.answerConflict(ConflictAnswer::Skip, true);
    }
    void askError(FileJob& job, const ErrorQuestion& q) override
    {
        std::fprintf(stderr, "error: %s %s\n", q.path.constData(), qPrintable(q.message));
        job.answerError(ErrorAnswer::Skip);
    }
    void finished(const FileOpOutcome&) override {}
};
