#include "Form1.h"

#include "ItemCommandWiring.h"

#include "platform/DisplayText.h"
#include "platform/Prompt.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "results/sbStatusBar.h"
#include "search/SearchEngine.h"
#include "shell/MinTrackSize.h"
#include "shell/SystemTray.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <utility>

Form1::Form1(Prompt& prompt, QWidget* parent)
    : QMainWindow(parent)
    , m_prompt(prompt)
    , m_engine(std::make_unique<SearchEngine>(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kestrelfind"));
    IsLoading = true;

    setupUi(*this, *this);
    m_run = std::make_unique<SearchRun>(static_cast<SearchRunHost&>(*this), *m_engine, m_prompt);
    m_scope = std::make_unique<ScopeCommands>(m_prompt, *text3, m_boxes);
    m_presets = std::make_unique<PresetCommands>(
        m_prompt, *Combo2, [this] { return currentScope(); },
        [this](const SearchScope& scope) { applyScope(scope); });
    m_tray = std::make_unique<SystemTray>(this, [this] {
        // Hidden in the tray the window is no longer the last one shown, so an accepted close
        // must end the program itself.
        if (!close())
            return false;
        QCoreApplication::exit(0);
        return true;
    });
    m_items = std::make_unique<ItemCommandWiring>(
        static_cast<Form1Ui&>(*this), static_cast<QWidget&>(*this), static_cast<ItemHost&>(*this),
        m_prompt, [this] { return m_run->SearchIdle(); });
    connectSignals();

    resize(qRound(FormLayout::DesignClientWidth / twipsPerPixelX()),
           qRound(FormLayout::DesignClientHeight / twipsPerPixelY()) +
               menuBar()->sizeHint().height());
    loadStartUp();
    m_items->LoadRecentMenu();
    setActivity(false);
    IsLoading = false;
    updateControls();
}

Form1::~Form1()
{
    unload();
    // From here on the window is going: what its parts still tell it as they go (the walk as it
    // stops, the controls' last signals) must not reach a half-destroyed window.
    m_destroying = true;
    m_tray.reset();
    // Stop the walk before the controls it reports to go away.
    m_run.reset();
    m_engine.reset();
    // They go in the base class's destructor, after this one, and some tell of it (a list's
    // model resets as it goes): by then this is no longer a window to call.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

// ---------------------------------------------------------------------------------------
// Wiring

void Form1::connectSignals()
{
    connectCloseWhenStopped();
    // F10 opens the menu bar's first menu, as on other Linux desktops' programs.
    auto* menuKey = new QAction(this);
    menuKey->setObjectName(QStringLiteral("menuBarKey"));
    menuKey->setShortcut(Qt::Key_F10);
    addAction(menuKey);
    connect(menuKey, &QAction::triggered, this,
            [this] { menuBar()->setActiveAction(mnuFile->menuAction()); });
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Text1, &QComboBox::editTextChanged, m_engine.get(), &SearchEngine::setSearchText);
    connect(mnuOptionsMC, &QAction::toggled, m_engine.get(), &SearchEngine::setMatchCase);
    // The list's Name sort keys are made on the walking threads, not on this one.
    m_engine->setRowPreparation(ListView1->model()->rowPreparation());

    // Enter in the search box is the search command, even with the button disabled.
    connect(Text1, &SearchTextBox::enterPressed, this, &Form1::Command1_Click);

    connect(Command2, &QPushButton::clicked, this, [this] { m_scope->addFolder(); });
    connect(Command5, &QPushButton::clicked, this, [this] { m_scope->removeFolder(); });
    connect(Command3, &QPushButton::clicked, this, [this] { m_scope->selectAll(); });
    connect(Command4, &QPushButton::clicked, this, [this] { m_scope->selectNone(); });
    connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);
    connect(Command7, &QPushButton::clicked, this, [this] { m_presets->save(); });
    connect(Command8, &QPushButton::clicked, this, [this] { m_presets->load(); });
    connect(Command6, &QPushButton::clicked, this, [this] { m_presets->remove(); });

    connect(mnuFileSelAll, &QAction::triggered, this, &Form1::mnuFileSelAll_Click);
    connect(mnuPopSelAll, &QAction::triggered, this, &Form1::mnuFileSelAll_Click);
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuFileSysTray, &QAction::triggered, m_tray.get(), &SystemTray::GoSystemTray);
    connect(mnHelpCnt, &QAction::triggered, this, &Form1::mnHelpCnt_Click);
    connect(mnuHelpAbt, &QAction::triggered, this, &Form1::mnuHelpAbt_Click);
    for (int i = 0; i < 3; ++i)
        connect(mnuViewO[i], &QAction::triggered, this, [this, i] { mnuViewO_Click(i); });
    connect(mnuOptionsShowExt, &QAction::triggered, this, &Form1::mnuOptionsShowExt_Click);
    connect(mnuOptionsIcons, &QAction::triggered, this, &Form1::mnuOptionsIcons_Click);

    connect(ListView1, &ResultList::columnClicked, this, &Form1::ListView1_ColumnClick);
    connect(ListView1, &ResultList::launchRequested, this, &Form1::ListView1_Activated);
    // The mouse launches whether or not a search runs.
    connect(ListView1, &ResultList::mouseLaunchRequested, this, &Form1::mnuFileLaunch_Click);
    connect(ListView1, &ResultList::popupRequested, this, &Form1::showPopup);
    connect(ListView1, &ResultList::hoverTextChanged, this, [this](const QString& text) {
        if (m_run->SearchIdle())
            setPanelText(1, text.isNull() ? sbStatusBar::copyrightLine() : text);
    });
    connect(ListView1, &ResultList::listHasFocusChanged, this, [this](bool focused) {
        m_listHasFocus = focused;
        updateControls();
    });
    connect(m_statusBar, &sbStatusBar::pointerMoved, this, &Form1::showCopyrightLine);
    // Outside a run the count follows the list, whichever command removed rows (a delete, a
    // rename that replaced another row); a run keeps its own count.
    const auto recount = [this] {
        if (!searchRunning())
            setPanelText(3, SearchRun::countText(ListView1->model()->rowCount()));
    };
    connect(ListView1->model(), &QAbstractItemModel::rowsRemoved, this, recount);
    connect(ListView1->model(), &QAbstractItemModel::layoutChanged, this, recount);
    connect(ListView1->model(), &QAbstractItemModel::modelReset, this, recount); // all removed
    connectControlUpdate();
}

