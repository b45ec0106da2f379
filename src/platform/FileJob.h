#pragma once

#include "FileOpTypes.h"

#include <QObject>

#include <memory>

/// One file operation run on a worker thread; the object itself lives on the window's thread
/// and talks to the user interface (FileOpUi) only there. A question is a state of the job:
/// the worker pauses at that point, the job shows the question through the interface and
/// goes on when answerConflict / answerError arrives. cancel() works at any time, also while
/// a question is open. Deleting the job cancels it and waits for the worker to stop.
class FileJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileJob)
public:
    enum class State { Ready, Running, Asking, Finished };

    /// A job for `request`, reporting to `ui` (which must outlive the job).
    FileJob(FileOpRequest request, FileOpUi& ui, QObject* parent = nullptr);
    ~FileJob() override;

    /// Starts the worker; once only.
    void start();
    /// Stops the work as soon as it can; the outcome then says aborted. The call returns at once.
    void cancel();
    /// The answer to the open conflict question; `applyToAll` gives it to every later conflict.
    void answerConflict(ConflictAnswer answer, bool applyToAll);
    /// The answer to the open error question.
    void answerError(ErrorAnswer answer);

    State state() const { return m_state; }
    const FileOpRequest& request() const { return m_request; }
    /// Valid once finished() was emitted.
    const FileOpOutcome& outcome() const { return m_outcome; }

Q_SIGNALS:
    /// The job ended (after the interface's finished call).
    void finished(const FileOpOutcome& outcome);

private:
    class Channel;
    void deliverProgress();
    void deliverConflict(const ConflictQuestion& question);
    void deliverError(const ErrorQuestion& question);
    void deliverEnd(const FileOpOutcome& outcome);

    FileOpRequest m_request;
    FileOpUi& m_ui;
    State m_state = State::Ready;
    FileOpOutcome m_outcome;
    std::unique_ptr<Channel> m_channel;
};
