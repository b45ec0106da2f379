#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>

#include <functional>

/// The desktop's file manager over D-Bus (org.freedesktop.FileManager1). Calls never wait:
/// the answer arrives on the window's thread, and `onFailed` runs when no file manager took
/// the request (no bus, no such service, an error reply).
class FileManagerBus final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileManagerBus)
public:
    /// Uses `connection` (the session bus in the program, a private bus in tests).
    explicit FileManagerBus(const QDBusConnection& connection, QObject* parent = nullptr);

    /// Shows the item `uri` selected in its folder.
    void showItem(const QByteArray& uri, std::function<void()> onFailed);
    /// Shows the item's properties.
    void showItemProperties(const QByteArray& uri, std::function<void()> onFailed);

private:
    void call(const QString& method, const QByteArray& uri, std::function<void()> onFailed);

    QDBusConnection m_connection;
};
