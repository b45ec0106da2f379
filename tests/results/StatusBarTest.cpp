#include "results/sbStatusBar.h"

#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(StatusBar, PanelsStartWithTheirTextsAndNames)
{
    sbStatusBar bar;
    EXPECT_EQ(bar.objectName(), u"sbStatusBar");
    const char* names[] = {"pnlHint", "pnlState", "pnlProgress", "pnlActivity"};
    const char* descriptions[] = {"Hint", "State", "Count", "Activity"};
    for (int p = 1; p <= 4; ++p) {
        ASSERT_NE(bar.panel(p), nullptr);
        EXPECT_EQ(bar.panel(p)->objectName(), QLatin1String(names[p - 1]));
        EXPECT_EQ(bar.panel(p)->accessibleDescription(), QLatin1String(descriptions[p - 1]));
        EXPECT_EQ(bar.findChild<QLabel*>(QLatin1String(names[p - 1])), bar.panel(p));
    }
    EXPECT_EQ(bar.panel(0), nullptr);
    EXPECT_EQ(bar.panelText(1), sbStatusBar::copyrightLine());
    EXPECT_TRUE(sbStatusBar::copyrightLine().startsWith(u"Copyright \u00A9"));
    EXPECT_EQ(bar.panelText(2), u"Ready");
    EXPECT_EQ(bar.panelText(3), u"");
    EXPECT_FALSE(bar.activity());
    // 1440 twips are 96 pixels at 96 dots per inch.
    const double perTwip = bar.logicalDpiX() / 1440.0;
    EXPECT_NEAR(bar.panel(1)->minimumWidth(), 1440 * perTwip, 1);
    // At least their nominal widths, and wide enough for their longest texts.
    EXPECT_GE(bar.panel(2)->width(), qRound(1440 * perTwip));
    EXPECT_GE(bar.panel(3)->minimumWidth(), qRound(1400 * perTwip));
    EXPECT_GT(bar.panel(2)->width(),
              bar.panel(2)->fontMetrics().horizontalAdvance(u"Search cancelled"_qs));
    EXPECT_GT(bar.panel(3)->width(),
              bar.panel(3)->fontMetrics().horizontalAdvance(u"10,000 item(s) found."_qs));
    EXPECT_GE(bar.panel(4)->minimumWidth(), 15); // the light fits
}

TEST(StatusBar, TextsAreAccessibleNames)
{
    sbStatusBar bar;
    bar.setPanelText(3, QStringLiteral("12 item(s) found."));
    EXPECT_EQ(bar.panelText(3), u"12 item(s) found.");
    EXPECT_EQ(bar.panel(3)->accessibleName(), u"12 item(s) found.");
    bar.setPanelText(2, QStringLiteral("Searching..."));
    EXPECT_EQ(bar.panel(2)->accessibleName(), u"Searching...");
    bar.setPanelText(5, QStringLiteral("x")); // ignored
    EXPECT_EQ(bar.panelText(5), u"");
}

TEST(StatusBar, ActivityLightIsRedWhileRunning)
{
    sbStatusBar bar;
    for (const bool running : {true, false}) {
        bar.setActivity(running);
        EXPECT_EQ(bar.activity(), running);
        const QImage light = bar.panel(4)->pixmap().toImage();
        ASSERT_EQ(light.size(), QSize(15, 14));
        const QColor centre = light.pixelColor(7, 7);
        if (running) {
            EXPECT_GT(centre.red(), centre.green());
        } else {
            EXPECT_GT(centre.green(), centre.red());
        }
        EXPECT_EQ(light.pixelColor(0, 0).alpha(), 0) << "round, not square";
    }
}

TEST(StatusBar, PointerOverTheBarIsReported)
{
    sbStatusBar bar;
    bar.resize(600, 24);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy moved(&bar, &sbStatusBar::pointerMoved);
    QTest::mouseMove(bar.panel(2), QPoint(5, 5));
    QTest::mouseMove(bar.panel(1), QPoint(8, 5));
    EXPECT_EQ(moved.count(), 2);
}

} // namespace
