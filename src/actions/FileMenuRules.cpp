#include "FileMenuRules.h"

#include <QAction>
#include <QMenu>

QList<MenuItemState> fileMenuRule(int rowCount, int selectedCount)
{
    const bool rows = rowCount > 0;
    const bool single = rows && selectedCount <= 1;
    return {
        {"mnuFileLaunch", rows}, {"mnuFileOW", single},     {"mnuFileRecent", true},
        {"mnuFileClip", rows},   {"mnuFileCopy", rows},     {"mnuFileMove", rows},
        {"mnuFileDelete", rows}, {"mnuFileRename", single}, {"mnuFileExplore", single},
        {"mnuFileProp", single}, {"mnuFileSelAll", true},   {"mnuFileSysTray", true},
        {"mnuFileExit", true},
    };
}

QList<MenuItemState> popupMenuRule(int selectedCount)
{
    const bool one = selectedCount <= 1;
    return {{"mnuPopRename", one}, {"mnuPopOW", one}, {"mnuPopProp", one}, {"mnupopexplore", one}};
}

void applyMenuRule(QMenu& menu, const QList<MenuItemState>& states)
{
    const QList<QAction*> actions = menu.actions();
    for (const MenuItemState& state : states) {
        const QLatin1String name(state.objectName);
        for (QAction* action : actions) {
            // A submenu is found by its own name as well as its action's.
            const bool named = action->objectName() == name ||
                               (action->menu() && action->menu()->objectName() == name);
            if (named)
                action->setEnabled(state.enabled);
        }
    }
}
