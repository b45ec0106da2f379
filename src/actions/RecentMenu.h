#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <QObject>

#include <array>

class LaunchCommand;
class QAction;
class QMenu;
class RecentLaunchList;

/// The ten items of the Recently Launched menu (mnuRecentLaunch 0 … 9) as plain state.
/// At first item 0 reads "(Empty)" and is disabled and items 1 … 9 are hidden; items are
/// only ever enabled and shown, never hidden again.
class RecentMenu final {
public:
    static constexpr int ItemCount = 10;
    struct Item {
        QString caption;
        QString whole; ///< the entry's whole path or address, for its tooltip
        bool enabled = false;
        bool visible = false;
    };

    RecentMenu();

    /// LoadRecentMenu: gives item i-1 the caption of entry i for each stored entry, from
    /// "1" up to the first empty one; items past the list keep what they had.
    void load(const QStringList& entries);
    /// The items in menu order.
    const std::array<Item, ItemCount>& items() const { return m_items; }

    /// "&<number>. " + the text shown for a stored entry: the whole value when it starts
    /// with "htt" (any case), else the file's name with its extension. '&' in names is
    /// doubled so that it shows, and control characters show as U+FFFD. A text longer than
    /// `MaxShown` characters is cut in the middle: the menu would cover the screen.
    static QString caption(int number, const QString& stored);
    /// The entry's whole path or address, on one line, as its tooltip shows it.
    static QString whole(const QString& stored);

    static constexpr int MaxShown = 64;

private:
    std::array<Item, ItemCount> m_items;
};

/// Adds the ten items to `menu`, named "mnuRecentLaunch0" … "mnuRecentLaunch9", in their
/// first state; returns them in order.
QList<QAction*> createRecentMenuItems(QMenu& menu);
/// Copies the items' captions and states onto the actions made by createRecentMenuItems.
void fillRecentMenu(const RecentMenu& state, const QList<QAction*>& actions);

/// The Recently Launched submenu as the window uses it: makes the ten items in `menu`,
/// launches an item's entry when it is chosen, and rebuilds the captions whenever the launch
/// command changes the list.
class RecentLaunchMenu final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecentLaunchMenu)
public:
    /// `menu` is mnuFileRecent; the list and command are not owned and must outlive this.
    RecentLaunchMenu(QMenu& menu, RecentLaunchList& recent, LaunchCommand& command);

    /// LoadRecentMenu: the captions and states from the stored list (at start-up and after
    /// every change).
    void LoadRecentMenu();
    /// The items mnuRecentLaunch0 … 9 in order.
    const QList<QAction*>& mnuRecentLaunch() const { return m_actions; }

private:
    RecentLaunchList& m_recent;
    RecentMenu m_state;
    QList<QAction*> m_actions;
};
