#include "WindowSettings.h"

#include "results/ResultList.h"
#include "settings/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
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

QSize applyGeometry(QWidget& window, const AppSettings& settings)
{
    QRect rect = WindowGeometry::twipsToPixels(settings.geometry, window.logicalDpiX(),
                                               window.logicalDpiY());
    rect = WindowGeometry::placeOnScreens(rect, screenAreas());
    window.setGeometry(rect);
    if (settings.state == WinState::Maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return rect.size();
}

void applyColumns(ResultList& list, const AppSettings& settings)
{
    for (int column = 1; column <= kListColumnCount; ++column)
        list.setColumnWidthTwips(column, settings.columnWidths[size_t(column - 1)]);
    const auto order = columnsInDisplayOrder(settings.columnPositions);
    for (int position = 1; position <= kListColumnCount; ++position)
        list.setColumnPosition(order[size_t(position - 1)], position);
}

void collectGeometry(const QWidget& window, AppSettings& settings)
{
    // A window minimised or hidden from the maximised state keeps that flag: it comes back
    // maximised. Minimised alone is saved as normal.
    settings.state =
        window.windowState().testFlag(Qt::WindowMaximized) ? WinState::Maximized : WinState::Normal;
    settings.geometry = toTwips(window, normalRect(window));
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
