#include "Form1Ui.h"

#include "platform/DisplayText.h"
#include "results/ResultList.h"
#include "results/sbStatusBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include <utility>

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

/// The frames are narrow: a button there asks for the room its caption needs rather than the
/// style's usual minimum width, so that the right-hand column grows only for a wider font.
void fitToCaption(QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const QStyle* style = button->style();
    const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) +
                        2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + margins);
}

/// Width of the small "+" and "-" buttons.
int signButtonWidth(const QPushButton* button)
{
    return button->fontMetrics().horizontalAdvance(u'+') + 16;
}

} // namespace

SearchTextBox::SearchTextBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Inline completion from the history would turn a typed "report" into "reports" before
    // Enter: the search is for what the user typed; the history stays in the drop-down.
    setCompleter(nullptr);
}

SearchTextBox::~SearchTextBox() = default;

void SearchTextBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !view()->isVisible()) {
        event->accept();
        Q_EMIT enterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void Form1Ui::setupUi(QMainWindow& window, QObject& hints)
{
    buildMenus(window);
    buildControls(window, hints);
    setAccessibleNames(window);
}

void Form1Ui::buildMenus(QMainWindow& window)
{
    mnuFile = named(window.menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    buildFileItems(window);
    mnuFileSelAll = namedAction(mnuFile->addAction(QStringLiteral("&Select All")), "mnuFileSelAll");
    mnuFileSelAll->setShortcut(QKeySequence::SelectAll);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("asda"));
    mnuFileSysTray = namedAction(mnuFile->addAction(QStringLiteral("&Minimize to System Tray")),
                                 "mnuFileSysTray");
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFilesep2"));
    mnuFileExit = namedAction(mnuFile->addAction(QStringLiteral("E&xit")), "mnuFileExit");
    mnuFileExit->setShortcut(QKeySequence::Quit);

    mnuOptions = named(window.menuBar()->addMenu(QStringLiteral("&Search Options")), "mnuOptions");
    mnuOptionsSF =
        namedAction(mnuOptions->addAction(QStringLiteral("Search in &Subfolders")), "mnuOptionsSF");
    mnuOptionsSF->setCheckable(true);
    mnuOptionsMC =
        namedAction(mnuOptions->addAction(QStringLiteral("Match &Case")), "mnuOptionsMC");
    mnuOptionsMC->setCheckable(true);

    mnuView = named(window.menuBar()->addMenu(QStringLiteral("&View")), "mnuView");
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

    mnuhelp = named(window.menuBar()->addMenu(QStringLiteral("&Help")), "mnuhelp");
    mnHelpCnt = namedAction(mnuhelp->addAction(QStringLiteral("&Contents")), "mnHelpCnt");
    mnHelpCnt->setShortcut(QKeySequence(Qt::Key_F1));
    mnuhelp->addSeparator()->setObjectName(QStringLiteral("mnuHelpSep1"));
    mnuHelpAbt = namedAction(mnuhelp->addAction(QStringLiteral("&About")), "mnuHelpAbt");

    buildPopup(window);
}

void Form1Ui::buildFileItems(QMainWindow& window)
{
    const auto item = [this](const char* caption, const char* name) {
        return namedAction(mnuFile->addAction(QString::fromLatin1(caption)), name);
    };
    mnuFileLaunch = item("&Launch", "mnuFileLaunch");
    mnuFileOW = item("&Open with...", "mnuFileOW");
    mnuFileRecent =
        named(new QMenu(QStringLiteral("&Recently Launched"), &window), "mnuFileRecent");
    mnuFile->addMenu(mnuFileRecent);
    namedAction(mnuFile->addSeparator(), "mnuFilesep1");
    mnuFileClip = item("C&opy to Clipboard", "mnuFileClip");
    mnuFileClip->setShortcut(QKeySequence::Copy);
    mnuFileCopy = item("&Copy to...", "mnuFileCopy");
    mnuFileMove = item("&Move to...", "mnuFileMove");
    mnuFileDelete = item("&Delete", "mnuFileDelete");
    mnuFileDelete->setShortcut(QKeySequence::Delete);
    mnuFileRename = item("Re&name...", "mnuFileRename");
    mnuFileRename->setShortcut(QKeySequence(Qt::Key_F2));
    mnuFileExplore = item("&Explore location...", "mnuFileExplore");
    mnuFileProp = item("&Properties...", "mnuFileProp");
    namedAction(mnuFile->addSeparator(), "sep");
}

void Form1Ui::buildPopup(QMainWindow& window)
{
    mnupop = named(new QMenu(&window), "mnupop");
    const auto item = [this](const char* caption, const char* name) {
        return namedAction(mnupop->addAction(QString::fromLatin1(caption)), name);
    };
    mnuPopLaunch = item("&Launch", "mnuPopLaunch");
    mnuPopOW = item("&Open with...", "mnuPopOW");
    mnuPopClip = item("C&opy to Clipboard", "mnuPopClip");
    mnuPopCopy = item("&Copy to...", "mnuPopCopy");
    mnuPopMove = item("&Move to...", "mnuPopMove");
    mnuPopDelete = item("&Delete", "mnuPopDelete");
    mnuPopRename = item("&Rename...", "mnuPopRename");
    mnupopexplore = item("&Explore location...", "mnupopexplore");
    mnuPopProp = item("&Properties...", "mnuPopProp");
    namedAction(mnupop->addSeparator(), "asasasda");
    mnuPopSelAll = item("&Select All", "mnuPopSelAll");
}

void Form1Ui::buildControls(QMainWindow& window, QObject& hints)
{
    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("client"));
    client->setMouseTracking(true);
    client->installEventFilter(&hints);
    window.setCentralWidget(client);

    Label1 = named(new QLabel(QStringLiteral("Search Text:"), client), "Label1");
    Text1 = named(new SearchTextBox(client), "Text1");
    Text1->setEditable(true);
    Text1->setInsertPolicy(QComboBox::NoInsert);
    Text1->setMaxCount(9);
    Label1->setBuddy(Text1);
    Command1 = named(new QPushButton(QStringLiteral("Search"), client), "Command1");
    Command1->setDefault(true);

    ListView1 = new ResultList(client);

    buildSearchInFrame(client, hints);
    buildSearchForFrame(client, hints);
    buildPresetsFrame(client);

    m_statusBar = new sbStatusBar(&window);
    window.setStatusBar(m_statusBar);
}

