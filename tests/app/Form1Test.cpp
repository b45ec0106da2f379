// The main window driven headless: searches, the scope controls, the list and the layout
// as the window is resized; the run's sequence seen from a recording host, and the special
// folders it walks.
#include "app/FormLayout.h"
#include "app/SearchRun.h"
#include "platform/ShellFolders.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "results/sbStatusBar.h"
#include "search/SearchEngine.h"
#include "settings/CRegSettings.h"

#include "DeadMount.h"
#include "ProgramFixture.h"
#include "ScriptedPrompt.h"
#include "StuckWalk.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTreeView>

namespace {

using namespace AppTest;

class Form1Test : public ProgramFixture {
protected:
    QPushButton* searchButton() const { return child<QPushButton>("Command1"); }
    QComboBox* searchBox() const { return child<QComboBox>("Text1"); }
    QListWidget* altFolders() const { return child<QListWidget>("text3"); }
    ResultModel* model() const { return child<ResultList>("ListView1")->model(); }
    QString panel(int i) const { return child<sbStatusBar>("sbStatusBar")->panelText(i); }

    /// Starts with only `boxes` ticked and `alts` as the alternate folders.
    void startScoped(std::initializer_list<const char*> boxes, const QList<AltFolder>& alts = {})
    {
        start();
        tickOnly(form(), boxes);
        altFolders()->clear();
        for (const AltFolder& alt : alts)
            addAltFolder(altFolders(), alt.path, alt.ticked);
    }

    static QString history(const char* key)
    {
        return CRegSettings::forProgram().GetSetting(u"Search terms"_qs, QString::fromLatin1(key));
    }

    void search(const QString& text)
    {
        searchBox()->setEditText(text);
        form()->Command1_Click();
        ASSERT_TRUE(runEnded());
    }

