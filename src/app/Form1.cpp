#include "Form1.h"

#include "platform/Prompt.h"
#include "platform/RegistryHive.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "results/sbStatusBar.h"
#include "search/SearchEngine.h"
#include "settings/AppOptions.h"
#include "settings/CRegSettings.h"
#include "settings/PresetNaming.h"
#include "settings/Presets.h"
#include "settings/SearchHistory.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

struct BoxInfo {
    const char* name;
    const char* caption;
};

// On-screen order, which is also the stored order.
constexpr std::array<BoxInfo, FolderBoxCount> kBoxes{{
    {"chkDT", "Desktop"},
    {"chkSMP", "Start Menu Programs"},
    {"chkFav", "Favorites"},
    {"chkMD", "My Documents"},
    {"chkST", "Send To"},
    {"chkAD", "Application Data"},
    {"chkIC", "Internet Cache"},
    {"chkRD", "Recent Documents"},
}};

const char* const kFileTypes[] = {"All Files", "Shortcuts", "Internet Shortcuts", "Applications",
                                  "Custom"};
constexpr int kCustomFileType = 4;

QString withoutMnemonic(QString text)
{
    return text.remove(u'&');
}

template<typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QAction* namedAction(QAction* action, const char* name)
{
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent)
    , m_engine(std::make_unique<SearchEngine>())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kestrelfind"));
    IsLoading = true;

    buildMenus();
    buildControls();
    setAccessibleNames();
    m_run = std::make_unique<SearchRun>(static_cast<SearchRunHost&>(*this), *m_engine);
    connectSignals();

    resize(qRound(FormLayout::DesignClientWidth / twipsPerPixelX()),
           qRound(FormLayout::DesignClientHeight / twipsPerPixelY()) +
               menuBar()->sizeHint().height());
    loadStartUp();
    setActivity(false);
    IsLoading = false;
    updateControls();
}

Form1::~Form1()
{
    // Stop the walk before the controls it reports to go away.
    m_run.reset();
    m_engine.reset();
    // The controls are about to go; their last signals must not reach a half-destroyed window.
    m_destroying = true;
}

// ---------------------------------------------------------------------------------------
// Building the window

void Form1::buildMenus()
{
    mnuFile = named(menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    mnuFileSelAll = namedAction(mnuFile->addAction(QStringLiteral("&Select All")), "mnuFileSelAll");
    mnuFileSelAll->setShortcut(QKeySequence::SelectAll);
    mnuFile->addSeparator();
    mnuFileExit = namedAction(mnuFile->addAction(QStringLiteral("E&xit")), "mnuFileExit");
    mnuFileExit->setShortcut(QKeySequence::Quit);

    mnuOptions = named(menuBar()->addMenu(QStringLiteral("&Search Options")), "mnuOptions");
    mnuOptionsSF =
        namedAction(mnuOptions->addAction(QStringLiteral("Search in &Subfolders")), "mnuOptionsSF");
    mnuOptionsSF->setCheckable(true);
    mnuOptionsMC =
        namedAction(mnuOptions->addAction(QStringLiteral("Match &Case")), "mnuOptionsMC");
    mnuOptionsMC->setCheckable(true);

    mnuView = named(menuBar()->addMenu(QStringLiteral("&View")), "mnuView");
    const char* const views[] = {"&Details", "&List", "Large &Icons"};
    for (int i = 0; i < 3; ++i) {
        mnuViewO[i] = mnuView->addAction(QString::fromLatin1(views[i]));
        mnuViewO[i]->setObjectName(u"mnuViewO" + QString::number(i));
        mnuViewO[i]->setCheckable(true);
    }
    mnuViewO[0]->setChecked(true);
    mnuView->addSeparator();
    mnuOptionsShowExt = namedAction(mnuView->addAction(QStringLiteral("Show File &Extensions")),
                                    "mnuOptionsShowExt");
    mnuOptionsShowExt->setCheckable(true);
    mnuOptionsIcons =
        namedAction(mnuView->addAction(QStringLiteral("Show &Icons")), "mnuOptionsIcons");
    mnuOptionsIcons->setCheckable(true);
    mnuOptionsIcons->setChecked(true);

    mnupop = named(new QMenu(this), "mnupop");
    mnuPopSelAll = namedAction(mnupop->addAction(QStringLiteral("&Select All")), "mnuPopSelAll");
}

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setMouseTracking(true);
    client->installEventFilter(this);
    setCentralWidget(client);

    Label1 = named(new QLabel(QStringLiteral("Search Text:"), client), "Label1");
    Text1 = named(new QComboBox(client), "Text1");
    Text1->setEditable(true);
    Text1->setInsertPolicy(QComboBox::NoInsert);
    Text1->setMaxCount(9);
    Text1->lineEdit()->installEventFilter(this);
    Label1->setBuddy(Text1);
    Command1 = named(new QPushButton(QStringLiteral("Search"), client), "Command1");
    Command1->setDefault(true);

    ListView1 = new ResultList(client);
    // Seen before the list's own handling, so that Enter presses the default button.
    ListView1->detailsView()->installEventFilter(this);
    ListView1->iconView()->installEventFilter(this);

    buildSearchInFrame();
    buildSearchForFrame();
    buildPresetsFrame();

    m_statusBar = new sbStatusBar(this);
    setStatusBar(m_statusBar);
}

