#pragma once

#include <QObject>

class ItemHost;
class LaunchService;
class RecentLaunchList;

/// Launch (mnuFileLaunch, mnuPopLaunch, double-click and Enter in the list) and the
/// Recently Launched items (mnuRecentLaunch).
class LaunchCommand final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LaunchCommand)
public:
    /// The services are not owned and must outlive the command.
    LaunchCommand(ItemHost& host, LaunchService& launcher, RecentLaunchList& recent,
                  QObject* parent = nullptr);

    /// Launches the selected rows in list order, unless the last button pressed over the
    /// list was the right one or the list is empty. Each started item is added to the
    /// desktop's recent documents and made entry "1" of the recent list, also when no
    /// program opens it (the user was told); an item that is gone is not recorded. Nothing
    /// selected: nothing.
    void mnuFileLaunch_Click();
    /// The popup's Launch: clears LastListButton, then launches as mnuFileLaunch_Click.
    void mnuPopLaunch_Click();
    /// Launches the stored target of recent item `Index` (0 … 9) without reordering the
    /// list; an empty entry launches nothing.
    void mnuRecentLaunch_Click(int Index);

Q_SIGNALS:
    /// The recent list changed: the window rebuilds its menu (LoadRecentMenu).
    void recentListChanged();

private:
    ItemHost& m_host;
    LaunchService& m_launcher;
    RecentLaunchList& m_recent;
};
