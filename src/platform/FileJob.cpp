#include "FileJob.h"

#include "FileWork.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {
// Progress reaches the window at most this often; the interface shows it after half a second.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
} // namespace

/// The worker's side of the job: questions wait here for the window's answer or cancel.
class FileJob::Channel final : public WorkContext {
public:
    explicit Channel(FileJob& job)
        : m_job(job)
    {}

    bool cancelled() const override { return m_cancelled.load(std::memory_order_relaxed); }

    void cancel()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_answered.notify_all();
    }

    ConflictAnswer askConflict(const ConflictQuestion& question) override
    {
        if (m_conflictForAll)
            return *m_conflictForAll;
        return waitForAnswer(
            m_conflict, ConflictAnswer::Cancel,
            [question](FileJob& job) { job.deliverConflict(question); },
            [this](ConflictAnswer answer) {
                if (m_conflictForAllPending && !m_cancelled)
                    m_conflictForAll = answer;
            });
    }

    ErrorAnswer askError(const ErrorQuestion& question) override
    {
        return waitForAnswer(
            m_error, ErrorAnswer::Cancel, [question](FileJob& job) { job.deliverError(question); },
            [](ErrorAnswer) {});
    }

    /// Hands a question to the window (`deliver` runs on its thread) and waits for the
    /// answer in `slot`, or `cancelAnswer` once the job is cancelled. `settle(answer)` runs
    /// under the lock before the slot is emptied for the next question.
    template<typename Answer, typename Deliver, typename Settle>
    Answer waitForAnswer(std::optional<Answer>& slot, Answer cancelAnswer, Deliver deliver,
                         Settle settle)
    {
        flushProgress();
        FileJob* job = &m_job;
        QMetaObject::invokeMethod(
            job, [job, deliver] { deliver(*job); }, Qt::QueuedConnection);
        std::unique_lock lock(m_mutex);
        m_answered.wait(lock, [this, &slot] { return m_cancelled || slot.has_value(); });
        const Answer answer = m_cancelled ? cancelAnswer : *slot;
        settle(answer);
        slot.reset();
        return answer;
    }

    void progress(const FileOpProgress& progress) override
    {
        const auto now = std::chrono::steady_clock::now();
        {
            const std::lock_guard lock(m_mutex);
            m_latest = progress;
        }
        if (now - m_lastPost < kProgressInterval)
            return;
        m_lastPost = now;
        flushProgress();
    }

    void flushProgress()
    {
        FileJob* job = &m_job;
        QMetaObject::invokeMethod(
            job, [job] { job->deliverProgress(); }, Qt::QueuedConnection);
    }

    FileOpProgress latest()
    {
        const std::lock_guard lock(m_mutex);
        return m_latest;
    }

    void answer(ConflictAnswer answer, bool applyToAll)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_conflict = answer;
            m_conflictForAllPending = applyToAll;
        }
        m_answered.notify_all();
    }

    void answer(ErrorAnswer answer)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_error = answer;
        }
        m_answered.notify_all();
    }

    void run(const FileOpRequest& request)
    {
        m_thread = std::thread([this, request] {
            FileWork work(*this);
            const FileOpOutcome outcome = work.run(request);
            flushProgress();
            FileJob* job = &m_job;
            QMetaObject::invokeMethod(
                job, [job, outcome] { job->deliverEnd(outcome); }, Qt::QueuedConnection);
        });
    }

    ~Channel() override
    {
        cancel();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    FileJob& m_job;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::atomic<bool> m_cancelled{false};
    std::optional<ConflictAnswer> m_conflict;
    std::optional<ErrorAnswer> m_error;
    bool m_conflictForAllPending = false;
    std::optional<ConflictAnswer> m_conflictForAll; ///< worker only
    FileOpProgress m_latest;
    std::chrono::steady_clock::time_point m_lastPost{};
};

FileJob::FileJob(FileOpRequest request, FileOpUi& ui, QObject* parent)
    : QObject(parent)
    , m_request(std::move(request))
    , m_ui(ui)
    , m_channel(std::make_unique<Channel>(*this))
{}

FileJob::~FileJob()
{
    m_channel.reset(); // cancels and waits; events it posted die with this object
}

void FileJob::start()
{
    if (m_state != State::Ready)
        return;
    m_state = State::Running;
    m_ui.started(*this, m_request);
    m_channel->run(m_request);
}

void FileJob::cancel()
{
    m_channel->cancel();
}

void FileJob::answerConflict(ConflictAnswer answer, bool applyToAll)
{
    if (m_state != State::Asking)
        return;
    m_state = State::Running;
    m_channel->answer(answer, applyToAll);
}

void FileJob::answerError(ErrorAnswer answer)
{
    if (m_state != State::Asking)
        return;
    m_state = State::Running;
    m_channel->answer(answer);
}

void FileJob::deliverProgress()
{
    if (m_state != State::Finished)
        m_ui.progress(m_channel->latest());
}

void FileJob::deliverConflict(const ConflictQuestion& question)
{
    if (m_channel->cancelled())
        return; // the worker has already stopped waiting
    m_state = State::Asking;
    m_ui.askConflict(*this, question);
}

void FileJob::deliverError(const ErrorQuestion& question)
{
    if (m_channel->cancelled())
        return;
    m_state = State::Asking;
    m_ui.askError(*this, question);
}

void FileJob::deliverEnd(const FileOpOutcome& outcome)
{
    m_state = State::Finished;
    m_outcome = outcome;
    m_ui.finished(outcome);
    Q_EMIT finished(outcome);
}
