#include "SearchEngine.h"

#include "FolderWalker.h"
#include "MatchQuery.h"
#include "platform/TypeNames.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>

/// What the window's side and the worker share.
struct SearchShared {
    LiveQuery query;
    std::atomic<quint64> run{0}; // the current run; walks of other runs stop
    std::atomic<bool> shuttingDown{false};
};

namespace {

/// Collects a walk's rows and hands them over in batches.
class BatchingSink final : public WalkSink {
public:
    using Deliver = std::function<void(ResultRows&&)>;

    BatchingSink(const SearchShared& shared, quint64 run, Deliver deliver)
        : m_shared(shared)
        , m_run(run)
        , m_deliver(std::move(deliver))
    {
        m_sinceDelivery.start();
    }

    bool stopRequested() override
    {
        if (m_shared.run.load(std::memory_order_relaxed) != m_run ||
            m_shared.shuttingDown.load(std::memory_order_relaxed))
            return true;
        // Between matches too, so a lone match is not held back by a long stretch without any.
        if (!m_rows.empty() && (++m_entries & 255) == 0)
            deliverIfDue();
        return false;
    }

    void found(const FoundEntry& entry) override
    {
        m_rows.push_back(makeResultRow(entry));
        deliverIfDue();
    }

    /// Hands over whatever is left.
    void flush()
    {
        if (!m_rows.empty())
            m_deliver(std::exchange(m_rows, {}));
        m_sinceDelivery.restart();
    }

private:
    void deliverIfDue()
    {
        if (m_sinceDelivery.elapsed() >= 30)
            flush();
    }

    const SearchShared& m_shared;
    const quint64 m_run;
    Deliver m_deliver;
    ResultRows m_rows;
    QElapsedTimer m_sinceDelivery;
    unsigned m_entries = 0;
};

} // namespace

/// Runs the walks on the worker thread, one after the other.
class SearchWorker final : public QObject {
    Q_OBJECT
public:
    explicit SearchWorker(std::shared_ptr<SearchShared> shared)
        : m_shared(std::move(shared))
    {}

    /// Walks one folder for `run`; called on the worker thread.
    void walk(const SearchRequest& request, quint64 run)
    {
        if (!m_shared->shuttingDown.load()) {
            BatchingSink sink(*m_shared, run,
                              [this, run](ResultRows&& rows) { Q_EMIT batch(run, rows); });
            FolderWalker walker(m_shared->query, sink, true);
            walker.walk(request);
            sink.flush();
        }
        Q_EMIT walkDone(run);
    }

Q_SIGNALS:
    void batch(quint64 run, ResultRows rows);
    void walkDone(quint64 run);

private:
    std::shared_ptr<SearchShared> m_shared;
};

SearchEngine::SearchEngine(QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<SearchShared>())
    , m_thread(new QThread)
    , m_worker(new SearchWorker(m_shared))
{
    qRegisterMetaType<ResultRows>("ResultRows");
    m_thread->setObjectName(QStringLiteral("SearchWorker"));
    m_worker->moveToThread(m_thread);
    // Batches and ends of a superseded run are dropped here, on the window's thread.
    connect(m_worker, &SearchWorker::batch, this, [this](quint64 run, const ResultRows& rows) {
        if (run == m_shared->run.load())
            Q_EMIT rowsFound(rows);
    });
    connect(m_worker, &SearchWorker::walkDone, this, [this](quint64 run) {
        if (run == m_shared->run.load())
            Q_EMIT walkFinished();
    });
    m_thread->start();
    // The first type name loads the MIME data; do it now, off the window's thread, rather
    // than in the middle of the first search.
    QMetaObject::invokeMethod(
        m_worker, [] { TypeNames::instance().typeName("warm-up.txt", false); },
        Qt::QueuedConnection);
}

SearchEngine::~SearchEngine()
{
    m_shared->shuttingDown.store(true);
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void SearchEngine::setSearchText(const QString& text)
{
    m_shared->query.setSearchText(text);
}

void SearchEngine::setMatchCase(bool matchCase)
{
    m_shared->query.setMatchCase(matchCase);
}

void SearchEngine::beginRun()
{
    m_shared->run.fetch_add(1);
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
