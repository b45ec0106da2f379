#include "ItemCommandWiring.h"

#include "Form1Ui.h"
#include "actions/FileMenuRules.h"
#include "platform/TypeNames.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "shell/FileOpDialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QMenu>
#include <QPointer>
#include <QTreeView>

ItemCommandWiring::ItemCommandWiring(Form1Ui& ui, QWidget& window, ItemHost& host, Prompt& prompt,
                                     std::function<bool()> searchIdle)
    : m_ui(ui)
    , m_host(host)
    , m_store(CRegSettings::forProgram())
    , m_launcher(prompt)
    , m_recentList(m_store)
    , m_launch(host, m_launcher, m_recentList)
    , m_recentMenu(*ui.mnuFileRecent, m_recentList, m_launch)
    , m_bus(QDBusConnection::sessionBus())
    , m_dialogs(&window)
    , m_openWith(host, m_dialogs, prompt)
    , m_explore(host, m_bus, m_launcher)
    , m_properties(host, m_bus, m_dialogs, prompt)
    , m_ops([w = &window] { return std::make_unique<FileOpDialogs>(w); })
    , m_copyTo(TransferToCommand::Mode::Copy, host, prompt, m_ops)
    , m_moveTo(TransferToCommand::Mode::Move, host, prompt, m_ops)
    , m_delete(host, prompt, m_ops)
    , m_rename(host, prompt, m_ops)
    , m_drop(host, prompt, m_ops)
    , m_dragDrop(*ui.ListView1, std::move(searchIdle))
{
    connectFileMenu();
    connectPopup();
    connectList();
}

ItemCommandWiring::~ItemCommandWiring() = default;

void ItemCommandWiring::LoadRecentMenu()
{
    m_recentMenu.LoadRecentMenu();
}

void ItemCommandWiring::mnuFileLaunch_Click()
{
    m_launch.mnuFileLaunch_Click();
}

void ItemCommandWiring::connectFileMenu()
{
    Form1Ui& ui = m_ui;
    connect(ui.mnuFileLaunch, &QAction::triggered, this,
            [this] { m_launch.mnuFileLaunch_Click(); });
    connect(ui.mnuFileOW, &QAction::triggered, this, [this] { m_openWith.mnuFileOW_Click(); });
    connect(ui.mnuFileClip, &QAction::triggered, this,
            [this] { mnuFileClip_Click(m_host, *QApplication::clipboard()); });
    connect(ui.mnuFileCopy, &QAction::triggered, &m_copyTo, &TransferToCommand::run);
    connect(ui.mnuFileMove, &QAction::triggered, &m_moveTo, &TransferToCommand::run);
    connect(ui.mnuFileDelete, &QAction::triggered, &m_delete, &DeleteCommand::run);
    connect(ui.mnuFileRename, &QAction::triggered, &m_rename, &RenameCommand::run);
    connect(ui.mnuFileExplore, &QAction::triggered, this,
            [this] { m_explore.mnuFileExplore_Click(); });
    connect(ui.mnuFileProp, &QAction::triggered, this,
            [this] { m_properties.mnuFileProp_Click(); });
    connect(ui.mnuFile, &QMenu::aboutToShow, this, [this] {
        applyMenuRule(*m_ui.mnuFile,
                      fileMenuRule(m_host.listRowCount(), int(selectedPaths(m_host).size())));
    });
    // The rule is for the open menu only: the keys stay live, and each command checks the
    // selection itself.
    connect(ui.mnuFile, &QMenu::aboutToHide, this, [this] {
        for (QAction* action : m_ui.mnuFile->actions())
            action->setEnabled(true);
    });
    for (QAction* action : {ui.mnuFileClip, ui.mnuFileDelete, ui.mnuFileRename})
        listShortcut(action);
}

