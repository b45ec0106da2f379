#include "LaunchService.h"

#include "ItemHost.h"
#include "LaunchTarget.h"
#include "platform/Launcher.h"
#include "platform/RecentDocuments.h"

#include <sys/stat.h>

bool leadsToAnItem(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0;
}

bool DesktopLaunchService::launch(const QByteArray& target)
{
    const LaunchTarget resolved = LaunchTarget::resolve(target);
    if (resolved.kind != LaunchTarget::Kind::Launcher)
        return LaunchFile(m_prompt, resolved.value);
    const LaunchOutcome outcome = startLauncher(resolved.value);
    if (!outcome.ok())
        reportLaunchFailure(m_prompt, outcome);
    return outcome.ok();
}

void DesktopLaunchService::addToRecentDocs(const QList<QByteArray>& targets)
{
    addToRecentDocuments(targets);
}

QList<QByteArray> selectedPaths(const ItemHost& host)
{
    QList<QByteArray> paths = host.GetSelectedFiles();
    paths.removeIf([](const QByteArray& path) { return path.isEmpty(); });
    return paths;
}