    /// The names in the list, in its order or sorted.
    QStringList foundNames(bool sorted = true) const
    {
        QStringList names;
        for (int r = 0; r < model()->rowCount(); ++r)
            names << model()->data(model()->index(r, 0)).toString();
        if (sorted)
            names.sort();
        return names;
    }
};

TEST_F(Form1Test, StartUpListsTheHistoryAndLeavesTheSearchBoxEmpty)
{
    CRegSettings store = CRegSettings::forProgram();
    store.SaveSetting(u"Search terms"_qs, u"Number"_qs, u"2"_qs);
    store.SaveSetting(u"Search terms"_qs, u"Term0"_qs, u"newest"_qs);
    store.SaveSetting(u"Search terms"_qs, u"Term1"_qs, u"older"_qs);
    start();
    ASSERT_EQ(searchBox()->count(), 2);
    EXPECT_EQ(searchBox()->itemText(0), u"newest"_qs);
    EXPECT_EQ(searchBox()->currentText(), QString());
    // Typing the start of a stored term searches for what was typed, not the term.
    QTest::keyClicks(searchBox()->lineEdit(), u"new"_qs);
    EXPECT_EQ(searchBox()->currentText(), u"new"_qs);
}

TEST_F(Form1Test, EnterSearchesFromTheBoxOrAnEmptyList)
{
    startScoped({});
    EXPECT_FALSE(searchButton()->isEnabled());
    searchBox()->setEditText(QStringLiteral("anything"));
    searchBox()->setFocus();
    QTest::keyClick(searchBox()->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
    EXPECT_EQ(panel(3), QStringLiteral("0 item(s) found."));
    EXPECT_EQ(panel(1), sbStatusBar::copyrightLine());
    EXPECT_EQ(history("Term0"), u"anything"_qs);
    EXPECT_EQ(searchBox()->count(), 1);
    EXPECT_EQ(searchBox()->currentText(), u"anything"_qs);

    // An empty focused list: Enter presses Search.
    home.write(QStringLiteral("Desktop/anything.txt"), "x");
    tickOnly(form(), {"chkDT"});
    auto* list = child<ResultList>("ListView1");
    int launches = 0;
    QObject::connect(list, &ResultList::launchRequested, [&] { ++launches; });
    list->detailsView()->setFocus();
    QTest::keyClick(list->detailsView(), Qt::Key_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(launches, 0);

    // With the button enabled too, one Enter in the box is one search (not a start and a
    // stop); it starts from an empty list, and the same term leaves the history alone.
    searchBox()->setFocus();
    QTest::keyClick(searchBox()->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(history("Number"), u"1"_qs);
}

TEST_F(Form1Test, DestroyingTheWindowMidRunLeavesNoWorker)
{
    for (int i = 0; i < 400; ++i)
        home.write(QStringLiteral("big/d%1/f%2.txt").arg(i % 20).arg(i), "x");
    startScoped({}, {{home.path(QStringLiteral("big")), true}});
    searchBox()->setEditText(QStringLiteral("f"));
    form()->Command1_Click();
    EXPECT_EQ(searchButton()->text(), u"Stop"_qs); // the button stops the run
    QTest::qWait(1);
    program.reset(); // must return promptly and not crash
    SUCCEED();
}

// ---------------------------------------------------------------------------------------
// Scope controls

TEST_F(Form1Test, TheSearchButtonFollowsTheTickedPlaces)
{
    // Grey boxes alone leave nothing to search.
    CRegSettings store = CRegSettings::forProgram();
    for (const char* key : {"Desktop", "Start Menu Programs", "Favorites", "My Documents",
                            "Send To", "App Data", "Internet Cache", "Recent Docs"})
        store.SaveSetting(u"Search Folders"_qs, QString::fromLatin1(key), u"2"_qs);
    start();
    EXPECT_EQ(child<QCheckBox>("chkDT")->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(searchButton()->isEnabled());
    child<QCheckBox>("chkST")->setCheckState(Qt::Checked);
    EXPECT_TRUE(searchButton()->isEnabled());

    // Select None and Select All, over the boxes and the alternate folders.
    altFolders()->clear();
    addAltFolder(altFolders(), QStringLiteral("/a"), false);
    addAltFolder(altFolders(), QStringLiteral("/b"), false);
    altFolders()->setCurrentRow(1);
    child<QPushButton>("Command4")->click();
    EXPECT_FALSE(searchButton()->isEnabled());
    EXPECT_EQ(altFolders()->currentRow(), 1);
    altFolders()->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(searchButton()->isEnabled());
    child<QPushButton>("Command3")->click();
    EXPECT_TRUE(child<QCheckBox>("chkIC")->isChecked());
    EXPECT_EQ(altFolders()->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(altFolders()->currentRow(), 0);
    altFolders()->clear();
    EXPECT_FALSE(child<QPushButton>("Command5")->isEnabled());
}

/// The room a control's caption has, in pixels, as its style lays it out.
int captionRoom(QWidget* w)
{
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const bool check = qobject_cast<QCheckBox*>(w) != nullptr;
        return w->style()
            ->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                             &option, w)
            .width();
    }
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return box->width() - 2 * box->style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    return w->contentsRect().width();
}

TEST_F(Form1Test, EveryCaptionIsWholeAtTheDefaultSize)
{
    start();
    int checked = 0;
    for (QWidget* w : form()->centralWidget()->findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            text = box->title();
        text.remove(u'&');
        if (text.isEmpty() || !w->isVisible())
            continue;
        ++checked;
        const std::string name = w->objectName().toStdString();
        EXPECT_LE(w->fontMetrics().horizontalAdvance(text), captionRoom(w)) << name;
        // Nor is any control cut by the edge of what holds it.
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << name;
    }
    EXPECT_GE(checked, 20);
}

// A window manager's maximising leaves Qt no normal geometry, and may resize the window before
// it says that it maximised it: the size saved is still the one the user gave, and a start
// maximised lets the window shrink back to its design size, not only to the screen's.
TEST_F(Form1Test, AMaximisedWindowKeepsItsNormalSize)
{
    start();
    const QSize design = form()->size();
    const QRect normal(QPoint(40, 30), design + QSize(20, 10));
    form()->setGeometry(normal);
    QTest::qWait(WindowSettings::NormalGeometry::kSettleMs + 200);
    // A window manager that resizes to the maximised size before it says it maximised.
    form()->setGeometry(form()->screen()->availableGeometry());
    form()->setWindowState(Qt::WindowMaximized);
    QTest::qWait(WindowSettings::NormalGeometry::kSettleMs + 200);
    ASSERT_TRUE(form()->close());
    const QString text = settingsText();
    EXPECT_TRUE(text.contains(u"\"WinState\"=\"2\""_qs)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"\"Width\"=\""_qs + QString::number(normal.width() * 15) + u'"'))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"\"Height\"=\""_qs + QString::number(normal.height() * 15) + u'"'))
        << text.toStdString();

    restart();
    EXPECT_TRUE(form()->isMaximized());
    EXPECT_LE(form()->MinTrackWidth(), design.width());
    EXPECT_LE(form()->MinTrackHeight(), design.height());
    // Restored, it comes back to the size the user gave it.
    form()->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form()->size() == normal.size(); }))
        << form()->width() << 'x' << form()->height();
    // A size given just before maximising, before it settled, counts all the same, also when
    // the window manager's maximised size comes between it and the maximised state.
    const QRect last(QPoint(60, 40), normal.size() + QSize(16, 12));
    form()->setGeometry(last);
    form()->setGeometry(form()->screen()->availableGeometry());
    form()->setWindowState(Qt::WindowMaximized);
    QTest::qWait(WindowSettings::NormalGeometry::kSettleMs + 200);
    ASSERT_TRUE(form()->close());
    EXPECT_TRUE(
        settingsText().contains(u"\"Width\"=\""_qs + QString::number(last.width() * 15) + u'"'))
        << settingsText().toStdString();
}