void Form1::connectControlUpdate()
{
    // The control update follows every input it reads.
    for (QCheckBox* box : m_boxes)
        connect(box, &QCheckBox::stateChanged, this, &Form1::updateControls);
    connect(text3, &QListWidget::itemChanged, this, &Form1::updateControls);
    connect(text3->model(), &QAbstractItemModel::rowsInserted, this, &Form1::updateControls);
    connect(text3->model(), &QAbstractItemModel::rowsRemoved, this, &Form1::updateControls);
    connect(text3->model(), &QAbstractItemModel::modelReset, this, &Form1::updateControls);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form1::updateControls);
    connect(Combo2->model(), &QAbstractItemModel::rowsRemoved, this, &Form1::updateControls);
    ResultModel* model = ListView1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &Form1::updateControls);
    connect(model, &QAbstractItemModel::modelReset, this, &Form1::updateControls);
    connect(m_run.get(), &SearchRun::stateChanged, this, &Form1::updateControls);
}

// ---------------------------------------------------------------------------------------
// Layout, hints and the control update

namespace {

/// Line height of the 8-point font the layout's twips were measured with, at 96 dpi.
constexpr double kDesignLineHeight = 13.0;

} // namespace

double Form1::twipsPerPixel(int dpi) const
{
    // Twips follow the screen's logical DPI; a desktop font taller than the design's makes
    // every twip proportionally larger, so the frames still hold their controls.
    const double perPixel = dpi > 0 ? 1440.0 / dpi : 15.0;
    const double fontScale = qMax(1.0, fontMetrics().lineSpacing() / kDesignLineHeight);
    return perPixel / fontScale;
}

double Form1::twipsPerPixelX() const
{
    return twipsPerPixel(logicalDpiX());
}

double Form1::twipsPerPixelY() const
{
    return twipsPerPixel(logicalDpiY());
}

void Form1::placeControl(QWidget* widget, const TwipRect& r)
{
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    widget->setGeometry(qRound(r.left / tx), qRound(r.top / ty), qRound(r.width / tx),
                        qRound(r.height / ty));
}

void Form1::applyLayout()
{
    if (isMinimized())
        return;
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    const int clientHeight = height() - (menuBar()->isVisible() ? menuBar()->height() : 0);
    const int W = qRound(width() * tx) + FormLayout::FrameWidth;
    const int CH = qRound(clientHeight * ty);
    const int H = CH + FormLayout::FrameHeight;
    // A desktop font wider than the design's would cut captions: the right-hand frames grow
    // to what their contents need, and the list gives up that room.
    const int needed =
        qRound(std::max({Frame1->minimumSizeHint().width(), Frame2->minimumSizeHint().width(),
                         Frame3->minimumSizeHint().width()}) *
               tx);
    for (TwipRect* frame : {&m_geometry.Frame1, &m_geometry.Frame2, &m_geometry.Frame3})
        frame->width = qMax(FormLayout::design().Frame1.width, needed);
    m_geometry = FormLayout::resized(m_geometry, W, H, CH, qRound(m_statusBar->height() * ty));
    placeControl(Label1, m_geometry.Label1);
    placeControl(Text1, m_geometry.Text1);
    placeControl(Command1, m_geometry.Command1);
    placeControl(ListView1, m_geometry.ListView1);
    placeControl(Frame1, m_geometry.Frame1);
    placeControl(Frame2, m_geometry.Frame2);
    placeControl(Frame3, m_geometry.Frame3);
    // The caption may use the gap up to the search box, so that it stays whole.
    Label1->resize(qMax(Label1->width(), Text1->x() - Label1->x()), Label1->height());
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayout();
    m_normal.moved();
}

