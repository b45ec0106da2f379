#include "SearchEngine.h"

#include "AsciiText.h"
#include "MatchQuery.h"
#include "ParallelWalk.h"
#include "platform/TypeNames.h"

#include <QThread>

#include <atomic>

/// What the window's side and the worker share.
struct SearchShared {
    LiveQuery query;
    std::atomic<quint64> run{0}; // the current run; walks of other runs stop
    std::atomic<bool> shuttingDown{false};
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
        if (!m_shared->shuttingDown.load()) {
            const SearchShared& shared = *m_shared;
            const auto superseded = [&shared, run] {
                return shared.run.load(std::memory_order_relaxed) != run ||
                       shared.shuttingDown.load(std::memory_order_relaxed);
            };
            RowWalk walker(
                shared.query, RowFormat(),
                [this, run, &superseded](ResultRows& rows) {
                    if (superseded())
                        return false;
                    m_deliver(run, std::move(rows));
                    return true;
                },
                true, workThreadCount(), {}, superseded);
            walker.walk(request);
        }
        Q_EMIT walkDone(run);
    }

Q_SIGNALS:
    void walkDone(quint64 run);

private:
    std::shared_ptr<SearchShared> m_shared;
    Deliver m_deliver;
};

SearchEngine::SearchEngine(QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<SearchShared>())
    , m_thread(new QThread)
    , m_worker(new SearchWorker(m_shared, [this](quint64 run, ResultRows&& rows) {
        // Batches of a superseded run are dropped here, on the window's thread. The rows move
        // across, never copied; the end of the walk is queued after them.
        QMetaObject::invokeMethod(
            this,
            [this, run, rows = std::move(rows)]() mutable {
                if (run == m_shared->run.load())
                    Q_EMIT rowsFound(std::move(rows));
            },
            Qt::QueuedConnection);
    }))
{
    qRegisterMetaType<ResultRows>("ResultRows");
    m_thread->setObjectName(QStringLiteral("SearchWorker"));
    m_worker->moveToThread(m_thread);
    connect(m_worker, &SearchWorker::walkDone, this, [this](quint64 run) {
        if (run == m_shared->run.load())
            Q_EMIT walkFinished();
    });
    m_thread->start();
    // The first type name loads the MIME data; do it now, off the window's thread, rather
    // than in the middle of the first search. The instance is made once and safe to use from
    // every walking thread.
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
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, request, run] { worker->walk(request, run); },
        Qt::QueuedConnection);
}

#include "SearchEngine.moc"
