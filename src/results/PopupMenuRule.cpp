#include "PopupMenuRule.h"

#include <QAction>
#include <QMenu>

void PopupMenuRule::apply(QMenu* menu, int selectedRows)
{
    if (!menu)
        return;
    const bool one = singleRowItemsEnabled(selectedRows);
    QAction* launch = nullptr;
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name == QLatin1String(DefaultItem))
            launch = action;
        for (const char* single : SingleRowItems) {
            if (name == QLatin1String(single))
                action->setEnabled(one);
        }
    }
    menu->setDefaultAction(launch);
}
