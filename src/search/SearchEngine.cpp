#include "SearchEngine.h"

#include "AsciiText.h"
#include "MatchQuery.h"
#include "ParallelWalk.h"
#include "platform/TypeNames.h"

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace {

/// The most rows passed on to the window in one go: a slice is merged into a sorted list of
/// a million rows well within the time between two input events.
constexpr size_t SliceRows = 4096;
/// How much lower the walking threads' share of a busy processor is than the window's.
constexpr int WalkNiceness = 5;
/// Set for good once an engine left a stuck walk behind.
std::atomic<bool> abandoned{false};

} // namespace

/// What the window's side and the worker share.
struct SearchShared {
    LiveQuery query;
    std::atomic<quint64> run{0}; // the current run; walks of other runs stop
    std::atomic<bool> shuttingDown{false};
    std::mutex preparationMutex;
    std::shared_ptr<const RowPreparation> preparation; // under preparationMutex

    std::mutex postMutex;
    bool engineGone = false; // under postMutex: nothing more is posted to the engine

    std::shared_ptr<const RowPreparation> currentPreparation()
    {
        const std::lock_guard lock(preparationMutex);
        return preparation;
    }

    /// Queues `call` on `engine`'s thread unless the engine went; from any thread. An engine
    /// that left a stuck walk behind may be gone by the time that walk wakes.
    template<typename Call> void post(QObject* engine, Call&& call)
    {
        const std::lock_guard lock(postMutex);
        if (!engineGone)
            QMetaObject::invokeMethod(engine, std::forward<Call>(call), Qt::QueuedConnection);
    }
};

/// Runs the walks from the worker thread, one after the other, each on as many threads as
/// the command line uses; rows are made on the walking threads and handed over in walk order.
class SearchWorker final : public QObject {
    Q_OBJECT
public:
    /// Hands one batch of `run` over to the window's thread.
    using Deliver = std::function<void(quint64 run, ResultRows&& rows)>;

    SearchWorker(std::shared_ptr<SearchShared> shared, Deliver deliver)
        : m_shared(std::move(shared))
        , m_deliver(std::move(deliver))
    {}

    /// Walks one folder for `run`; called on the worker thread.
    void walk(const SearchRequest& request, quint64 run)
    {
        bool topMissing = false;
        if (!m_shared->shuttingDown.load()) {
            SearchShared& shared = *m_shared;
            const auto superseded = [&shared, run] {
                return shared.run.load(std::memory_order_relaxed) != run ||
                       shared.shuttingDown.load(std::memory_order_relaxed);
            };
            RowWalk walker(
                shared.query, RowFormat(shared.currentPreparation()),
                [this, run, &superseded](ResultRows& rows) {
                    if (superseded())
                        return false;
                    m_deliver(run, std::move(rows));
                    return true;
                },
                true, workThreadCount(), {}, superseded);
            topMissing = walker.walk(request) == FolderWalker::Outcome::Unreadable &&
                         folderMissing(request.FolderPath);
        }
        Q_EMIT walkDone(run, topMissing);
    }

Q_SIGNALS:
    void walkDone(quint64 run, bool topMissing);

private:
    std::shared_ptr<SearchShared> m_shared;
    Deliver m_deliver;
};

/// What arrived from the worker on the window's thread and is not yet passed on: batches and
/// ends of walks, in order.
struct SearchEngine::Arrivals {
    struct Arrival {
        quint64 run = 0;
        ResultRows rows;         // none: the end of a walk
        size_t next = 0;         // rows before it were passed on already
        bool topMissing = false; // the end of a walk whose folder was not there
    };
    std::deque<Arrival> queue;
    ResultRows ready;       // the rows being announced
    bool handingOn = false; // a call of handOn is queued
};

SearchEngine::SearchEngine(QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<SearchShared>())
    , m_arrivals(std::make_unique<Arrivals>())
    , m_thread(new QThread)
    , m_worker(
          new SearchWorker(m_shared, [this, shared = m_shared](quint64 run, ResultRows&& rows) {
              // The rows move across, never copied; the end of the walk is queued after them. What
              // this engine holds is not read here: it may be gone.
              shared->post(this, [this, run, rows = std::move(rows)]() mutable {
                  m_arrivals->queue.push_back({run, std::move(rows), 0});
                  handOn();
              });
          }))
{
    m_thread->setObjectName(QStringLiteral("SearchWorker"));
    m_worker->moveToThread(m_thread);
    connect(m_worker, &SearchWorker::walkDone, this, [this](quint64 run, bool topMissing) {
        m_arrivals->queue.push_back({run, {}, 0, topMissing});
        handOn();
    });
    m_thread->start();
    // The first type name loads the MIME data; do it now, off the window's thread, rather
    // than in the middle of the first search. The instance is made once and safe to use from
    // every walking thread.
    // The walking threads (this one and the helpers it starts, which inherit it) yield to the
    // window's thread when the cores are busy, so that input is answered while a walk runs;
    // with a core free they walk at full speed.
    QMetaObject::invokeMethod(
        m_worker,
        [] {
            setpriority(PRIO_PROCESS, id_t(gettid()), WalkNiceness);
            TypeNames::instance().typeName("warm-up.txt", false);
        },
        Qt::QueuedConnection);
}

