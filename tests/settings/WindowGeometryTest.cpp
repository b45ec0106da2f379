#include "settings/WindowGeometry.h"

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ')';
}

namespace {

using namespace WindowGeometry;

TEST(WindowGeometry, TwipsFollowTheLogicalDpi)
{
    struct Case {
        double dpi;
        double perPixel;
        int pixelsOf9600;
    };
    for (const Case c : {Case{96, 15, 640}, Case{192, 7.5, 1280}, Case{0, 15, 640}}) {
        EXPECT_DOUBLE_EQ(twipsPerPixel(c.dpi), c.perPixel) << c.dpi;
        EXPECT_EQ(twipsToPixels(9600, c.dpi), c.pixelsOf9600) << c.dpi;
        EXPECT_EQ(pixelsToTwips(c.pixelsOf9600, c.dpi), 9600) << c.dpi;
    }
    const QRect pixels(-100, 50, 641, 481);
    EXPECT_EQ(twipsToPixels(pixelsToTwips(pixels, 96, 144), 96, 144), pixels);
    EXPECT_EQ(pixelsToTwips(pixels, 96, 144), QRect(-1500, 500, 9615, 4810));
    EXPECT_EQ(minimumTrackSize(QSize(9615, 7214), 96, 96), QSize(641, 480));
    EXPECT_EQ(minimumTrackSize(QSize(9615, 7214), 144, 120), QSize(961, 601));
}

TEST(WindowGeometry, CentresOnTheGivenScreen)
{
    EXPECT_EQ(centred(QSize(640, 480), QRect(1920, 100, 1280, 1024)), QPoint(2240, 372));
}

// A 1920×1040 primary screen (task bar below) and a 1280×1024 screen to its right.
TEST(WindowGeometry, KeepsVisibleWindowsAndBringsBackLostOnes)
{
    const QList<QRect> screens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    const struct {
        const char* what;
        QRect window;
        QRect expected;
    } cases[] = {
        {"inside", QRect(100, 100, 800, 600), QRect(100, 100, 800, 600)},
        {"across two", QRect(1500, 100, 800, 600), QRect(1500, 100, 800, 600)},
        {"partly off", QRect(-400, 100, 800, 600), QRect(-400, 100, 800, 600)},
        {"far right", QRect(5000, 100, 800, 600), QRect(2400, 100, 800, 600)},
        {"far left", QRect(-3000, 200, 800, 600), QRect(0, 200, 800, 600)},
        {"below", QRect(100, 2000, 800, 600), QRect(100, 440, 800, 600)},
        {"a sliver", QRect(-790, 100, 800, 600), QRect(0, 100, 800, 600)},
        {"too big", QRect(0, 0, 3000, 2000), QRect(0, 0, 1920, 1040)},
        {"too tall", QRect(100, 100, 800, 1500), QRect(100, 0, 800, 1040)},
        {"too big off", QRect(9000, 9000, 3000, 3000), QRect(1920, 0, 1280, 1024)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeOnScreens(c.window, screens), c.expected) << c.what;
    // No screens leave the window alone.
    EXPECT_EQ(placeOnScreens(QRect(5000, 5000, 10, 10), {}), QRect(5000, 5000, 10, 10));
}

} // namespace
