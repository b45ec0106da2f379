#include "WindowSettings.h"

#include "results/ResultList.h"
#include "settings/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace WindowSettings {

namespace {

/// The available areas of every screen, the primary one first.
QList<QRect> screenAreas()
{
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    }
    return areas;
}

QRect toTwips(const QWidget& window, const QRect& pixels)
{
    return WindowGeometry::pixelsToTwips(pixels, window.logicalDpiX(), window.logicalDpiY());
}

/// The window's rectangle in its normal state, also while maximised or minimised.
QRect normalRect(const QWidget& window)
{
    const QRect normal = window.normalGeometry();
    if ((window.isMaximized() || window.isMinimized()) && normal.isValid())
        return normal;
    return window.geometry();
}

} // namespace

CurrentWindow currentWindow(const QWidget& window, const ResultList& list)
{
    CurrentWindow current;
    current.state = window.isMaximized() ? WinState::Maximized : WinState::Normal;
    const QRect rect = toTwips(window, normalRect(window));
    current.width = rect.width();
    current.height = rect.height();
    const QList<QRect> screens = screenAreas();
    if (!screens.isEmpty())
        current.screen = toTwips(window, screens.first());
    for (int column = 1; column <= kListColumnCount; ++column) {
        current.columnWidths[size_t(column - 1)] = list.columnWidthTwips(column);
        current.columnPositions[size_t(column - 1)] = list.columnPosition(column);
    }
    return current;
}

QRect applyGeometry(QWidget& window, const AppSettings& settings)
{
    QRect rect = WindowGeometry::twipsToPixels(settings.geometry, window.logicalDpiX(),
                                               window.logicalDpiY());
    // The window manager's title bar is not part of the window: the style's guess at its
    // height keeps it within reach.
    rect = WindowGeometry::placeOnScreens(rect, screenAreas(),
                                          window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    window.setGeometry(rect);
    if (settings.state == WinState::Maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return rect;
}

QSize minimumSizeAfterStart(const QWidget& window, const QRect& normal, const QSize& design)
{
    if (!window.windowState().testFlag(Qt::WindowMaximized))
        return normal.size();
    return design.boundedTo(normal.size());
}

void applyColumns(ResultList& list, const AppSettings& settings)
{
    for (int column = 1; column <= kListColumnCount; ++column)
        list.setColumnWidthTwips(column, settings.columnWidths[size_t(column - 1)]);
    const auto order = columnsInDisplayOrder(settings.columnPositions);
    for (int position = 1; position <= kListColumnCount; ++position)
        list.setColumnPosition(order[size_t(position - 1)], position);
}

void collectGeometry(const QWidget& window, const QRect& normal, AppSettings& settings)
{
    // A window minimised or hidden from the maximised state keeps that flag: it comes back
    // maximised. Minimised alone is saved as normal.
    settings.state =
        window.windowState().testFlag(Qt::WindowMaximized) ? WinState::Maximized : WinState::Normal;
    settings.geometry = toTwips(window, normal.isValid() ? normal : normalRect(window));
}

NormalGeometry::NormalGeometry(const QWidget& window)
    : m_window(window)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    QObject::connect(&m_settle, &QTimer::timeout, [this] {
        if (normal())
            m_now = m_pending;
        m_userPending = QRect();
    });
}

bool NormalGeometry::normal() const
{
    return !(m_window.windowState() &
             (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

bool NormalGeometry::fillsScreen(const QRect& rect) const
{
    const QScreen* screen = m_window.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    return area.isValid() && rect.width() >= area.width() - kFrameRoom &&
           rect.height() >= area.height() - 3 * kFrameRoom;
}

void NormalGeometry::moved()
{
    if (!normal() || !m_window.isVisible())
        return;
    m_pending = m_window.geometry();
    if (!fillsScreen(m_pending))
        m_userPending = m_pending;
    m_settle.start();
}

void NormalGeometry::stateChanged()
{
    if (normal() || !m_settle.isActive())
        return;
    // The last geometry not yet settled that does not fill the screen is the user's last
    // move or resize; one that fills it was the window manager's maximising, told before
    // its state.
    m_settle.stop();
    if (m_userPending.isValid())
        m_now = m_userPending;
    m_userPending = QRect();
}

QRect NormalGeometry::rect() const
{
    // A geometry the user gave just before closing counts: nothing maximised the window.
    return m_settle.isActive() && normal() ? m_pending : m_now;
}

void collectColumns(const ResultList& list, AppSettings& settings)
{
    for (int column = 1; column <= kListColumnCount; ++column) {
        settings.columnWidths[size_t(column - 1)] = list.columnWidthTwips(column);
        settings.columnPositions[size_t(column - 1)] = list.columnPosition(column);
    }
}

QSize minimumTrackSize(const QWidget& window, const QSize& size)
{
    const double dpiX = window.logicalDpiX();
    const double dpiY = window.logicalDpiY();
    const QSize twips(WindowGeometry::pixelsToTwips(size.width(), dpiX),
                      WindowGeometry::pixelsToTwips(size.height(), dpiY));
    return WindowGeometry::minimumTrackSize(twips, dpiX, dpiY);
}

} // namespace WindowSettings
