#pragma once

#include <array>

class QMenu;

/// The enable rule of the result list's popup menu: the items that act on one row are
/// enabled only while at most one row is selected, and "&Launch" is the default (bold) item.
/// The other items keep whatever state they have.
class PopupMenuRule final {
public:
    /// Object names of the items that act on a single row: "&Rename...", "&Open with...",
    /// "&Properties..." and "&Explore location...".
    static constexpr std::array<const char*, 4> SingleRowItems = {"mnuPopRename", "mnuPopOW",
                                                                  "mnuPopProp", "mnupopexplore"};
    /// Object name of the default item.
    static constexpr const char* DefaultItem = "mnuPopLaunch";

    /// True when the single-row items are enabled for `selectedRows` selected rows (0 or 1).
    static bool singleRowItemsEnabled(int selectedRows) { return selectedRows <= 1; }

    /// Applies the rule to `menu` before it is shown: enables or disables its single-row
    /// items (found by object name; missing ones are skipped) and makes the item named
    /// `DefaultItem` the default. A null menu is ignored.
    static void apply(QMenu* menu, int selectedRows);
};
