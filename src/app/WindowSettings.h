#pragma once
// Between the window and its stored settings: the window's state and normal geometry and
// the result list's columns, read from the widgets in twips and applied back to them.
// Geometry is the window's own rectangle (menu bar included, the desktop's frame not), so
// that what is saved is exactly what the next start applies.

#include "settings/Module1.h"

#include <QRect>
#include <QSize>
#include <QTimer>

class QWidget;
class ResultList;

namespace WindowSettings {

/// What the window and list show now, in twips at the window's logical DPI: the defaults
/// that stand in for missing or unusable stored values.
CurrentWindow currentWindow(const QWidget& window, const ResultList& list);

/// Gives the (not yet shown) window the loaded state and normal geometry, moved onto the
/// screens that exist now and fitted to them. Returns the normal geometry applied, in pixels.
QRect applyGeometry(QWidget& window, const AppSettings& settings);

/// The smallest size the user may drag the window to once `applyGeometry` gave it `normal`:
/// that size, or for a window that starts maximised, where nothing showed the stored size
/// yet, its design size `design` (no larger than `normal`, which un-maximising brings back).
QSize minimumSizeAfterStart(const QWidget& window, const QRect& normal, const QSize& design);

/// Sets the column widths (twips) and display positions of the list.
void applyColumns(ResultList& list, const AppSettings& settings);

/// Fills `settings`' state and geometry from the window: `normal` (or, when that is not
/// valid, what Qt knows of its normal geometry) whatever its state, and Maximized when it is
/// maximised (also while minimised or hidden from there).
void collectGeometry(const QWidget& window, const QRect& normal, AppSettings& settings);

/// The window's geometry in its normal state, followed through its moves and resizes: when a
/// window manager maximises the window, Qt on X11 keeps no normal geometry, and what was
/// saved would be the whole screen, which the next start then could not shrink below.
/// A window manager may resize the window before it says that it maximised it, so a new
/// geometry counts once the window has kept it, still normal, for a moment, or when the
/// window is maximised before then with a geometry that does not fill the screen.
class NormalGeometry {
public:
    explicit NormalGeometry(const QWidget& window);
    Q_DISABLE_COPY_MOVE(NormalGeometry)

    /// The geometry given before the window shows.
    void start(const QRect& normal) { m_now = normal; }
    /// After a move or resize.
    void moved();
    /// After a change of state: a geometry not yet settled counts, unless it fills the screen.
    void stateChanged();
    /// The normal geometry, or an invalid one before any is known.
    QRect rect() const;
    /// Whether `rect` fills the window's screen, as a maximised window does.
    bool fillsScreen(const QRect& rect) const;

    /// How long a geometry must stay to count as the normal one.
    static constexpr int kSettleMs = 300;
    /// What a window manager's frame may take of the screen's width (and three times that of
    /// its height, for the title bar) around a maximised window.
    static constexpr int kFrameRoom = 32;

private:
    bool normal() const;

    const QWidget& m_window;
    QRect m_now;
    QRect m_pending;     ///< the last geometry, not yet settled
    QRect m_userPending; ///< the last of them that does not fill the screen
    QTimer m_settle;
};

/// Fills `settings`' column widths and display positions from the list.
void collectColumns(const ResultList& list, AppSettings& settings);

/// The smallest size, in pixels, that the user may drag a window of `size` pixels to.
QSize minimumTrackSize(const QWidget& window, const QSize& size);

} // namespace WindowSettings
