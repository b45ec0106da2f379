#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the window's thread, so that an
/// ending desktop session (which sends SIGTERM) or Ctrl+C closes the program through its
/// normal close path. The handler only writes the signal number to a pipe that a socket
/// notifier reads. One instance at a time; the previous handlers come back when it goes.
class TerminationSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)
public:
    /// Installs the handlers; isActive() tells whether that worked.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    /// True when the handlers are installed.
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    /// One of the signals arrived (its number).
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