void touch(const QString& path, const QDateTime& when)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(when, QFileDevice::FileModificationTime);
}

TEST_F(Form1Test, DateSortGivesNewestFirstAndSurvivesTheEndOfARun)
{
    const QDateTime base(QDate(2004, 12, 1), QTime(12, 0));
    touch(home.write(QStringLiteral("Desktop/b-old.txt"), "x"), base);
    touch(home.write(QStringLiteral("Desktop/a-new.txt"), "x"), base.addDays(500));
    touch(home.write(QStringLiteral("Desktop/c-mid.txt"), "x"), base.addDays(100));
    startScoped({"chkDT"});
    form()->ListView1_ColumnClick(1); // Name ascending after the start-up replay ...
    form()->ListView1_ColumnClick(1); // ... and back
    search(QStringLiteral(".txt"));
    EXPECT_EQ(foundNames(false), (QStringList{"a-new", "b-old", "c-mid"}));

    form()->ListView1_ColumnClick(4);
    EXPECT_FALSE(form()->sortState().SortAscending);
    EXPECT_EQ(foundNames(false), (QStringList{"a-new", "c-mid", "b-old"}));
    EXPECT_EQ(form()->sortState().arrowColumn(), 4);

    // A new run keeps the Date order with the arrow as it was.
    search(QStringLiteral(".txt"));
    EXPECT_EQ(foundNames(false), (QStringList{"a-new", "c-mid", "b-old"}));
    EXPECT_EQ(form()->sortState().arrowColumn(), 4);
    EXPECT_FALSE(form()->sortState().arrowUp());

    form()->ListView1_ColumnClick(4);
    EXPECT_EQ(foundNames(false), (QStringList{"b-old", "c-mid", "a-new"}));
}

