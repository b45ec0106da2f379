#include "LaunchCommand.h"

#include "ItemHost.h"
#include "LaunchService.h"
#include "RecentLaunchList.h"

LaunchCommand::LaunchCommand(ItemHost& host, LaunchService& launcher, RecentLaunchList& recent,
                             QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_launcher(launcher)
    , m_recent(recent)
{}

void LaunchCommand::mnuFileLaunch_Click()
{
    // A right-button double-click in the list launches nothing.
    if (m_host.LastListButton() == 2 || m_host.listRowCount() == 0)
        return;
    QList<QByteArray> launched;
    for (const QByteArray& path : selectedPaths(m_host)) {
        // An item no program opens is still recorded, as one that opened; only an item that
        // is gone is not, since an entry for it would lead nowhere.
        if (m_launcher.launch(path) || leadsToAnItem(path))
            launched.append(path);
    }
    // Recorded together, after the launches: one write of each file, not one per item, so
    // that launching hundreds of rows does not rewrite the files hundreds of times.
    if (launched.isEmpty())
        return;
    m_launcher.addToRecentDocs(launched);
    if (m_recent.add(launched))
        Q_EMIT recentListChanged();
}

void LaunchCommand::mnuPopLaunch_Click()
{
    m_host.setLastListButton(0);
    mnuFileLaunch_Click();
}

void LaunchCommand::mnuRecentLaunch_Click(int Index)
{
    const QByteArray target = m_recent.target(Index + 1);
    if (!target.isEmpty())
        m_launcher.launch(target);
}
