#pragma once

/// A control's place in twips (1/1440 inch), relative to the window's client area.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

/// The places of the main window's resizable controls.
struct FormGeometry {
    TwipRect Label1;
    TwipRect Text1;
    TwipRect Command1;
    TwipRect ListView1;
    TwipRect Frame1;
    TwipRect Frame2;
    TwipRect Frame3;
    friend bool operator==(const FormGeometry&, const FormGeometry&) = default;
};

namespace FormLayout {

/// Width and height of the design client area, in twips.
constexpr int DesignClientWidth = 8790;
constexpr int DesignClientHeight = 6585;
/// What the window's frame and menu add to the client area, in twips: the outer size that
/// the resize rules start from is the client size plus these.
constexpr int FrameWidth = 60;
constexpr int FrameHeight = 710;

/// The places at the design size.
FormGeometry design();

/// The resize rules: the list and the search box take all extra width, the list and the
/// "Presets:" frame all extra height; the right-hand frames keep their width. W and H are
/// the window's outer size, CH its client height, all in twips. A step whose result would be
/// a negative size is skipped and leaves that control where it was.
FormGeometry resized(const FormGeometry& current, int W, int H, int CH, int statusBarHeight);

} // namespace FormLayout