void ItemCommandWiring::connectPopup()
{
    Form1Ui& ui = m_ui;
    const std::pair<QAction*, QAction*> forwards[] = {
        {ui.mnuPopOW, ui.mnuFileOW},           {ui.mnuPopClip, ui.mnuFileClip},
        {ui.mnuPopCopy, ui.mnuFileCopy},       {ui.mnuPopMove, ui.mnuFileMove},
        {ui.mnuPopDelete, ui.mnuFileDelete},   {ui.mnuPopRename, ui.mnuFileRename},
        {ui.mnupopexplore, ui.mnuFileExplore}, {ui.mnuPopProp, ui.mnuFileProp},
    };
    for (const auto& [pop, file] : forwards)
        connect(pop, &QAction::triggered, file, &QAction::trigger);
    connect(ui.mnuPopLaunch, &QAction::triggered, this, [this] { m_launch.mnuPopLaunch_Click(); });
    ui.mnupop->setDefaultAction(ui.mnuPopLaunch);
}

void ItemCommandWiring::preparePopup()
{
    applyMenuRule(*m_ui.mnupop, popupMenuRule(int(selectedPaths(m_host).size())));
    m_ui.mnupop->setDefaultAction(m_ui.mnuPopLaunch);
}

void ItemCommandWiring::listShortcut(QAction* action)
{
    // Delete, F2 and Ctrl+C act on rows only while the list has the focus; elsewhere (the
    // search box, the folder list) they keep their usual meaning.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_ui.ListView1->addAction(action);
}

void ItemCommandWiring::connectList()
{
    ResultModel* model = m_ui.ListView1->model();
    connect(&m_launch, &LaunchCommand::recentListChanged, this, &ItemCommandWiring::LoadRecentMenu);
    connect(model, &ResultModel::nameEdited, this, &ItemCommandWiring::finishRename);
    connect(&m_dragDrop, &ListDragDrop::rowsDropped, &m_drop, &DropCommand::drop);
    connect(&m_dragDrop, &ListDragDrop::filesDropped, &m_drop, &DropCommand::drop);
    connect(&m_dragDrop, &ListDragDrop::targetMovedFiles, &m_drop, &DropCommand::targetMoved);
}

void ItemCommandWiring::finishRename(const QByteArray& oldPath, const QString& edited)
{
    ResultModel* model = m_ui.ListView1->model();
    const int row = model->rowOfPath(oldPath);
    if (row < 0)
        return;
    const ResultRow& before = model->row(row);
    const QByteArray oldName = before.name().toByteArray();
    const QByteArray name = RenameCommand::newName(oldName, edited, model->showExtensions());
    if (name == oldName)
        return; // nothing changed: nothing to rename
    QPointer<ResultModel> guard = model;
    QPointer<ResultList> list = m_ui.ListView1;
    m_rename.commit(oldPath, name, [guard, list, oldPath](bool aborted, const QByteArray& newPath) {
        // The editor is gone and a message may have taken the focus: it goes back to the
        // list, where the user was (not to the next control in the window).
        if (list)
            list->setFocus(Qt::OtherFocusReason);
        // Refused or cancelled: the row keeps its old name, as the model never took the edit.
        // Otherwise it names the item where it now is, which "Keep Both" numbered.
        if (aborted || !guard)
            return;
        // A row of the item the rename replaced (or merged into) names it no more.
        for (int gone = guard->rowOfPath(newPath); gone >= 0 && newPath != oldPath;
             gone = guard->rowOfPath(newPath))
            guard->removeListRows({gone});
        // Every row of the item: a place ticked while a search ran may have listed it twice.
        bool folder = false;
        for (int at = guard->rowOfPath(oldPath); at >= 0 && newPath != oldPath;
             at = guard->rowOfPath(oldPath)) {
            ResultRow renamed = guard->row(at);
            renamed.setPath(newPath);
            renamed.typeName = TypeNames::instance().typeName(renamed.fileName, renamed.folder);
            folder = renamed.folder;
            guard->replaceRow(at, std::move(renamed));
        }
        if (folder)
            guard->moveFolder(oldPath, newPath); // what it holds is there now
        // The new name may sort far away: the row stays in sight, where the user looks for it.
        if (const int now = guard->rowOfPath(newPath); now >= 0 && list)
            list->currentView()->scrollTo(guard->index(now, 0));
    });
}
