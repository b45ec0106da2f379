#pragma once

// Window geometry between the stored twips and the screen's pixels, and the placement of a
// restored window on the screens that exist now. Plain functions, no widgets.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace WindowGeometry {

/// Twips per pixel at `logicalDpi` dots per inch (15 at 96); 15 for a DPI that is not positive.
double twipsPerPixel(double logicalDpi);

/// Twips to pixels at `logicalDpi`, rounded to the nearest pixel.
int twipsToPixels(double twips, double logicalDpi);

/// Pixels to twips at `logicalDpi`, rounded to the nearest twip.
int pixelsToTwips(double pixels, double logicalDpi);

/// A rectangle in twips as pixels, each axis with its own DPI.
QRect twipsToPixels(const QRect& twips, double dpiX, double dpiY);

/// A rectangle in pixels as twips, each axis with its own DPI.
QRect pixelsToTwips(const QRect& pixels, double dpiX, double dpiY);

/// The smallest size the user may drag the window to: the size in twips, rounded to whole
/// twips, divided by the whole twips per pixel with the remainder dropped.
QSize minimumTrackSize(const QSize& twips, double dpiX, double dpiY);

/// The top-left corner that centres a window of `size` on `screen` (any unit, both alike).
QPoint centred(const QSize& size, const QRect& screen);

/// Where a restored window goes, in pixels, given the available areas of the screens that
/// exist now (the first is the primary one). A window that shows at least half of itself on
/// the screens keeps its place, also across two of them; one mostly or wholly off them (a
/// place kept from a larger screen) moves onto the screen that shows most of it, else the
/// nearest, by as little as it takes. A window larger than its screen's available area is
/// shrunk to it and moved inside it. No screens, or an empty window: `window` unchanged.
/// `titleRoom` is the height of the title bar a window manager puts above the window: at
/// least half of it must be on a screen, so that the window can be dragged.
QRect placeOnScreens(const QRect& window, const QList<QRect>& screens, int titleRoom = 0);

} // namespace WindowGeometry