void Form1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    m_normal.moved();
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    m_normal.stateChanged();
    // A window that was mapped maximised is restored by some window managers to the size it
    // had then, the whole screen: it goes back to its normal geometry itself. Only when it
    // still fills the screen a moment later: a window dragged out of its maximised state by
    // its title bar must stay under the pointer.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (change->oldState().testFlag(Qt::WindowMaximized) && windowState() == Qt::WindowNoState) {
        QTimer::singleShot(kRestoreCheckMs, this, [this, normal = m_normal.rect()] {
            if (windowState() == Qt::WindowNoState && normal.isValid() &&
                m_normal.fillsScreen(geometry()))
                setGeometry(normal);
        });
    }
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    applyLayout();
}

void Form1::updateControls()
{
    if (m_destroying || m_holdControlUpdate)
        return;
    ControlInputs in;
    in.listHasFocus = m_listHasFocus;
    in.listRows = rowCount();
    in.searchIdle = m_run->SearchIdle();
    in.altFolderCount = text3->count();
    for (QCheckBox* box : m_boxes)
        in.anyBoxTicked = in.anyBoxTicked || box->checkState() == Qt::Checked; // grey is not 1
    for (int i = 0; i < text3->count() && !in.anyAltFolderTicked; ++i)
        in.anyAltFolderTicked = text3->item(i)->checkState() == Qt::Checked;
    in.presetSelected = Combo2->currentIndex() >= 0;

    const ControlStates out = controlStates(in);
    Command1->setDefault(out.searchIsDefault);
    Command5->setEnabled(out.removeFolderEnabled);
    Command1->setEnabled(out.searchEnabled);
    Command8->setEnabled(out.presetButtonsEnabled);
    Command6->setEnabled(out.presetButtonsEnabled);
    Q_EMIT controlsUpdated();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (!text3 || !Frame2)
        return QMainWindow::eventFilter(watched, event); // still building the window
    if (event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (watched == text3->viewport()) {
            if (move->buttons() == Qt::NoButton) {
                // The tooltip names the entry under the pointer, or the last one below it.
                QListWidgetItem* item = text3->itemAt(move->position().toPoint());
                if (!item && text3->count() > 0 &&
                    text3->viewport()->rect().contains(move->position().toPoint()))
                    item = text3->item(text3->count() - 1);
                text3->setToolTip(item ? plainToolTip(item->text()) : QString());
            }
        } else if ((watched == centralWidget() || watched == Frame1 || watched == Frame2) &&
                   m_run->SearchIdle()) {
            showCopyrightLine();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    // Enter that no control took presses the default button. The search box takes its own
    // (the search command) and the list its rows' (ListView1_Activated); the list passes
    // Enter on while a search runs, so that it presses Stop.
    const bool launched = std::exchange(m_enterLaunched, false);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // An Enter that launched rows is done with, even when a message of the launch took
        // the focus from the list and so made the search button the default meanwhile.
        if (launched)
            return;
        if (Command1->isDefault() && Command1->isEnabled()) {
            Command1->click();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------
// The search run's view of the window

int Form1::altFolderCount() const
{
    return text3->count();
}

AltFolder Form1::altFolder(int index) const
{
    const QListWidgetItem* item = text3->item(index);
    if (!item)
        return {};
    return {item->text(), item->checkState() == Qt::Checked};
}

bool Form1::boxTicked(FolderBox box) const
{
    return m_boxes[int(box)]->checkState() == Qt::Checked;
}

int Form1::fileType() const
{
    return Combo1->currentIndex();
}

QString Form1::customPattern() const
{
    return Text2->text();
}

bool Form1::includeSubfolders() const
{
    return mnuOptionsSF->isChecked();
}

QString Form1::searchText() const
{
    return Text1->currentText();
}

void Form1::setSearchCaption(const QString& caption)
{
    Command1->setText(caption);
    Command1->setAccessibleName(caption);
}

void Form1::setPanelText(int panel, const QString& text)
{
    m_statusBar->setPanelText(panel, text);
}

void Form1::showCopyrightLine()
{
    setPanelText(1, sbStatusBar::copyrightLine());
}

void Form1::setActivity(bool running)
{
    m_statusBar->setActivity(running);
}

void Form1::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Form1::clearRows()
{
    ListView1->model()->clear();
}

void Form1::addRows(RowBatches batches)
{
    ListView1->addBatches(std::move(batches));
}

int Form1::rowCount() const
{
    return ListView1->model()->rowCount();
}

void Form1::setHistory(const QStringList& terms)
{
    const QString text = Text1->currentText();
    Text1->clear();
    Text1->addItems(terms);
    Text1->setCurrentIndex(0);
    if (Text1->currentText() != text)
        Text1->setEditText(text);
}

void Form1::runEnding()
{
    if (text3->count() > 0)
        text3->setCurrentRow(0);
    if (m_sort.listSortKey() == SortState::DateColumn - 1) {
        // Keeps the rows added during the run in time order, with the arrow as it is.
        m_sort.ApplyingStoredSort = true;
        ListView1_ColumnClick(SortState::DateColumn);
    }
    ListView1->update();
    QApplication::beep();
}

bool Form1::searchRunning() const
{
    return m_run && m_run->running();
}

int Form1::fileJobsRunning() const
{
    return m_items ? m_items->fileOperations().running() : 0;
}

void Form1::Command1_Click()
{
    m_run->command();
}

// ---------------------------------------------------------------------------------------
// Scope

SearchScope Form1::currentScope() const
{
    SearchScope scope;
    scope.boxes = m_scope->boxValues();
    scope.fileType = Combo1->currentIndex();
    scope.customFilter = Text2->text();
    scope.altFolders = m_scope->altFolders();
    return scope;
}

void Form1::applyScope(const SearchScope& scope)
{
    // Every box and folder is an input of the control update: it runs once at the end.
    m_holdControlUpdate = true;
    m_scope->setBoxValues(scope.boxes);
    Combo1->setCurrentIndex(scope.fileType);
    Text2->setText(scope.customFilter);
    Combo1_Click();
    m_scope->setAltFolders(scope.altFolders);
    m_holdControlUpdate = false;
    updateControls();
    tellDroppedFolders(scope.droppedAltFolders);
}

void Form1::Combo1_Click()
{
    const bool custom = Combo1->currentIndex() == CustomFileType;
    Label2->setEnabled(custom);
    Text2->setEnabled(custom);
    if (custom && !IsLoading) {
        Text2->setFocus(Qt::OtherFocusReason);
        Text2->selectAll();
    }
}

// ---------------------------------------------------------------------------------------
// The list and the View menu

void Form1::ListView1_ColumnClick(int column)
{
    m_sort.ListView1_ColumnClick(column);
    ListView1->applySort(m_sort);
}

QList<QByteArray> Form1::GetSelectedFiles() const
{
    return ListView1->GetSelectedFiles();
}

void Form1::mnuViewO_Click(int Index)
{
    for (int i = 0; i < 3; ++i)
        mnuViewO[i]->setChecked(i == Index);
    ListView1->setViewMode(Index);
}

void Form1::mnuOptionsShowExt_Click()
{
    ListView1->model()->setShowExtensions(mnuOptionsShowExt->isChecked());
}

void Form1::mnuOptionsIcons_Click()
{
    ListView1->model()->setShowIcons(mnuOptionsIcons->isChecked());
}

void Form1::mnuFileSelAll_Click()
{
    ListView1->selectAll();
}

void Form1::ListView1_Activated()
{
    // Enter with rows launches while no search walks; during a search it goes on to the Stop
    // button.
    if (Command1->isDefault() || rowCount() == 0)
        return;
    m_enterLaunched = true; // the list passes the key on to the window once this returns
    mnuFileLaunch_Click();
}

void Form1::mnuFileLaunch_Click()
{
    m_items->mnuFileLaunch_Click();
}

void Form1::showPopup(const QPoint& globalPos)
{
    m_items->preparePopup();
    mnupop->popup(globalPos);
}

// ---------------------------------------------------------------------------------------
// The item commands' view of the window

int Form1::listRowCount() const
{
    return rowCount();
}

int Form1::LastListButton() const
{
    return ListView1->LastListButton();
}

void Form1::setLastListButton(int button)
{
    ListView1->setLastListButton(button);
}

QByteArray Form1::currentPath() const
{
    const QModelIndex current = ListView1->selectionModel()->currentIndex();
    return current.isValid() ? ListView1->model()->path(current.row()) : QByteArray();
}

void Form1::searchAgain()
{
    Command1_Click();
}

void Form1::removeRows(const QList<QByteArray>& paths)
{
    ListView1->model()->removePaths(paths);
}

void Form1::beginRename()
{
    ListView1->editCurrentName();
}
