#pragma once

#include "search/ResultRow.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

/// Hands batches of found rows on to the list at most once per interval while a search
/// runs: batches that come meanwhile wait and go on together, so the list merges, lays out
/// and repaints once for all of them. A batch after a quiet interval goes on at once, and
/// `flush` hands on what waits at once (the end of a walk shows its last rows without delay).
class RowPacer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowPacer)
public:
    /// Takes the batches that are handed on, in the order they came.
    using Show = std::function<void(RowBatches batches)>;

    /// A pacer handing rows to `show` at most once per `interval`.
    explicit RowPacer(Show show,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(100),
                      QObject* parent = nullptr);

    /// Hands `rows` on now if the interval since the last hand-over has passed and nothing
    /// waits; otherwise they wait for the end of the interval.
    void add(ResultRows rows);
    /// Hands on every waiting row now.
    void flush();
    /// Forgets the waiting rows (a new search); the next batch goes on at once.
    void drop();
    /// How many rows wait.
    size_t waiting() const;

private:
    void handOn(RowBatches batches);

    Show m_show;
    std::chrono::milliseconds m_interval;
    QTimer m_timer;
    QElapsedTimer m_lastShown;
    RowBatches m_waiting;
};