void Form1::buildSearchInFrame()
{
    Frame1 = named(new QGroupBox(QStringLiteral("Search in:"), centralWidget()), "Frame1");
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    auto* layout = new QVBoxLayout(Frame1);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(0);
    for (int i = 0; i < FolderBoxCount; ++i) {
        m_boxes[i] =
            named(new QCheckBox(QString::fromLatin1(kBoxes[i].caption), Frame1), kBoxes[i].name);
        layout->addWidget(m_boxes[i]);
    }
    auto* altRow = new QHBoxLayout;
    lblAlt = named(new QLabel(QStringLiteral("Alternate Folders:"), Frame1), "lblAlt");
    Command2 = named(new QPushButton(QStringLiteral("+"), Frame1), "Command2");
    Command5 = named(new QPushButton(QStringLiteral("-"), Frame1), "Command5");
    for (QPushButton* b : {Command2, Command5})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(u'+') + 16);
    altRow->addWidget(lblAlt, 1);
    altRow->addWidget(Command2);
    altRow->addWidget(Command5);
    layout->addSpacing(2);
    layout->addLayout(altRow);
    text3 = named(new QListWidget(Frame1), "text3");
    text3->setMouseTracking(true);
    text3->viewport()->installEventFilter(this);
    text3->setTextElideMode(Qt::ElideMiddle);
    lblAlt->setBuddy(text3);
    layout->addWidget(text3, 1);
    auto* selectRow = new QHBoxLayout;
    Command3 = named(new QPushButton(QStringLiteral("Select All"), Frame1), "Command3");
    Command4 = named(new QPushButton(QStringLiteral("Select None"), Frame1), "Command4");
    selectRow->addWidget(Command3);
    selectRow->addWidget(Command4);
    layout->addLayout(selectRow);
}

void Form1::buildSearchForFrame()
{
    Frame2 = named(new QGroupBox(QStringLiteral("Search for:"), centralWidget()), "Frame2");
    Frame2->setMouseTracking(true);
    Frame2->installEventFilter(this);
    auto* layout = new QVBoxLayout(Frame2);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
    Combo1 = named(new QComboBox(Frame2), "Combo1");
    for (const char* caption : kFileTypes)
        Combo1->addItem(QString::fromLatin1(caption));
    layout->addWidget(Combo1);
    auto* row = new QHBoxLayout;
    Label2 = named(new QLabel(QStringLiteral("Custom filter:"), Frame2), "Label2");
    Text2 = named(new QLineEdit(QStringLiteral("*.gif"), Frame2), "Text2");
    Label2->setBuddy(Text2);
    row->addWidget(Label2);
    row->addWidget(Text2, 1);
    layout->addLayout(row);
}

void Form1::buildPresetsFrame()
{
    Frame3 = named(new QGroupBox(QStringLiteral("Presets:"), centralWidget()), "Frame3");
    auto* layout = new QVBoxLayout(Frame3);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
    Combo2 = named(new QComboBox(Frame3), "Combo2");
    layout->addWidget(Combo2);
    auto* row = new QHBoxLayout;
    Command8 = named(new QPushButton(QStringLiteral("Load"), Frame3), "Command8");
    Command7 = named(new QPushButton(QStringLiteral("+"), Frame3), "Command7");
    Command6 = named(new QPushButton(QStringLiteral("-"), Frame3), "Command6");
    row->addWidget(Command8, 1);
    row->addWidget(Command7);
    row->addWidget(Command6);
    layout->addLayout(row);
    layout->addStretch(1);
}

