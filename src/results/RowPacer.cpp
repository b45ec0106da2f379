#include "RowPacer.h"

#include <algorithm>
#include <utility>

RowPacer::RowPacer(Show show, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent)
    , m_show(std::move(show))
    , m_interval(interval)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RowPacer::flush);
}

void RowPacer::add(ResultRows rows)
{
    if (rows.empty())
        return;
    const qint64 since = m_lastShown.isValid() ? m_lastShown.elapsed() : m_interval.count();
    const bool now = m_waiting.empty() && since >= m_interval.count();
    m_waiting.push_back(std::move(rows));
    if (now) {
        flush();
        return;
    }
    if (!m_timer.isActive())
        m_timer.start(std::chrono::milliseconds(std::max<qint64>(m_interval.count() - since, 0)));
}

void RowPacer::flush()
{
    m_timer.stop();
    if (!m_waiting.empty())
        handOn(std::exchange(m_waiting, {}));
}

void RowPacer::drop()
{
    m_timer.stop();
    RowBatches().swap(m_waiting);
    m_lastShown.invalidate();
}

size_t RowPacer::waiting() const
{
    size_t rows = 0;
    for (const ResultRows& batch : m_waiting)
        rows += batch.size();
    return rows;
}

void RowPacer::handOn(RowBatches batches)
{
    m_lastShown.start();
    m_show(std::move(batches));
}
