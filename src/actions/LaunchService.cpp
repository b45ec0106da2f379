#include "LaunchService.h"

#include "ItemHost.h"
#include "platform/Launcher.h"
#include "platform/RecentDocuments.h"

bool DesktopLaunchService::launch(const QByteArray& target)
{
    return LaunchFile(m_prompt, target);
}

void DesktopLaunchService::addToRecentDocs(const QByteArray& target)
{
    addToRecentDocuments(target);
}

QList<QByteArray> selectedPaths(const ItemHost& host)
{
    QList<QByteArray> paths = host.GetSelectedFiles();
    paths.removeIf([](const QByteArray& path) { return path.isEmpty(); });
    return paths;
}
