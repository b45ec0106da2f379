#pragma once

#include <QtGlobal>

class FileManagerBus;
class ItemDialogs;
class ItemHost;
class LaunchService;
class Prompt;
class QClipboard;

/// "Open with..." (mnuFileOW, mnuPopOW): our own choice of program for the first selected
/// item, optionally made the default for its type.
class OpenWithCommand final {
public:
    /// The services are not owned and must outlive the command.
    OpenWithCommand(ItemHost& host, ItemDialogs& dialogs, Prompt& prompt)
        : m_host(host)
        , m_dialogs(dialogs)
        , m_prompt(prompt)
    {}
    Q_DISABLE_COPY_MOVE(OpenWithCommand)

    /// Asks for a program and opens the first selected item with it; "always use" makes it
    /// the default for the item's type first. Nothing selected: nothing. A vanished item or
    /// a failed start shows the "Oops!" box.
    void mnuFileOW_Click();

private:
    ItemHost& m_host;
    ItemDialogs& m_dialogs;
    Prompt& m_prompt;
};

/// "Explore location..." (mnuFileExplore, mnupopexplore): the first selected item shown in
/// its folder by the file manager, or, without one, its folder opened with the folder's
/// default application.
class ExploreLocationCommand final {
public:
    /// The services are not owned and must outlive the command.
    ExploreLocationCommand(ItemHost& host, FileManagerBus& bus, LaunchService& launcher)
        : m_host(host)
        , m_bus(bus)
        , m_launcher(launcher)
    {}
    Q_DISABLE_COPY_MOVE(ExploreLocationCommand)

    /// Shows the item in its folder; an item deleted since it was listed opens its folder
    /// (or reports the folder gone). Nothing selected: nothing.
    void mnuFileExplore_Click();

private:
    ItemHost& m_host;
    FileManagerBus& m_bus;
    LaunchService& m_launcher;
};

/// "Properties..." (mnuFileProp, mnuPopProp): the file manager's properties of the first
/// selected item, or our own properties dialog without one.
class PropertiesCommand final {
public:
    /// The services are not owned and must outlive the command.
    PropertiesCommand(ItemHost& host, FileManagerBus& bus, ItemDialogs& dialogs, Prompt& prompt)
        : m_host(host)
        , m_bus(bus)
        , m_dialogs(dialogs)
        , m_prompt(prompt)
    {}
    Q_DISABLE_COPY_MOVE(PropertiesCommand)

    /// Shows the item's properties; a vanished item is reported ("Oops!", "File no longer
    /// exists."). Nothing selected: nothing.
    void mnuFileProp_Click();

private:
    void showOwnDialog(const QByteArray& path);

    ItemHost& m_host;
    FileManagerBus& m_bus;
    ItemDialogs& m_dialogs;
    Prompt& m_prompt;
};

/// "Copy to Clipboard" (mnuFileClip, mnuPopClip): the selected items as copied files.
/// Returns true when the clipboard took them; nothing selected: false, clipboard unchanged.
bool mnuFileClip_Click(const ItemHost& host, QClipboard& clipboard);
