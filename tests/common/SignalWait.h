#pragma once

// Waiting for the program's state in the event loop, woken by a signal rather than a poll.

#include <QDeadlineTimer>
#include <QSignalSpy>

#include <functional>

/// Runs the event loop until `done` holds, checking it again each time `sender` emits
/// `signal`; false when `timeoutMs` passes first.
template<typename Sender, typename Signal>
bool waitUntil(Sender* sender, Signal signal, const std::function<bool()>& done,
               int timeoutMs = 20000)
{
    QSignalSpy spy(sender, signal);
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired() || !spy.wait(int(qMax<qint64>(1, deadline.remainingTime()))))
            return done();
    }
    return true;
}