void Form1Ui::buildSearchInFrame(QWidget* client, QObject& hints)
{
    Frame1 = named(new QGroupBox(QStringLiteral("Search in:"), client), "Frame1");
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(&hints);
    auto* layout = new QVBoxLayout(Frame1);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(0);
    for (int i = 0; i < FolderBoxCount; ++i) {
        m_boxes[i] =
            named(new QCheckBox(QString::fromLatin1(kBoxes[i].caption), Frame1), kBoxes[i].name);
        layout->addWidget(m_boxes[i]);
    }
    // The caption has the frame's width to itself; "+" and "-" stand beside the list.
    lblAlt = named(new QLabel(QStringLiteral("Alternate Folders:"), Frame1), "lblAlt");
    layout->addSpacing(2);
    layout->addWidget(lblAlt);
    auto* altRow = new QHBoxLayout;
    text3 = named(new QListWidget(Frame1), "text3");
    text3->setMouseTracking(true);
    text3->viewport()->installEventFilter(&hints);
    text3->setTextElideMode(Qt::ElideMiddle);
    lblAlt->setBuddy(text3);
    altRow->addWidget(text3, 1);
    auto* altButtons = new QVBoxLayout;
    Command2 = named(new QPushButton(QStringLiteral("+"), Frame1), "Command2");
    Command5 = named(new QPushButton(QStringLiteral("-"), Frame1), "Command5");
    for (QPushButton* b : {Command2, Command5}) {
        b->setFixedWidth(signButtonWidth(b));
        altButtons->addWidget(b);
    }
    altButtons->addStretch(1);
    altRow->addLayout(altButtons);
    layout->addLayout(altRow, 1);
    auto* selectRow = new QHBoxLayout;
    Command3 = named(new QPushButton(QStringLiteral("Select All"), Frame1), "Command3");
    Command4 = named(new QPushButton(QStringLiteral("Select None"), Frame1), "Command4");
    fitToCaption(Command3);
    fitToCaption(Command4);
    selectRow->addWidget(Command3);
    selectRow->addWidget(Command4);
    layout->addLayout(selectRow);
}