void Form1::setAccessibleNames()
{
    // Controls with a caption are named by it; the others by what they hold.
    for (auto* w : findChildren<QAbstractButton*>())
        w->setAccessibleName(withoutMnemonic(w->text()));
    for (auto* w : findChildren<QGroupBox*>())
        w->setAccessibleName(withoutMnemonic(w->title()));
    for (auto* w : findChildren<QLabel*>())
        w->setAccessibleName(withoutMnemonic(w->text()));
    Command2->setAccessibleDescription(QStringLiteral("Add a folder"));
    Command5->setAccessibleDescription(QStringLiteral("Remove the highlighted folder"));
    Command7->setAccessibleDescription(QStringLiteral("Save the scope as a preset"));
    Command6->setAccessibleDescription(QStringLiteral("Delete the selected preset"));
    Text1->setAccessibleName(QStringLiteral("Search Text"));
    ListView1->setAccessibleName(QStringLiteral("Results"));
    text3->setAccessibleName(QStringLiteral("Alternate Folders"));
    Combo1->setAccessibleName(QStringLiteral("File Type"));
    Text2->setAccessibleName(QStringLiteral("Custom filter"));
    Combo2->setAccessibleName(QStringLiteral("Presets"));
}

void Form1::connectSignals()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Text1, &QComboBox::editTextChanged, m_engine.get(), &SearchEngine::setSearchText);
    connect(mnuOptionsMC, &QAction::toggled, m_engine.get(), &SearchEngine::setMatchCase);

    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);

    connect(mnuFileSelAll, &QAction::triggered, this, &Form1::mnuFileSelAll_Click);
    connect(mnuPopSelAll, &QAction::triggered, this, &Form1::mnuFileSelAll_Click);
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    for (int i = 0; i < 3; ++i)
        connect(mnuViewO[i], &QAction::triggered, this, [this, i] { mnuViewO_Click(i); });
    connect(mnuOptionsShowExt, &QAction::triggered, this, &Form1::mnuOptionsShowExt_Click);
    connect(mnuOptionsIcons, &QAction::triggered, this, &Form1::mnuOptionsIcons_Click);

    connect(ListView1, &ResultList::columnClicked, this, &Form1::ListView1_ColumnClick);
    connect(ListView1, &ResultList::launchRequested, this, &Form1::mnuFileLaunch_Click);
    connect(ListView1, &ResultList::popupRequested, this, &Form1::showPopup);
    connect(ListView1, &ResultList::hoverTextChanged, this, [this](const QString& text) {
        if (m_run->SearchIdle())
            setPanelText(1, text.isEmpty() ? sbStatusBar::copyrightLine() : text);
    });
    connect(ListView1, &ResultList::listHasFocusChanged, this, [this](bool focused) {
        m_listHasFocus = focused;
        updateControls();
    });
    connect(m_statusBar, &sbStatusBar::pointerMoved, this, &Form1::showCopyrightLine);

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
// Start-up and closing

void Form1::loadStartUp()
{
    CRegSettings store = CRegSettings::forProgram();
    const AppOptions options = loadAppOptions(store);

    // The stored sort is replayed so that the list is sorted from the start; no arrow shows
    // until the user clicks a header.
    m_sort.SortAscending = options.sortAscending;
    m_sort.ApplyingStoredSort = true;
    ListView1_ColumnClick(options.sortedColumn);

    applyScope(loadScope(store, QString()));
    mnuOptionsShowExt->setChecked(options.showExtensions);
    mnuOptionsSF->setChecked(options.subfolders);
    mnuOptionsMC->setChecked(options.matchCase);
    mnuOptionsIcons->setChecked(options.showIcons);
    ListView1->model()->setShowExtensions(options.showExtensions);
    ListView1->model()->setShowIcons(options.showIcons);
    m_engine->setMatchCase(options.matchCase);
    mnuViewO_Click(options.view);

    Text1->clear();
    Text1->addItems(SearchHistory::loadForStartUp(store));

    Combo2->clear();
    const QStringList presets = Presets().list();
    if (!presets.isEmpty()) {
        Combo2->addItems(presets);
        Combo2->setCurrentIndex(0);
    }
}

void Form1::saveSettings()
{
    RegistryBatch batch; // one write of the settings file for the whole save
    CRegSettings store = CRegSettings::forProgram();
    AppOptions options;
    options.showExtensions = mnuOptionsShowExt->isChecked();
    options.subfolders = mnuOptionsSF->isChecked();
    options.matchCase = mnuOptionsMC->isChecked();
    options.showIcons = mnuOptionsIcons->isChecked();
    options.view = ListView1->viewMode();
    options.sortAscending = m_sort.SortAscending;
    options.sortedColumn = m_sort.SortColumn;
    saveAppOptions(store, options);
    saveScope(store, QString(), currentScope());
}