TEST_F(Form1Test, ViewsExtensionsAndSelectAllActOnTheListedRows)
{
    home.write(QStringLiteral("Desktop/report.txt"), "x");
    home.write(QStringLiteral("Desktop/archive.tar.gz"), "x");
    startScoped({"chkDT"});
    search(QString());
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(foundNames(), (QStringList{"archive.tar", "report"}));

    child<QAction>("mnuOptionsShowExt")->trigger();
    EXPECT_EQ(foundNames(), (QStringList{"archive.tar.gz", "report.txt"}));

    child<QAction>("mnuViewO2")->trigger();
    EXPECT_FALSE(child<QAction>("mnuViewO0")->isChecked());
    EXPECT_TRUE(child<QAction>("mnuViewO2")->isChecked());
    EXPECT_EQ(child<ResultList>("ListView1")->viewMode(), 2);
    EXPECT_EQ(model()->rowCount(), 2);

    child<QAction>("mnuFileSelAll")->trigger();
    EXPECT_EQ(form()->GetSelectedFiles().size(), 2);
    child<QAction>("mnuViewO0")->trigger();
    EXPECT_EQ(form()->GetSelectedFiles().size(), 2); // one selection for every view

    // F10 from the list opens the File menu; Escape closes it again.
    form()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form()));
    child<ResultList>("ListView1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    auto* file = child<QMenu>("mnuFile");
    ASSERT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }));
    QTest::keyClick(file, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !file->isVisible(); }));
}

/// What a screen reader is told of the visible controls below `item` that take the focus
/// but have neither a name nor a label: their object names.
QStringList unnamedControls(QAccessibleInterface* item)
{
    QStringList unnamed;
    if (!item || item->state().invisible)
        return unnamed;
    auto* widget = qobject_cast<QWidget*>(item->object());
    if (widget && widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy() &&
        item->text(QAccessible::Name).isEmpty() && item->relations(QAccessible::Label).isEmpty())
        unnamed << widget->objectName() + u'(' + widget->metaObject()->className() + u')';
    for (int c = 0; c < item->childCount(); ++c)
        unnamed << unnamedControls(item->child(c));
    return unnamed;
}

TEST_F(Form1Test, AScreenReaderGetsEveryControlRowAndStatusText)
{
    home.write(QStringLiteral("Desktop/report.txt"), "x");
    startScoped({"chkDT"});
    // The status panels are read whole from the start, even while a panel shows its text cut.
    const auto panelName = [this](int p) {
        return QAccessible::queryAccessibleInterface(child<sbStatusBar>("sbStatusBar")->panel(p))
            ->text(QAccessible::Name);
    };
    EXPECT_EQ(panelName(1), panel(1));
    search(u"rep"_qs);

    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form());
    EXPECT_EQ(unnamedControls(window).join(u", ").toStdString(), "");
    // Combo boxes are named after their text on Linux: a reader finds them by their label.
    const auto labels =
        QAccessible::queryAccessibleInterface(searchBox())->relations(QAccessible::Label);
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels.first().first->text(QAccessible::Name), u"Search Text:"_qs);
    // The edit field inside is what a reader meets while the text is typed.
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(searchBox()->lineEdit())->text(QAccessible::Name),
        u"Search Text"_qs);

    // A row is read as its name, the other columns as its description.
    QTreeView* details = child<ResultList>("ListView1")->findChild<QTreeView*>();
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(details)->tableInterface();
    ASSERT_NE(table, nullptr);
    // The tree lays its rows out a moment after they come, as a reader finds them.
    ASSERT_TRUE(QTest::qWaitFor([&] { return table->rowCount() == 1; }));
    QAccessibleInterface* name = table->cellAt(0, 0);
    EXPECT_EQ(name->text(QAccessible::Name), u"report"_qs);
    EXPECT_TRUE(name->text(QAccessible::Description).contains(u"File Type: "_qs));

    // In List and Large Icons each row is one item, read as its name and described by the
    // other columns; the item a focus or selection event names is the row's own.
    home.write(QStringLiteral("Desktop/reply.txt"), "x");
    search(u"rep"_qs);
    for (const int view : {1, 2}) {
        SCOPED_TRACE(view);
        form()->mnuViewO_Click(view);
        QListView* icons = child<ResultList>("ListView1")->iconView();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(icons);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->role(), QAccessible::List);
        EXPECT_TRUE(list->state().multiSelectable);
        ASSERT_EQ(list->childCount(), 2);
        for (int row = 0; row < 2; ++row) {
            QAccessibleInterface* item = list->child(row);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->role(), QAccessible::ListItem);
            EXPECT_EQ(item->text(QAccessible::Name),
                      icons->model()->index(row, 0).data().toString());
            EXPECT_TRUE(item->text(QAccessible::Description).contains(u"File Type: "_qs));
            EXPECT_EQ(list->indexOfChild(item), row);
            EXPECT_EQ(item->parent(), list);
        }
        icons->setFocus();
        icons->selectionModel()->setCurrentIndex(icons->model()->index(1, 0),
                                                 QItemSelectionModel::ClearAndSelect);
        QAccessibleInterface* focused = list->focusChild();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->text(QAccessible::Name), icons->model()->index(1, 0).data().toString());
        EXPECT_TRUE(focused->state().selected);
    }
    form()->mnuViewO_Click(0);

    // The sign buttons ("+", "-") say what they do, to a reader and as a tooltip.
    for (const char* sign : {"Command2", "Command5", "Command7", "Command6"}) {
        const auto* button = child<QPushButton>(sign);
        EXPECT_FALSE(button->accessibleDescription().isEmpty()) << sign;
        EXPECT_EQ(button->toolTip(), button->accessibleDescription()) << sign;
    }

    const QStringList descriptions{u"Hint"_qs, u"State"_qs, u"Count"_qs, u"Activity"_qs};
    for (int p = 1; p <= 4; ++p) {
        auto* item =
            QAccessible::queryAccessibleInterface(child<sbStatusBar>("sbStatusBar")->panel(p));
        // The activity light has no text: its name says what it shows.
        EXPECT_EQ(item->text(QAccessible::Name), p < 4 ? panel(p) : u"Idle"_qs) << p;
        EXPECT_EQ(item->text(QAccessible::Description), descriptions[p - 1]);
    }
}

