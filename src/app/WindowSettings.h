#pragma once
// Between the window and its stored settings: the window's state and normal geometry and
// the result list's columns, read from the widgets in twips and applied back to them.
// Geometry is the window's own rectangle (menu bar included, the desktop's frame not), so
// that what is saved is exactly what the next start applies.

#include "settings/Module1.h"

#include <QSize>

class QWidget;
class ResultList;

namespace WindowSettings {

/// What the window and list show now, in twips at the window's logical DPI: the defaults
/// that stand in for missing or unusable stored values.
CurrentWindow currentWindow(const QWidget& window, const ResultList& list);

/// Gives the (not yet shown) window the loaded state and normal geometry, moved onto the
/// screens that exist now and fitted to them. Returns the normal size applied, in pixels.
QSize applyGeometry(QWidget& window, const AppSettings& settings);

/// Sets the column widths (twips) and display positions of the list.
void applyColumns(ResultList& list, const AppSettings& settings);

/// Fills `settings`' state and geometry from the window: its normal geometry whatever its
/// state, and Maximized when it is maximised (also while minimised or hidden from there).
void collectGeometry(const QWidget& window, AppSettings& settings);

/// Fills `settings`' column widths and display positions from the list.
void collectColumns(const ResultList& list, AppSettings& settings);

/// The smallest size, in pixels, that the user may drag a window of `size` pixels to.
QSize minimumTrackSize(const QWidget& window, const QSize& size);

} // namespace WindowSettings
