#pragma once

#include "actions/FileCommands.h"
#include "actions/FileManagerBus.h"
#include "actions/FileOperations.h"
#include "actions/ItemCommands.h"
#include "actions/LaunchCommand.h"
#include "actions/LaunchService.h"
#include "actions/ListDragDrop.h"
#include "actions/RecentLaunchList.h"
#include "actions/RecentMenu.h"
#include "settings/CRegSettings.h"
#include "shell/OpenWithDialog.h"

#include <QObject>

#include <functional>

struct Form1Ui;
class QAction;
class QWidget;

/// The commands on result rows and the menus, keys and mouse that run them: the File menu
/// and popup items, Delete, F2 and Ctrl+C on the list, launching rows, the Recently Launched
/// submenu, dragging rows and the end of the in-place rename.
class ItemCommandWiring final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ItemCommandWiring)
public:
    /// Wires the items of `ui` (whose window is `window`) to commands acting through `host`;
    /// `searchIdle` says whether rows may be dragged now. All must outlive this.
    ItemCommandWiring(Form1Ui& ui, QWidget& window, ItemHost& host, Prompt& prompt,
                      std::function<bool()> searchIdle);
    ~ItemCommandWiring() override;

    /// LoadRecentMenu: the Recently Launched items from the stored list.
    void LoadRecentMenu();
    /// Launches the selected rows (mnuFileLaunch_Click).
    void mnuFileLaunch_Click();
    /// The popup is about to show: its enable rule.
    void preparePopup();
    /// The file operations, to wait for or cancel running jobs.
    FileOperations& fileOperations() { return m_ops; }

private:
    void connectFileMenu();
    void connectPopup();
    void connectList();
    void listShortcut(QAction* action);
    void finishRename(const QByteArray& oldPath, const QString& edited);

    Form1Ui& m_ui;
    ItemHost& m_host;
    CRegSettings m_store;
    DesktopLaunchService m_launcher;
    RecentLaunchList m_recentList;
    LaunchCommand m_launch;
    RecentLaunchMenu m_recentMenu;
    FileManagerBus m_bus;
    DesktopItemDialogs m_dialogs;
    OpenWithCommand m_openWith;
    ExploreLocationCommand m_explore;
    PropertiesCommand m_properties;
    FileOperations m_ops;
    TransferToCommand m_copyTo;
    TransferToCommand m_moveTo;
    DeleteCommand m_delete;
    RenameCommand m_rename;
    DropCommand m_drop;
    ListDragDrop m_dragDrop;
};