// ---------------------------------------------------------------------------------------
// The layout as the window is resized

constexpr int kStatus = 255;

FormGeometry atClientSize(int width, int height)
{
    return FormLayout::resized(FormLayout::design(), width + FormLayout::FrameWidth,
                               height + FormLayout::FrameHeight, height, kStatus);
}

TEST(FormLayout, ExtraRoomGoesToTheListTheSearchBoxAndThePresetsAndNothingGoesNegative)
{
    const FormGeometry a = atClientSize(8790, 6585);
    const FormGeometry b = atClientSize(8790 + 1500, 6585);
    EXPECT_EQ(b.ListView1.width - a.ListView1.width, 1500);
    EXPECT_EQ(b.Text1.width - a.Text1.width, 1500);
    EXPECT_EQ(b.Command1.left - a.Command1.left, 1500);
    for (auto frame : {&FormGeometry::Frame1, &FormGeometry::Frame2, &FormGeometry::Frame3}) {
        EXPECT_EQ((b.*frame).left - (a.*frame).left, 1500);
        EXPECT_EQ((b.*frame).width, (a.*frame).width);
    }
    EXPECT_EQ(b.Command1.width, a.Command1.width);

    const FormGeometry c = atClientSize(8790, 6585 + 900);
    EXPECT_EQ(c.ListView1.height - a.ListView1.height, 900);
    EXPECT_EQ(c.Frame3.height - a.Frame3.height, 900);
    EXPECT_EQ(c.Frame1.height, a.Frame1.height);
    EXPECT_EQ(c.Frame2.height, a.Frame2.height);
    EXPECT_EQ(c.Frame3.top, a.Frame3.top);

    // A tiny window skips the steps that would go negative.
    const FormGeometry g = FormLayout::resized(a, 100, 100, 50, kStatus);
    EXPECT_EQ(g.ListView1.width, a.ListView1.width);
    EXPECT_EQ(g.ListView1.height, a.ListView1.height);
    EXPECT_EQ(g.Text1.width, a.Text1.width);
    EXPECT_EQ(g.Frame3.height, a.Frame3.height);
}

// ---------------------------------------------------------------------------------------
// The run's sequence: which folders it announces, in which order, and what the end of a run
// shows.

class RecordingHost final : public SearchRunHost {
public:
    QList<AltFolder> alts;
    std::array<bool, FolderBoxCount> ticked{};
    int type = 0;
    QString caption = QStringLiteral("Search");
    QStringList panel1;
    QString panel2, panel3;
    int rows = 0;
    int endings = 0;
    bool busy = false;

