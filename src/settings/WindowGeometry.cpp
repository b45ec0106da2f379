#include "WindowGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace WindowGeometry {
namespace {

constexpr double kTwipsPerInch = 1440.0;

/// Squared distance between two rectangles, 0 when they touch or overlap.
long long gapSquared(const QRect& a, const QRect& b)
{
    const long long dx =
        std::max<long long>({0, (long long)b.left() - a.right(), (long long)a.left() - b.right()});
    const long long dy =
        std::max<long long>({0, (long long)b.top() - a.bottom(), (long long)a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

/// Whether enough of `window` shows on `screen` to be found and dragged back.
long long area(const QRect& rect)
{
    return rect.isEmpty() ? 0 : (long long)rect.width() * rect.height();
}

bool showsEnough(const QRect& window, const QList<QRect>& screens)
{
    // Screens do not overlap: what shows is the sum of what each shows.
    long long shown = 0;
    for (const QRect& screen : screens)
        shown += area(window.intersected(screen));
    return shown * 2 >= area(window);
}

/// The screen a window belongs to: the one showing most of it, else the nearest.
const QRect& homeScreen(const QRect& window, const QList<QRect>& screens)
{
    qsizetype best = 0;
    long long bestArea = -1;
    long long bestGap = std::numeric_limits<long long>::max();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const long long shown = area(window.intersected(screens[i]));
        const long long gap = gapSquared(window, screens[i]);
        if (shown > bestArea || (shown == bestArea && gap < bestGap)) {
            best = i;
            bestArea = shown;
            bestGap = gap;
        }
    }
    return screens[best];
}

/// `start` moved as little as possible so that `length` fits from `low` to `high`.
int clampInto(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length + 1));
}

} // namespace

double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? kTwipsPerInch / logicalDpi : 15.0;
}

int twipsToPixels(double twips, double logicalDpi)
{
    return int(std::lround(twips / twipsPerPixel(logicalDpi)));
}

int pixelsToTwips(double pixels, double logicalDpi)
{
    return int(std::lround(pixels * twipsPerPixel(logicalDpi)));
}

QRect twipsToPixels(const QRect& twips, double dpiX, double dpiY)
{
    return {twipsToPixels(twips.x(), dpiX), twipsToPixels(twips.y(), dpiY),
            twipsToPixels(twips.width(), dpiX), twipsToPixels(twips.height(), dpiY)};
}

QRect pixelsToTwips(const QRect& pixels, double dpiX, double dpiY)
{
    return {pixelsToTwips(pixels.x(), dpiX), pixelsToTwips(pixels.y(), dpiY),
            pixelsToTwips(pixels.width(), dpiX), pixelsToTwips(pixels.height(), dpiY)};
}

QSize minimumTrackSize(const QSize& twips, double dpiX, double dpiY)
{
    // Whole twips per pixel, as the window's own units count them (15 at 96 dpi).
    const long long perX = std::max(1L, std::lround(twipsPerPixel(dpiX)));
    const long long perY = std::max(1L, std::lround(twipsPerPixel(dpiY)));
    return {int(std::max(0LL, (long long)twips.width() / perX)),
            int(std::max(0LL, (long long)twips.height() / perY))};
}

QPoint centred(const QSize& size, const QRect& screen)
{
    // Screen width − screen width / 2 − window width / 2, measured from the screen's corner.
    const double x = screen.width() - screen.width() / 2.0 - size.width() / 2.0;
    const double y = screen.height() - screen.height() / 2.0 - size.height() / 2.0;
    return {screen.left() + int(std::lround(x)), screen.top() + int(std::lround(y))};
}

QRect placeOnScreens(const QRect& window, const QList<QRect>& screens, int titleRoom)
{
    if (screens.isEmpty() || window.isEmpty())
        return window;
    // The window with its title bar above it, which must stay within reach of the pointer.
    const QRect framed = window.adjusted(0, -titleRoom, 0, 0);
    const QRect& screen = homeScreen(framed, screens);
    const bool tooWide = framed.width() > screen.width();
    const bool tooTall = framed.height() > screen.height();
    const bool visible = showsEnough(framed, screens);
    // At least half of the title bar on a screen, or the window cannot be dragged back.
    const int titleRow = window.top() - titleRoom / 2;
    const bool titleShown = std::any_of(screens.begin(), screens.end(), [&](const QRect& s) {
        return titleRow >= s.top() && titleRow <= s.bottom() &&
               QRect(framed.left(), titleRow, framed.width(), 1).intersects(s);
    });
    if (visible && titleShown && !tooWide && !tooTall)
        return window;
    QRect placed(framed.topLeft(), QSize(std::min(framed.width(), screen.width()),
                                         std::min(framed.height(), screen.height())));
    placed.moveLeft(clampInto(placed.left(), placed.width(), screen.left(), screen.right()));
    placed.moveTop(clampInto(placed.top(), placed.height(), screen.top(), screen.bottom()));
    return placed.adjusted(0, titleRoom, 0, 0);
}

} // namespace WindowGeometry
