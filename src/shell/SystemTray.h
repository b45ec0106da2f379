#pragma once

// The main window's notification-area icon: "&Minimize to System Tray" hides the window
// behind an icon whose tip is the window's caption; double-clicking the icon or its
// "&Restore" item brings the window back, "&Exit" closes it. Where the desktop has no
// notification area the window is minimized instead, so it can never be lost.

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QMenu;
class QWidget;

/// Brings `window` to the front: shown, out of the minimized state, raised and activated.
/// `activationToken` (from the program started to ask for it) lets a Wayland compositor
/// give the window the focus; empty when there is none.
void bringForward(QWidget* window, const QByteArray& activationToken = {});

class SystemTray final : public QObject {
    Q_OBJECT
public:
    /// Asks the window to close as its File > Exit does; returns false when it refused.
    using CloseWindow = std::function<bool()>;
    /// Whether the desktop has a notification area right now.
    using TrayAvailable = std::function<bool()>;

    /// An icon for `window` (not owned; outlives this object). `closeWindow` defaults to
    /// QWidget::close, `trayAvailable` to QSystemTrayIcon::isSystemTrayAvailable.
    explicit SystemTray(QWidget* window, CloseWindow closeWindow = {},
                        TrayAvailable trayAvailable = {}, QObject* parent = nullptr);
    ~SystemTray() override;
    Q_DISABLE_COPY_MOVE(SystemTray)

    /// File > "&Minimize to System Tray": with a notification area, shows the icon (window
    /// icon, caption as tip), hides the window and sets InTray; without one, minimizes the
    /// window and leaves InTray false. Works the same every time it is called.
    void GoSystemTray();
    /// True while the window is hidden behind the icon.
    bool InTray() const { return m_inTray; }

    /// "&Restore", a double-click on the icon, or a second start of the program: removes the
    /// icon, clears InTray and brings the window forward (also from minimized).
    void mnuSysTrayRest_Click(const QByteArray& activationToken = {});
    /// "&Exit": removes the icon and asks the window to close; when the close is refused
    /// (a search is running) the window is shown again rather than left hidden.
    void mnuSysTrayExit_Click();

    /// The tray menu `mnuSysTray`: `mnuSysTrayRest` (default, bold) and `mnuSysTrayExit`.
    QMenu* menu() const { return m_menu; }
    /// The icon itself (visible only while InTray).
    QSystemTrayIcon* icon() const { return m_icon; }

Q_SIGNALS:
    /// InTray changed.
    void inTrayChanged(bool inTray);

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void setInTray(bool inTray);

    QWidget* m_window;
    CloseWindow m_closeWindow;
    TrayAvailable m_trayAvailable;
    QMenu* m_menu;
    QSystemTrayIcon* m_icon;
    bool m_inTray = false;
};