    int altFolderCount() const override { return int(alts.size()); }
    AltFolder altFolder(int i) const override { return alts.value(i); }
    bool boxTicked(FolderBox box) const override { return ticked[size_t(box)]; }
    int fileType() const override { return type; }
    QString customPattern() const override { return {}; }
    bool includeSubfolders() const override { return true; }
    QString searchText() const override { return QStringLiteral("hit"); }
    void setSearchCaption(const QString& text) override { caption = text; }
    void setPanelText(int panel, const QString& text) override
    {
        if (panel == 1)
            panel1 << text;
        else if (panel == 2)
            panel2 = text;
        else if (panel == 3)
            panel3 = text;
    }
    void showCopyrightLine() override { panel1 << QStringLiteral("(c)"); }
    void setActivity(bool) override {}
    void setBusy(bool on) override { busy = on; }
    void clearRows() override { rows = 0; }
    void addRows(RowBatches batches) override
    {
        for (const ResultRows& batch : batches)
            rows += int(batch.size());
    }
    int rowCount() const override { return rows; }
    void setHistory(const QStringList&) override {}
    void runEnding() override { ++endings; }
};

class SearchRunTest : public ::testing::Test {
protected:
    TempHome home;
    ScriptedPrompt prompt;
    RecordingHost host;
    SearchEngine engine;
    SearchRun run{host, engine, prompt};

    void runToEnd()
    {
        run.command();
        ASSERT_TRUE(waitUntil(&run, &SearchRun::stateChanged, [&] { return !run.running(); }));
    }
};

TEST_F(SearchRunTest, AnnouncesAlternateThenSpecialFoldersInRunOrder)
{
    home.write(QStringLiteral("Desktop/hit.txt"));
    home.write(QStringLiteral(".config/hit.conf"));      // roaming application data
    home.write(QStringLiteral("sys/xdg/hit.xdg"));       // common application data
    home.write(QStringLiteral(".local/share/hit.data")); // local application data
    home.write(QStringLiteral("alt/hit.alt"));
    host.alts = {{home.path(QStringLiteral("alt")), true},
                 {home.path(QStringLiteral("no")), false}};
    host.ticked[size_t(FolderBox::AppData)] = true;
    host.ticked[size_t(FolderBox::Desktop)] = true;
    host.ticked[size_t(FolderBox::MyDocuments)] = true; // no Documents folder: skipped in silence

    runToEnd();
    EXPECT_EQ(host.panel1, (QStringList{"(c)", u"Searching in " + home.path(QStringLiteral("alt")),
                                        "Searching in Desktop", "Searching in Application Data",
                                        "Searching in Application Data", "(c)"}));
    EXPECT_EQ(host.rows, 5);
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));
    EXPECT_EQ(host.panel3, QStringLiteral("5 item(s) found."));
    EXPECT_EQ(host.caption, QStringLiteral("Search"));
    EXPECT_EQ(host.endings, 1);
    EXPECT_FALSE(host.busy);
    EXPECT_TRUE(prompt.asked().isEmpty());
}

TEST_F(SearchRunTest, NoFileTypeFindsNothingAndAStopSkipsTheRestOfTheSpecialFolders)
{
    home.write(QStringLiteral("Desktop/hit.txt"));
    home.write(QStringLiteral(".config/hit.conf"));
    host.ticked[size_t(FolderBox::Desktop)] = true;
    host.ticked[size_t(FolderBox::AppData)] = true;
    host.type = -1;
    runToEnd();
    EXPECT_EQ(host.rows, 0);
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));

    // Stop (twice) while the first missing alternate folder is reported, before any walk
    // began: the second is still reported, the first special folder's walk ends at once and
    // the rest are skipped.
    host.type = 0;
    host.panel1.clear();
    host.alts = {{home.path(QStringLiteral("missing")), true},
                 {home.path(QStringLiteral("missing2")), true}};
    prompt.onMessage([&](const ScriptedPrompt::Asked&) {
        run.command();
        run.command();
    });
    runToEnd();
    EXPECT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(host.caption, QStringLiteral("Search"));
    EXPECT_EQ(host.panel1, (QStringList{"(c)", "Searching in Desktop", "(c)"}));
    EXPECT_EQ(host.panel2, QStringLiteral("Search cancelled"));
    EXPECT_EQ(host.panel3, QStringLiteral("0 item(s) found."));
    EXPECT_EQ(host.rows, 0);
    EXPECT_TRUE(run.SearchIdle());
    EXPECT_EQ(run.state(), SearchRun::State::Idle);
}

