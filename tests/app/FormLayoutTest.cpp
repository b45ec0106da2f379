#include "app/FormLayout.h"

#include <gtest/gtest.h>

namespace {

constexpr int kStatus = 255;
int outerWidth(int client)
{
    return client + FormLayout::FrameWidth;
}
int outerHeight(int client)
{
    return client + FormLayout::FrameHeight;
}

FormGeometry atClientSize(int width, int height)
{
    return FormLayout::resized(FormLayout::design(), outerWidth(width), outerHeight(height), height,
                               kStatus);
}

TEST(FormLayout, ExtraWidthGoesToTheListAndTheSearchBox)
{
    const FormGeometry a = atClientSize(8790, 6585);
    const FormGeometry b = atClientSize(8790 + 1500, 6585);
    EXPECT_EQ(b.ListView1.width - a.ListView1.width, 1500);
    EXPECT_EQ(b.Text1.width - a.Text1.width, 1500);
    EXPECT_EQ(b.Command1.left - a.Command1.left, 1500);
    for (auto frame : {&FormGeometry::Frame1, &FormGeometry::Frame2, &FormGeometry::Frame3}) {
        EXPECT_EQ((b.*frame).left - (a.*frame).left, 1500);
        EXPECT_EQ((b.*frame).width, (a.*frame).width);
    }
    EXPECT_EQ(b.Command1.width, a.Command1.width);
}

TEST(FormLayout, ExtraHeightGoesToTheListAndThePresets)
{
    const FormGeometry a = atClientSize(8790, 6585);
    const FormGeometry b = atClientSize(8790, 6585 + 900);
    EXPECT_EQ(b.ListView1.height - a.ListView1.height, 900);
    EXPECT_EQ(b.Frame3.height - a.Frame3.height, 900);
    EXPECT_EQ(b.Frame1.height, a.Frame1.height);
    EXPECT_EQ(b.Frame2.height, a.Frame2.height);
    EXPECT_EQ(b.Frame3.top, a.Frame3.top);
}

TEST(FormLayout, TinyWindowSkipsStepsInsteadOfGoingNegative)
{
    const FormGeometry before = atClientSize(8790, 6585);
    const FormGeometry g = FormLayout::resized(before, 100, 100, 50, kStatus);
    EXPECT_EQ(g.ListView1.width, before.ListView1.width);
    EXPECT_EQ(g.ListView1.height, before.ListView1.height);
    EXPECT_EQ(g.Text1.width, before.Text1.width);
    EXPECT_EQ(g.Frame3.height, before.Frame3.height);
}

} // namespace
