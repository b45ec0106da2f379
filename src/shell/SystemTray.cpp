#include "SystemTray.h"

#include "shell/ProgramIcon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

void bringForward(QWidget* window, const QByteArray& activationToken)
{
    if (!activationToken.isEmpty()) // Qt's Wayland activation reads it on activateWindow()
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

SystemTray::SystemTray(QWidget* window, CloseWindow closeWindow, TrayAvailable trayAvailable,
                       QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_closeWindow(closeWindow ? std::move(closeWindow) : [window] { return window->close(); })
    , m_trayAvailable(trayAvailable ? std::move(trayAvailable)
                                    : &QSystemTrayIcon::isSystemTrayAvailable)
    , m_menu(new QMenu(QStringLiteral("ppp")))
    , m_icon(new QSystemTrayIcon(this))
{
    m_menu->setObjectName(QStringLiteral("mnuSysTray"));
    QAction* restore = m_menu->addAction(QStringLiteral("&Restore"));
    restore->setObjectName(QStringLiteral("mnuSysTrayRest"));
    QFont bold = restore->font();
    bold.setBold(true);
    restore->setFont(bold);
    m_menu->setDefaultAction(restore);
    QAction* exit = m_menu->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("mnuSysTrayExit"));
    connect(restore, &QAction::triggered, this, [this] { mnuSysTrayRest_Click(); });
    connect(exit, &QAction::triggered, this, &SystemTray::mnuSysTrayExit_Click);

    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, &SystemTray::onActivated);
}

SystemTray::~SystemTray()
{
    m_icon->hide();
    delete m_menu; // a menu with no parent widget, so that it is not part of the window
}

void SystemTray::GoSystemTray()
{
    if (!m_trayAvailable()) {
        m_window->showMinimized();
        return;
    }
    QIcon icon = m_window->windowIcon();
    if (icon.isNull())
        icon = ProgramIcon::icon();
    m_icon->setIcon(icon);
    m_icon->setToolTip(m_window->windowTitle());
    m_icon->show();
    setInTray(true);
    m_window->hide(); // a hidden window has no task-bar entry either
}

void SystemTray::mnuSysTrayRest_Click(const QByteArray& activationToken)
{
    setInTray(false);
    m_icon->hide();
    bringForward(m_window, activationToken);
}

void SystemTray::mnuSysTrayExit_Click()
{
    m_icon->hide();
    if (m_closeWindow())
        setInTray(false);
    else // refused while a search runs: never leave the window hidden with no icon
        mnuSysTrayRest_Click();
}

void SystemTray::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick && m_inTray)
        mnuSysTrayRest_Click();
}

void SystemTray::setInTray(bool inTray)
{
    if (m_inTray == inTray)
        return;
    m_inTray = inTray;
    Q_EMIT inTrayChanged(inTray);
}
