#include "results/sbStatusBar.h"

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

TEST(StatusBar, PanelsAreWideEnoughAndSayTheirTexts)
{
    sbStatusBar bar;
    EXPECT_GT(bar.panel(2)->width(),
              bar.panel(2)->fontMetrics().horizontalAdvance(u"Search cancelled"_qs));
    EXPECT_GT(bar.panel(3)->width(),
              bar.panel(3)->fontMetrics().horizontalAdvance(u"10,000 item(s) found."_qs));
    // Texts are the panels' accessible names; panels that do not exist are ignored.
    bar.setPanelText(3, QStringLiteral("12 item(s) found."));
    EXPECT_EQ(bar.panel(3)->accessibleName(), u"12 item(s) found.");
    bar.setPanelText(5, QStringLiteral("x"));
    EXPECT_EQ(bar.panelText(5), u"");
}

TEST(StatusBar, ANameWithLineBreaksStaysOnOneLine)
{
    // Selected rows put their path here; a name's line break must not make the bar taller.
    sbStatusBar bar;
    bar.setPanelText(1, u"/home/u/line\nbreak\r\u2028x\u2029y\u0085z\tend"_qs);
    EXPECT_EQ(bar.panelText(1), u"/home/u/line\u23CEbreak\u23CE\u23CEx\u23CEy\u23CEz\uFFFDend"_qs);
    EXPECT_EQ(bar.panel(1)->accessibleName(), bar.panelText(1));
    EXPECT_EQ(bar.panel(1)->sizeHint().height(), bar.panel(2)->sizeHint().height());
}

TEST(StatusBar, ActivityLightIsRedWhileRunning)
{
    sbStatusBar bar;
    for (const bool running : {true, false}) {
        bar.setActivity(running);
        const QImage light = bar.panel(4)->pixmap().toImage();
        ASSERT_FALSE(light.isNull());
        const QColor centre = light.pixelColor(light.width() / 2, light.height() / 2);
        EXPECT_EQ(centre.red() > centre.green(), running);
        EXPECT_EQ(light.pixelColor(0, 0).alpha(), 0) << "round, not square";
    }
}

} // namespace