TEST_F(SearchRunTest, AStoppedRunNeverStopsOrFeedsTheNextOne)
{
    // A tree that takes a while to walk, so that the first run is stopped mid-walk.
    for (int d = 0; d < 40; ++d) {
        for (int f = 0; f < 40; ++f)
            home.write(u"alt/d" + QString::number(d) + u"/hit" + QString::number(f));
    }
    home.write(QStringLiteral("Desktop/hit.txt"));
    host.alts = {{home.path(QStringLiteral("alt")), true}};
    host.ticked[size_t(FolderBox::Desktop)] = true;

    run.command();
    EXPECT_EQ(run.state(), SearchRun::State::Running);
    EXPECT_FALSE(run.SearchIdle());
    run.command(); // Stop
    EXPECT_EQ(run.state(), SearchRun::State::Stopping);
    EXPECT_TRUE(run.SearchIdle());
    run.command(); // a second Stop changes nothing
    EXPECT_EQ(run.state(), SearchRun::State::Stopping);
    QTRY_VERIFY_WITH_TIMEOUT(!run.running(), 20000);
    EXPECT_EQ(host.panel2, QStringLiteral("Search cancelled"));

    // The next run is whole: nothing of the stopped one reaches it, nothing stops it.
    host.alts.clear();
    runToEnd();
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));
    EXPECT_EQ(host.rows, 1);
    EXPECT_EQ(host.panel3, QStringLiteral("1 item(s) found."));
}

// Whether an alternate folder is there is told at its turn: one removed while the run walks
// another is reported, one made meanwhile is walked, and a file there is skipped in silence.
TEST_F(SearchRunTest, AnAlternateFolderIsJudgedAtItsTurn)
{
    home.write(QStringLiteral("first/hit.txt"));
    home.write(QStringLiteral("gone/hit.txt"));
    home.write(QStringLiteral("afile"));
    host.alts = {{home.path(QStringLiteral("first")), true},
                 {home.path(QStringLiteral("gone")), true},
                 {home.path(QStringLiteral("made")), true},
                 {home.path(QStringLiteral("afile")), true}};
    const StuckWalk stuck;
    engine.setRowPreparation(stuck.preparation());
    run.command();
    ASSERT_TRUE(stuck.waitUntilStuck()); // in the first folder
    ASSERT_TRUE(QDir(home.path(QStringLiteral("gone"))).removeRecursively());
    home.write(QStringLiteral("made/hit.txt"));
    stuck.release();
    ASSERT_TRUE(waitUntil(&run, &SearchRun::stateChanged, [&] { return !run.running(); }));
    ASSERT_EQ(prompt.asked().size(), 1);
    EXPECT_EQ(prompt.asked()[0].title, QStringLiteral("Invalid Folder"));
    EXPECT_TRUE(prompt.asked()[0].text.contains(home.path(QStringLiteral("gone"))));
    EXPECT_EQ(host.rows, 2); // first and made
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));
}

// A folder on a mount that does not answer (a dead network share) holds the engine's thread,
// never the window's: the run still takes its Stop, and ends once the mount gives up.
TEST(SearchRunDeadMount, AFolderThatDoesNotAnswerNeverHoldsTheWindow)
{
    TempHome home;
    // The Documents folder, searched both through its box and as an alternate folder.
    DeadMount dead(home.path(QStringLiteral("Documents"))); // before the engine's threads
    if (!dead.mounted())
        GTEST_SKIP() << dead.why().toStdString();
    ScriptedPrompt prompt;
    RecordingHost host;
    SearchEngine engine;
    SearchRun run{host, engine, prompt};
    host.alts = {{home.path(QStringLiteral("Documents")), true}};
    host.ticked[size_t(FolderBox::MyDocuments)] = true;
    run.command(); // a look at the folder from here would hang the test
    QTest::qWait(300);
    EXPECT_EQ(run.state(), SearchRun::State::Running);
    run.command(); // Stop
    EXPECT_EQ(run.state(), SearchRun::State::Stopping);
    dead.release();
    QTRY_VERIFY_WITH_TIMEOUT(!run.running(), 20000);
    EXPECT_EQ(host.panel2, QStringLiteral("Search cancelled"));
}

