#include "FormLayout.h"

namespace FormLayout {

FormGeometry design()
{
    FormGeometry g;
    g.Label1 = {60, 120, 1005, 225};
    g.Text1 = {1110, 60, 6495, 315};
    g.Command1 = {7680, 30, 1005, 345};
    g.ListView1 = {30, 540, 6315, 5715};
    g.Frame1 = {6420, 450, 2295, 3795};
    g.Frame2 = {6420, 4260, 2295, 1005};
    g.Frame3 = {6420, 5280, 2295, 975};
    return g;
}

FormGeometry resized(const FormGeometry& current, int W, int H, int CH, int statusBarHeight)
{
    FormGeometry g = current;

    const int listWidth = W - 240 - g.Frame1.width;
    const int listHeight = CH - (statusBarHeight + 550);
    if (listWidth >= 0 && listHeight >= 0) {
        g.ListView1.left = 10;
        g.ListView1.width = listWidth;
        g.ListView1.height = listHeight;
    }

    const int frameLeft = g.ListView1.width + 80;
    g.Frame1.left = frameLeft;
    g.Frame2.left = frameLeft;
    g.Frame2.top = g.Frame1.top + g.Frame1.height;
    g.Frame3.left = frameLeft;
    g.Frame3.top = g.Frame1.top + g.Frame1.height + g.Frame2.height;
    const int presetsHeight = H - (statusBarHeight + g.Frame1.height + g.Frame2.height + 1265);
    if (presetsHeight >= 0)
        g.Frame3.height = presetsHeight;

    const int textWidth = W - (g.Command1.width + 350 + g.Label1.width);
    if (textWidth >= 0)
        g.Text1.width = textWidth;
    g.Command1.left = g.Text1.left + g.Text1.width + 50;
    return g;
}

} // namespace FormLayout
