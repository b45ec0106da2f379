#pragma once

#include "ListingCache.h"
#include "ResultRow.h"
#include "RowPreparation.h"
#include "SearchPlaces.h"
#include "SearchRequest.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QThread;
class SearchWorker;
struct SearchShared;

/// The search engine as the window uses it: walks run from one worker thread, in the order
/// they were asked for, each on several threads; matches come back in batches, in walk
/// order, no batch larger than the window can take in while staying responsive. Lives on the
/// window's thread, which it never blocks. A walk stops at its next entry once its request's token
/// is cancelled, a new run began or the engine is being destroyed.
class SearchEngine final : public QObject {
    Q_OBJECT
public:
    /// Starts the worker thread.
    explicit SearchEngine(QObject* parent = nullptr);
    /// Stops any walk at its next entry, drops the queued ones and joins the worker thread;
    /// a walk that does not come back within a few seconds is abandoned (see `walksAbandoned`).
    ~SearchEngine() override;
    Q_DISABLE_COPY_MOVE(SearchEngine)

    /// Publishes the search text; walks use it from their next entry on.
    void setSearchText(const QString& text);
    /// Publishes Match Case; walks use it from their next entry on.
    void setMatchCase(bool matchCase);
    /// Sets the work done for every row on the walking threads (none: rows as made); walks
    /// use it from their start on.
    void setRowPreparation(std::shared_ptr<const RowPreparation> preparation);
    /// Starts a new run: walks of earlier runs end at their next entry, and their batches
    /// and ends are no longer delivered.
    void beginRun();
    /// Looks up the current run's places (`inspectPlaces`) on the worker thread, so that a
    /// folder on a mount that does not answer blocks there and not the window;
    /// `placesInspected` brings the answer, unless another run has begun meanwhile.
    void inspectPlaces(const QList<AltFolder>& altFolders, std::function<bool(FolderBox)> ticked);
    /// Queues a walk of one top-level folder for the current run; it obeys the request's
    /// token from now on, also while it waits.
    void walk(const SearchRequest& request);
    /// The rows announced by the `rowsFound` being handled, moved out: none once taken.
    ResultRows takeRows();
    /// True once an engine went while a walk of it was stuck in a system call (a folder on a
    /// network mount that stopped answering): its thread still runs, so the process must end
    /// without destroying what that thread may touch when it wakes (`std::_Exit`).
    static bool walksAbandoned();
    /// A walk did not notice its stop for seconds: when the engine goes, it waits only a
    /// moment for it rather than the few seconds a walk may need.
    void expectStuckWalk() { m_exitWait = std::chrono::milliseconds(100); }

Q_SIGNALS:
    /// Matches of the current run wait in `takeRows`, in walk order: at least every 30 ms
    /// while matches come in, and the rest when the walk ends. Rows not taken while the
    /// signal is handled are dropped. (They are taken, not passed: a signal's argument
    /// reaches a slot as a copy, and a copy of every row costs the window's thread dearly.)
    void rowsFound();
    /// A walk of the current run has ended, normally or stopped; its rows came before.
    /// `topMissing`: its folder was not there (removed since the run began).
    void walkFinished(bool topMissing);
    /// What `inspectPlaces` learnt of the current run's places.
    void placesInspected(const PlaceFacts& facts);

private:
    struct Arrivals;
    /// Passes on the oldest arrivals of the current run, at most one slice of rows, and
    /// comes back for the rest after the window has handled its input.
    void handOn();

    std::shared_ptr<SearchShared> m_shared;
    std::unique_ptr<Arrivals> m_arrivals;
    QThread* m_thread = nullptr;
    SearchWorker* m_worker = nullptr;
    std::shared_ptr<ListingCache> m_listings = std::make_shared<ListingCache>(); ///< for every walk
    /// How long going waits for the walk. A walk notices a stop at its next entry, within
    /// microseconds, unless a system call does not return.
    std::chrono::milliseconds m_exitWait{3000};
};
