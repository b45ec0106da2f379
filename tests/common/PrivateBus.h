#pragma once

// A session bus of the test's own (a dbus-daemon it starts and ends), never the user's, and a
// stand-in file manager that records the calls it gets on it.

#include <QByteArray>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

class PrivateBus final {
public:
    /// Starts dbus-daemon with its socket below $HOME/bus; running() tells whether it did.
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        const QByteArray folder = qgetenv("HOME") + "/bus";
        QDir().mkpath(QFile::decodeName(folder));
        QFile config(QFile::decodeName(folder + "/bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write("<busconfig><type>session</type>"
                     "<listen>unix:dir=" +
                     folder +
                     "</listen>"
                     "<auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                     "<allow own=\"*\"/>"
                     "</policy></busconfig>");
        config.close();
        m_process.start(daemon, {u"--config-file=" + config.fileName(), QStringLiteral("--nofork"),
                                 QStringLiteral("--print-address=1")});
        if (m_process.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_process.readLine().trimmed());
    }
    ~PrivateBus()
    {
        for (const QString& name : m_connections)
            QDBusConnection::disconnectFromBus(name);
        m_process.terminate();
        m_process.waitForFinished();
    }
    Q_DISABLE_COPY_MOVE(PrivateBus)

    /// False when dbus-daemon is missing or did not start.
    bool running() const { return !m_address.isEmpty(); }
    /// The address clients connect to (for DBUS_SESSION_BUS_ADDRESS).
    QString address() const { return m_address; }
    /// A new connection to the bus under `name`.
    QDBusConnection connect(const QString& name)
    {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_process;
    QString m_address;
    QStringList m_connections;
};

/// A stand-in file manager (org.freedesktop.FileManager1): records each call as
/// "items <uris>" or "properties <uris>".
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList calls;

    /// Serves the file manager's object and name on `connection`; false when refused.
    bool serveOn(QDBusConnection connection)
    {
        return connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), this,
                                         QDBusConnection::ExportAllSlots) &&
               connection.registerService(QStringLiteral("org.freedesktop.FileManager1"));
    }

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&)
    {
        calls << u"items " + uris.join(u' ');
    }
    void ShowItemProperties(const QStringList& uris, const QString&)
    {
        calls << u"properties " + uris.join(u' ');
    }
};