// ---------------------------------------------------------------------------------------
// The special folders a run walks, below the private home.

// Each folder number, the folder below the private home it stands for ("" when none):
// empty until the folder exists.
TEST(SpecialFolders, EmptyUntilTheFolderExists)
{
    const struct {
        int csidl;
        const char* folder;
    } cases[] = {{Csidl::StartMenu, ".local/share/applications"},
                 {Csidl::Recent, ".local/share/RecentDocuments"},
                 {Csidl::Favorites, "Favorites"},
                 {Csidl::SendTo, ".local/share/kio/servicemenus"},
                 {Csidl::CommonDesktopDirectory, ""},
                 {99, ""},
                 {-1, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csidl);
        const TempHome home;
        EXPECT_EQ(GetSpecialFolder(c.csidl), QString());
        if (*c.folder == 0)
            continue;
        const QString made = home.mkdir(QString::fromUtf8(c.folder));
        EXPECT_EQ(GetSpecialFolder(c.csidl), made);
    }
}

TEST(SpecialFolders, UserFoldersFollowTheXdgVariablesAndPreferNautilusScripts)
{
    const TempHome home;
    EXPECT_EQ(GetSpecialFolder(Csidl::LocalAppData), home.path(".local/share"));
    EXPECT_EQ(GetSpecialFolder(Csidl::AppData), home.path(".config"));
    qputenv("XDG_CACHE_HOME", "relative/cache"); // ignored: not absolute
    EXPECT_EQ(GetSpecialFolder(Csidl::InternetCache), home.path(".cache"));
    home.mkdir(".local/share/kio/servicemenus");
    const QString scripts = home.mkdir(".local/share/nautilus/scripts");
    EXPECT_EQ(GetSpecialFolder(Csidl::SendTo), scripts);
}

TEST(SpecialFolders, SystemFoldersComeFromTheSearchPaths)
{
    const TempHome home;
    const QString first = home.mkdir("one");
    const QString second = home.mkdir("two/applications");
    qputenv("XDG_DATA_DIRS", QFile::encodeName(first + u":relative/path:" + home.path("two")));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonStartMenu), second);
    // Only the first configuration folder counts, and only when it exists.
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home.path("none") + u':' + first));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonAppData), QString());
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(first));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonAppData), first);
}

TEST(SpecialFolders, DesktopAndDocumentsNeverStandForTheHomeFolder)
{
    const TempHome home;
    home.write(".config/user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"$HOME\"\nXDG_DOCUMENTS_DIR=\"$HOME/\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), QString());
    // Nor for a folder that holds it: the whole disk, or every user's home.
    home.write(".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/\"\nXDG_DOCUMENTS_DIR=\"$HOME/..\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), QString());
    home.write(".config/user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString()); // not made yet
    const QString desktop = home.mkdir("Bureau");
    const QString documents = home.mkdir("Docs");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), desktop);
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), documents);

    // A relative entry is a mistake: it must not name a folder below the working folder.
    home.write(".config/user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/./Docs/\"\n");
    const QString workingFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(home.home()));
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), documents); // shown without "/./"

    // Nor does a relative XDG_CONFIG_HOME: the file read is the one in ~/.config.
    const QString elsewhere = home.mkdir("elsewhere");
    home.write("conf/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + elsewhere.toUtf8() + "\"\n");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "conf");
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), documents);
    qputenv("XDG_CONFIG_HOME", configHome);
    QDir::setCurrent(workingFolder);
}

} // namespace
