#include "FileManagerBus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

FileManagerBus::FileManagerBus(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{}

void FileManagerBus::showItem(const QByteArray& uri, std::function<void()> onFailed)
{
    call(QStringLiteral("ShowItems"), uri, std::move(onFailed));
}

void FileManagerBus::showItemProperties(const QByteArray& uri, std::function<void()> onFailed)
{
    call(QStringLiteral("ShowItemProperties"), uri, std::move(onFailed));
}

void FileManagerBus::call(const QString& method, const QByteArray& uri,
                          std::function<void()> onFailed)
{
    if (!m_connection.isConnected()) {
        onFailed();
        return;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    // The address is ASCII: every other byte of the name is percent-encoded.
    message << QStringList{QString::fromLatin1(uri)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message, 10000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [onFailed = std::move(onFailed)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (finished->isError())
                    onFailed();
            });
}