void Form1::closeEvent(QCloseEvent* event)
{
    saveSettings();
    if (!m_run->SearchIdle() || searchRunning()) {
        Prompt::instance()->MsgBox(
            QStringLiteral("Please stop the search in progress before closing the program"),
            MsgStyle::Information, QStringLiteral("Problem"));
        event->ignore();
        return;
    }
    event->accept();
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
    m_geometry = FormLayout::resized(m_geometry, W, H, CH, qRound(m_statusBar->height() * ty));
    placeControl(Label1, m_geometry.Label1);
    placeControl(Text1, m_geometry.Text1);
    placeControl(Command1, m_geometry.Command1);
    placeControl(ListView1, m_geometry.ListView1);
    placeControl(Frame1, m_geometry.Frame1);
    placeControl(Frame2, m_geometry.Frame2);
    placeControl(Frame3, m_geometry.Frame3);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayout();
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    applyLayout();
}

void Form1::updateControls()
{
    if (m_destroying)
        return;
    ControlInputs in;
    in.listHasFocus = m_listHasFocus;
    in.listRows = rowCount();
    in.searchIdle = m_run->SearchIdle();
    in.altFolderCount = text3->count();
    for (QCheckBox* box : m_boxes)
        in.anyBoxTicked = in.anyBoxTicked || box->checkState() == Qt::PartiallyChecked ||
                          box->checkState() == Qt::Checked;
    for (int i = 0; i < text3->count() && !in.anyAltFolderTicked; ++i)
        in.anyAltFolderTicked = text3->item(i)->checkState() == Qt::Checked;
    in.presetSelected = Combo2->currentIndex() >= 0;

    const ControlStates out = controlStates(in);
    Command1->setDefault(out.searchIsDefault);
    Command5->setEnabled(out.removeFolderEnabled);
    Command1->setEnabled(out.searchEnabled);
    Command8->setEnabled(out.presetButtonsEnabled);
    Command6->setEnabled(out.presetButtonsEnabled);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (!text3 || !Frame2)
        return QMainWindow::eventFilter(watched, event); // still building the window
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && watched == Text1->lineEdit()) {
            // Enter in the search box is the search command, even with the button disabled.
            Command1_Click();
            return true;
        }
        if (enter && Command1->isDefault() &&
            (watched == ListView1->detailsView() || watched == ListView1->iconView())) {
            // The list takes Enter only while it is idle with rows; otherwise the button does.
            if (Command1->isEnabled())
                Command1->click();
            return true;
        }
    } else if (event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (watched == text3->viewport()) {
            if (move->buttons() == Qt::NoButton) {
                // The tooltip names the entry under the pointer, or the last one below it.
                QListWidgetItem* item = text3->itemAt(move->position().toPoint());
                if (!item && text3->count() > 0 &&
                    text3->viewport()->rect().contains(move->position().toPoint()))
                    item = text3->item(text3->count() - 1);
                text3->setToolTip(item ? item->text() : QString());
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
    // Enter that no control took presses the default button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        Command1->isDefault() && Command1->isEnabled()) {
        Command1->click();
        return;
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

void Form1::addRows(ResultRows rows)
{
    ListView1->model()->addRows(std::move(rows));
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

void Form1::Command1_Click()
{
    m_run->command();
}

// ---------------------------------------------------------------------------------------
// Scope

SearchScope Form1::currentScope() const
{
    SearchScope scope;
    for (int i = 0; i < FolderBoxCount; ++i) {
        switch (m_boxes[i]->checkState()) {
        case Qt::Checked:
            scope.boxes[i] = 1;
            break;
        case Qt::PartiallyChecked:
            scope.boxes[i] = 2;
            break;
        case Qt::Unchecked:
            scope.boxes[i] = 0;
            break;
        }
    }
    scope.fileType = Combo1->currentIndex();
    scope.customFilter = Text2->text();
    scope.altFolders.clear();
    for (int i = 0; i < text3->count(); ++i)
        scope.altFolders.append(altFolder(i));
    return scope;
}

void Form1::applyScope(const SearchScope& scope)
{
    for (int i = 0; i < FolderBoxCount; ++i) {
        m_boxes[i]->setTristate(scope.boxes[i] == 2);
        m_boxes[i]->setCheckState(scope.boxes[i] == 1   ? Qt::Checked
                                  : scope.boxes[i] == 2 ? Qt::PartiallyChecked
                                                        : Qt::Unchecked);
    }
    Combo1->setCurrentIndex(scope.fileType);
    Text2->setText(scope.customFilter);
    Combo1_Click();
    text3->clear();
    for (const AltFolder& folder : scope.altFolders)
        addAltFolder(folder);
    if (text3->count() > 0)
        text3->setCurrentRow(0);
}

void Form1::addAltFolder(const AltFolder& folder)
{
    auto* item = new QListWidgetItem(folder.path, text3);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(folder.ticked ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(folder.path);
}

void Form1::Command2_Click()
{
    const QListWidgetItem* current = text3->currentItem();
    const QString initial = current ? current->text() : QString();
    const QString path = Prompt::instance()->BrowseForFolder(
        QStringLiteral("Select a folder in which to search."), initial);
    if (path.isEmpty())
        return;
    for (int i = 0; i < text3->count(); ++i) {
        if (text3->item(i)->text() == path) {
            Prompt::instance()->MsgBox(u'"' + path + u"\" is already in the list.",
                                       MsgStyle::OkOnly | MsgStyle::Exclamation,
                                       QStringLiteral("Already There"));
            return;
        }
    }
    addAltFolder({path, false});
}

void Form1::Command5_Click()
{
    const int row = text3->currentRow();
    if (row >= 0)
        delete text3->takeItem(row);
}

void Form1::Command3_Click()
{
    for (QCheckBox* box : m_boxes) {
        box->setTristate(false);
        box->setCheckState(Qt::Checked);
    }
    for (int i = 0; i < text3->count(); ++i)
        text3->item(i)->setCheckState(Qt::Checked);
    if (text3->count() > 0)
        text3->setCurrentRow(0);
}

void Form1::Command4_Click()
{
    for (QCheckBox* box : m_boxes) {
        box->setTristate(false);
        box->setCheckState(Qt::Unchecked);
    }
    for (int i = 0; i < text3->count(); ++i)
        text3->item(i)->setCheckState(Qt::Unchecked);
}

void Form1::Combo1_Click()
{
    const bool custom = Combo1->currentIndex() == kCustomFileType;
    Label2->setEnabled(custom);
    Text2->setEnabled(custom);
    if (custom && !IsLoading) {
        Text2->setFocus(Qt::OtherFocusReason);
        Text2->selectAll();
    }
}

// ---------------------------------------------------------------------------------------
// Presets

void Form1::Command7_Click()
{
    QStringList listed;
    for (int i = 0; i < Combo2->count(); ++i)
        listed.append(Combo2->itemText(i));
    const std::optional<PresetName> chosen =
        askPresetName(*Prompt::instance(), listed, m_lastPresetName);
    if (!chosen)
        return;
    if (!Presets().save(chosen->name, currentScope())) {
        // The list only ever names presets that are stored.
        Prompt::instance()->MsgBox(
            u"The preset \"" + chosen->name +
                u"\" could not be saved: the settings file cannot be written.",
            MsgStyle::OkOnly | MsgStyle::Critical, QStringLiteral("Oops!"));
        return;
    }
    if (chosen->replaces >= 0)
        Combo2->removeItem(chosen->replaces);
    Combo2->insertItem(0, chosen->name);
    Combo2->setCurrentIndex(0);
}

void Form1::Command8_Click()
{
    if (Combo2->currentIndex() < 0)
        return;
    applyScope(Presets().load(Combo2->currentText()));
}

void Form1::Command6_Click()
{
    if (Combo2->currentIndex() < 0)
        return;
    const int answer = Prompt::instance()->MsgBox(
        QStringLiteral("Are you sure you wish to delete the selected preset?"),
        MsgStyle::YesNo | MsgStyle::Exclamation, QStringLiteral("Preset Exists"));
    if (answer != MsgResult::Yes)
        return;
    Presets().remove(Combo2->currentText());
    Combo2->removeItem(Combo2->currentIndex());
    Combo2->setCurrentIndex(Combo2->count() > 0 ? 0 : -1);
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

void Form1::mnuFileLaunch_Click()
{
    // Launching the selected rows comes with the item commands.
}

void Form1::showPopup(const QPoint& globalPos)
{
    mnupop->popup(globalPos);
}
