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
    if (m_waiting.empty() && since >= m_interval.count()) {
        handOn(std::move(rows));
        return;
    }
    if (m_waiting.empty()) {
        m_waiting = std::move(rows);
    } else {
        if (m_waiting.capacity() < m_waiting.size() + rows.size()) // grow by halves at least
            m_waiting.reserve(std::max(m_waiting.size() + rows.size(), m_waiting.size() * 3 / 2));
        m_waiting.insert(m_waiting.end(), std::make_move_iterator(rows.begin()),
                         std::make_move_iterator(rows.end()));
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
    ResultRows().swap(m_waiting);
    m_lastShown.invalidate();
}

void RowPacer::handOn(ResultRows rows)
{
    m_lastShown.start();
    m_show(std::move(rows));
}
