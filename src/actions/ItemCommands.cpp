#include "ItemCommands.h"

#include "FileManagerBus.h"
#include "ItemHost.h"
#include "LaunchService.h"
#include "MClipFileCopy.h"
#include "platform/FileUri.h"
#include "platform/ItemDialogs.h"
#include "platform/Launcher.h"
#include "platform/Prompt.h"

#include <cerrno>
#include <cstring>

namespace {
QByteArray firstSelected(const ItemHost& host)
{
    const QList<QByteArray> paths = selectedPaths(host);
    return paths.isEmpty() ? QByteArray() : paths.first();
}

} // namespace

void OpenWithCommand::mnuFileOW_Click()
{
    const QByteArray path = firstSelected(m_host);
    if (path.isEmpty())
        return;
    // A link that leads nowhere exists but opens nothing; its type would be the link's own.
    if (!leadsToAnItem(path)) {
        reportLaunchFailure(m_prompt, {LaunchError::FileNotFound, {}});
        return;
    }
    const QByteArray type = contentTypeOf(path);
    const qsizetype slash = path.lastIndexOf('/');
    const QString name = QString::fromUtf8(path.mid(slash + 1));
    const auto choice =
        m_dialogs.chooseApplication(name, contentTypeDescription(type), applicationsFor(type));
    if (!choice || choice->appId.isEmpty())
        return;
    if (choice->alwaysUse && !type.isEmpty()) {
        const QString failure = setDefaultApplication(choice->appId, type);
        if (!failure.isEmpty())
            m_prompt.MsgBox(failure, MsgStyle::OkOnly + MsgStyle::Exclamation, launchErrorTitle());
    }
    const LaunchOutcome outcome = openWithApplication(choice->appId, path);
    if (!outcome.ok())
        reportLaunchFailure(m_prompt, outcome);
}

void ExploreLocationCommand::mnuFileExplore_Click()
{
    const QByteArray path = firstSelected(m_host);
    if (path.isEmpty())
        return;
    LaunchService* launcher = &m_launcher;
    const QByteArray folder = parentFolder(path);
    const auto openFolder = [launcher, folder] {
        launcher->launch(folder);
    };
    if (!entryExists(path)) {
        openFolder();
        return;
    }
    m_bus.showItem(fileUri(path), openFolder);
}

void PropertiesCommand::mnuFileProp_Click()
{
    const QByteArray path = firstSelected(m_host);
    if (path.isEmpty())
        return;
    if (!entryExists(path)) {
        showOwnDialog(path); // reports the item gone
        return;
    }
    m_bus.showItemProperties(fileUri(path), [this, path] { showOwnDialog(path); });
}

void PropertiesCommand::showOwnDialog(const QByteArray& path)
{
    int error = 0;
    const auto properties = readFileProperties(path, &error);
    if (!properties) {
        // Only an item that is gone is called so: a path too long for the system, or a folder
        // that may not be entered, is still there.
        const bool gone = error == ENOENT || error == ENOTDIR;
        m_prompt.MsgBox(gone ? QStringLiteral("File no longer exists.")
                             : u"The properties of \"" + QString::fromUtf8(path) +
                                   u"\" could not be read: " +
                                   QString::fromLocal8Bit(std::strerror(error)),
                        MsgStyle::OkOnly + MsgStyle::Critical, launchErrorTitle());
        return;
    }
    m_dialogs.showProperties(*properties);
}

bool mnuFileClip_Click(const ItemHost& host, QClipboard& clipboard)
{
    return ClipboardCopyFiles(selectedPaths(host), clipboard);
}