SearchEngine::~SearchEngine()
{
    m_shared->shuttingDown.store(true);
    m_thread->quit();
    const bool joined = m_thread->wait(QDeadlineTimer(m_exitWait));
    {
        const std::lock_guard lock(m_shared->postMutex);
        m_shared->engineGone = true;
    }
    if (!joined) {
        // Stuck in the kernel: it can be neither ended nor waited for. The worker and its
        // thread are left to the process's end; what the walk uses it holds shares of, and it
        // delivers nothing more once it wakes (the engine is shutting down).
        abandoned.store(true);
        std::fputs("kestrelfind: a folder being searched does not answer; "
                   "leaving its search behind\n",
                   stderr);
        return;
    }
    delete m_worker;
    delete m_thread;
}

bool SearchEngine::walksAbandoned()
{
    return abandoned.load();
}

void SearchEngine::handOn()
{
    // Batches and ends of a superseded run are dropped here, on the window's thread.
    auto& queue = m_arrivals->queue;
    const quint64 current = m_shared->run.load();
    while (!queue.empty() && queue.front().run != current)
        queue.pop_front();
    if (queue.empty() || m_arrivals->handingOn)
        return;
    if (queue.front().rows.empty()) {
        const bool topMissing = queue.front().topMissing;
        queue.pop_front();
        Q_EMIT walkFinished(topMissing);
    } else {
        // Batches that piled up while the window was busy go on together, up to one slice:
        // fewer merges and repaints when the window falls behind.
        ResultRows slice;
        bool reserved = false; // a slice made of several arrivals grows once, not by doubling
        while (!queue.empty() && queue.front().run == current && !queue.front().rows.empty() &&
               slice.size() < SliceRows) {
            Arrivals::Arrival& next = queue.front();
            const size_t left = next.rows.size() - next.next;
            const size_t take = std::min(SliceRows - slice.size(), left);
            if (slice.empty() && next.next == 0 && take == left) {
                slice = std::move(next.rows);
                queue.pop_front();
                continue;
            }
            if (!reserved) {
                size_t waiting = 0;
                for (const Arrivals::Arrival& a : queue)
                    waiting += a.run == current ? a.rows.size() - a.next : 0;
                slice.reserve(std::min(SliceRows, slice.size() + waiting));
                reserved = true;
            }
            const auto from = next.rows.begin() + qsizetype(next.next);
            slice.insert(slice.end(), std::make_move_iterator(from),
                         std::make_move_iterator(from + qsizetype(take)));
            next.next += take;
            if (next.next < next.rows.size())
                break;
            queue.pop_front();
        }
        m_arrivals->ready = std::move(slice);
        Q_EMIT rowsFound();
        ResultRows().swap(m_arrivals->ready);
    }
    // The rest waits for the next turn of the event loop, after the input that came meanwhile.
    if (!queue.empty()) {
        m_arrivals->handingOn = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_arrivals->handingOn = false;
                handOn();
            },
            Qt::QueuedConnection);
    }
}

ResultRows SearchEngine::takeRows()
{
    return std::exchange(m_arrivals->ready, {});
}

void SearchEngine::setSearchText(const QString& text)
{
    m_shared->query.setSearchText(text);
}

void SearchEngine::setMatchCase(bool matchCase)
{
    m_shared->query.setMatchCase(matchCase);
}

void SearchEngine::setRowPreparation(std::shared_ptr<const RowPreparation> preparation)
{
    const std::lock_guard lock(m_shared->preparationMutex);
    m_shared->preparation = std::move(preparation);
}

void SearchEngine::beginRun()
{
    m_shared->run.fetch_add(1);
}

void SearchEngine::inspectPlaces(const QList<AltFolder>& altFolders,
                                 std::function<bool(FolderBox)> ticked)
{
    const quint64 run = m_shared->run.load();
    QMetaObject::invokeMethod(
        m_worker,
        [this, altFolders, ticked = std::move(ticked), run, shared = m_shared] {
            PlaceFacts facts = ::inspectPlaces(altFolders, ticked);
            shared->post(this, [this, run, facts = std::move(facts)] {
                if (run == m_shared->run.load())
                    Q_EMIT placesInspected(facts);
            });
        },
        Qt::QueuedConnection);
}

void SearchEngine::walk(const SearchRequest& request)
{
    // The run is fixed now, when the walk is queued, not when it starts.
    const quint64 run = m_shared->run.load();
    SearchRequest remembering = request;
    remembering.Listings = m_listings; // repeated searches of a scope re-read only what changed
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, request = std::move(remembering), run] { worker->walk(request, run); },
        Qt::QueuedConnection);
}

#include "SearchEngine.moc"