void Form1Ui::buildSearchForFrame(QWidget* client, QObject& hints)
{
    Frame2 = named(new QGroupBox(QStringLiteral("Search for:"), client), "Frame2");
    Frame2->setMouseTracking(true);
    Frame2->installEventFilter(&hints);
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

void Form1Ui::buildPresetsFrame(QWidget* client)
{
    Frame3 = named(new QGroupBox(QStringLiteral("Presets:"), client), "Frame3");
    auto* layout = new QVBoxLayout(Frame3);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
    Combo2 = named(new QComboBox(Frame3), "Combo2");
    // The frame keeps its width whatever the presets are called: a long name is cut in the
    // box (the list that drops down shows it whole), and never widens the right-hand column.
    Combo2->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo2->setMinimumContentsLength(8);
    // Its tooltip names the preset whole.
    QObject::connect(Combo2, &QComboBox::currentTextChanged, Combo2,
                     [box = Combo2](const QString& text) { box->setToolTip(plainToolTip(text)); });
    layout->addWidget(Combo2);
    auto* row = new QHBoxLayout;
    Command8 = named(new QPushButton(QStringLiteral("Load"), Frame3), "Command8");
    Command7 = named(new QPushButton(QStringLiteral("+"), Frame3), "Command7");
    Command6 = named(new QPushButton(QStringLiteral("-"), Frame3), "Command6");
    fitToCaption(Command8);
    Command7->setFixedWidth(signButtonWidth(Command7));
    Command6->setFixedWidth(signButtonWidth(Command6));
    row->addWidget(Command8, 1);
    row->addWidget(Command7);
    row->addWidget(Command6);
    layout->addLayout(row);
    layout->addStretch(1);
}

void Form1Ui::setAccessibleNames(QMainWindow& window)
{
    // Controls with a caption are named by it; the others by what they hold.
    for (auto* w : window.findChildren<QAbstractButton*>())
        w->setAccessibleName(withoutMnemonic(w->text()));
    for (auto* w : window.findChildren<QGroupBox*>())
        w->setAccessibleName(withoutMnemonic(w->title()));
    // (The status panels name themselves by their whole text, which they may show cut.)
    for (auto* w : window.findChildren<QLabel*>()) {
        if (!m_statusBar->isAncestorOf(w))
            w->setAccessibleName(withoutMnemonic(w->text()));
    }
    // The sign buttons say what they do: to a screen reader, and under the pointer.
    const std::pair<QPushButton*, QString> signs[] = {
        {Command2, QStringLiteral("Add a folder")},
        {Command5, QStringLiteral("Remove the highlighted folder")},
        {Command7, QStringLiteral("Save the scope as a preset")},
        {Command6, QStringLiteral("Delete the selected preset")}};
    for (const auto& [button, says] : signs) {
        button->setAccessibleDescription(says);
        button->setToolTip(says);
    }
    Text1->setAccessibleName(QStringLiteral("Search Text"));
    ListView1->setAccessibleName(QStringLiteral("Results"));
    text3->setAccessibleName(QStringLiteral("Alternate Folders"));
    Combo1->setAccessibleName(QStringLiteral("File Type"));
    Text2->setAccessibleName(QStringLiteral("Custom filter"));
    Combo2->setAccessibleName(QStringLiteral("Presets"));
    // The edit field inside an editable box is what a screen reader meets while typing.
    for (QComboBox* box : {static_cast<QComboBox*>(Text1), Combo2}) {
        if (box->lineEdit())
            box->lineEdit()->setAccessibleName(box->accessibleName());
    }
}
