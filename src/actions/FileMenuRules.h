#pragma once

#include <QList>

class QMenu;

/// One menu item's enabled state, by its object name.
struct MenuItemState {
    const char* objectName;
    bool enabled;
};

/// The File menu's rule, applied each time it opens (mnuFile_Click): items on rows need at
/// least one row; Open with, Rename, Explore location and Properties also need at most one
/// selected row; the rest are always enabled. `selectedCount` counts selected rows (0 when
/// none).
QList<MenuItemState> fileMenuRule(int rowCount, int selectedCount);

/// The popup's rule before it shows: Open with, Rename, Explore location and Properties
/// are enabled when at most one row is selected; other items are left as they are.
QList<MenuItemState> popupMenuRule(int selectedCount);

/// Sets the enabled state of the menu's items (and of submenu items such as mnuFileRecent)
/// named in `states`; names the menu lacks are skipped.
void applyMenuRule(QMenu& menu, const QList<MenuItemState>& states);
