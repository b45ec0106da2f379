// The main window driven headless: whole searches, the scope controls and presets.
#include "app/Form1.h"
#include "platform/RegistryHive.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "results/sbStatusBar.h"
#include "settings/CRegSettings.h"
#include "settings/Presets.h"

#include "ScriptedPrompt.h"
#include "SignalWait.h"
#include "TempHome.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString settingsFileText()
{
    QFile file(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) +
               u"/kestrelfind/HKEY_CURRENT_USER.reg");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/// A fresh home, a scripted prompt and the real window.
class Form1Test : public ::testing::Test {
protected:
    TempHome home;
    ScriptedPrompt prompt;
    std::unique_ptr<Form1> form;

    void open()
    {
        form = std::make_unique<Form1>(prompt);
        form->show();
    }

    template<typename T> T* child(const char* name) const
    {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QPushButton* searchButton() const { return child<QPushButton>("Command1"); }
    QComboBox* searchBox() const { return child<QComboBox>("Text1"); }
    QListWidget* altFolders() const { return child<QListWidget>("text3"); }
    ResultModel* model() const { return child<ResultList>("ListView1")->model(); }
    QString panel(int i) const { return child<sbStatusBar>("sbStatusBar")->panelText(i); }

    void tickOnly(std::initializer_list<const char*> boxes)
    {
        for (const char* name :
             {"chkDT", "chkSMP", "chkFav", "chkMD", "chkST", "chkAD", "chkIC", "chkRD"})
            child<QCheckBox>(name)->setChecked(false);
        for (const char* name : boxes)
            child<QCheckBox>(name)->setChecked(true);
    }

    void addAlt(const QString& path, bool ticked)
    {
        auto* item = new QListWidgetItem(path, altFolders());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }

    /// Opens the window with only `boxes` ticked and `alts` as the alternate folders.
    void openScoped(std::initializer_list<const char*> boxes, const QList<AltFolder>& alts = {})
    {
        open();
        tickOnly(boxes);
        altFolders()->clear();
        for (const AltFolder& alt : alts)
            addAlt(alt.path, alt.ticked);
    }

    static QString history(const char* key)
    {
        return CRegSettings::forProgram().GetSetting(u"Search terms"_qs, QString::fromLatin1(key));
    }

    void search(const QString& text)
    {
        searchBox()->setEditText(text);
        form->Command1_Click();
        ASSERT_TRUE(runEnded());
    }

    /// Waits for the search run to end.
    bool runEnded()
    {
        return waitUntil(form.get(), &Form1::controlsUpdated,
                         [&] { return !form->searchRunning(); });
    }

    QStringList foundNames() const
    {
        QStringList names;
        for (int r = 0; r < model()->rowCount(); ++r)
            names << model()->data(model()->index(r, 0)).toString();
        names.sort();
        return names;
    }
};

TEST_F(Form1Test, WholeSearchListsMatchesAndRecordsTheTerm)
{
    home.write(QStringLiteral("Desktop/report.txt"), "x");
    home.write(QStringLiteral("Desktop/sub/Report2.doc"), "yy");
    home.write(QStringLiteral("Desktop/other.txt"), "z");
    home.write(QStringLiteral("alt/REPORTS/inner.txt"), "z");
    openScoped({"chkDT"}, {{home.path(QStringLiteral("alt")), true}});

    search(QStringLiteral("report"));
    EXPECT_EQ(foundNames(), (QStringList{"REPORTS", "Report2", "report"}));
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
    EXPECT_EQ(panel(3), QStringLiteral("3 item(s) found."));
    EXPECT_EQ(panel(1), sbStatusBar::copyrightLine());

    EXPECT_EQ(history("Number"), u"1"_qs);
    EXPECT_EQ(history("Term0"), u"report"_qs);
    EXPECT_EQ(searchBox()->count(), 1);
    EXPECT_EQ(searchBox()->currentText(), QStringLiteral("report"));

    // A new search starts from an empty list; the same term leaves the history alone.
    search(QStringLiteral("other"));
    EXPECT_EQ(foundNames(), QStringList{"other"});
    search(QStringLiteral("report"));
    EXPECT_EQ(history("Number"), u"2"_qs);
    EXPECT_EQ(history("Term0"), u"other"_qs);
}

TEST_F(Form1Test, StartUpListsTheHistoryAndLeavesTheSearchBoxEmpty)
{
    CRegSettings store = CRegSettings::forProgram();
    store.SaveSetting(u"Search terms"_qs, u"Number"_qs, u"2"_qs);
    store.SaveSetting(u"Search terms"_qs, u"Term0"_qs, u"newest"_qs);
    store.SaveSetting(u"Search terms"_qs, u"Term1"_qs, u"older"_qs);
    open();
    ASSERT_EQ(searchBox()->count(), 2);
    EXPECT_EQ(searchBox()->itemText(0), u"newest"_qs);
    EXPECT_EQ(searchBox()->currentText(), QString());
    // Typing the start of a stored term searches for what was typed, not the term.
    QTest::keyClicks(searchBox()->lineEdit(), u"new"_qs);
    EXPECT_EQ(searchBox()->currentText(), u"new"_qs);
}

TEST_F(Form1Test, EnterInTheSearchBoxSearchesEvenWithNothingTicked)
{
    openScoped({});
    EXPECT_FALSE(searchButton()->isEnabled());
    searchBox()->setEditText(QStringLiteral("anything"));
    searchBox()->setFocus();
    QTest::keyClick(searchBox()->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
    EXPECT_EQ(panel(3), QStringLiteral("0 item(s) found."));
    EXPECT_EQ(history("Term0"), u"anything"_qs);

    // With the button enabled too, one Enter is one search (not a start and a stop).
    home.write(QStringLiteral("Desktop/anything.txt"), "x");
    tickOnly({"chkDT"});
    QTest::keyClick(searchBox()->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
    EXPECT_EQ(model()->rowCount(), 1);
}

TEST_F(Form1Test, StopCancelsTheRunAndTheNextSearchStartsFresh)
{
    home.write(QStringLiteral("a/hit1.txt"), "x");
    home.write(QStringLiteral("b/hit2.txt"), "x");
    home.write(QStringLiteral("Desktop/hit3.txt"), "x");
    openScoped({"chkDT"}, {{home.path(QStringLiteral("missing")), true},
                           {home.path(QStringLiteral("a")), true},
                           {home.path(QStringLiteral("missing2")), true}});

    // Stop (twice) while the first message box is up: the rest of the run ends at once,
    // but the second missing folder is still reported.
    prompt.onMessage([&](const ScriptedPrompt::Asked&) {
        if (searchButton()->text() == u"Stop") {
            form->Command1_Click();
            form->Command1_Click();
        }
    });
    search(QStringLiteral("hit"));
    EXPECT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(panel(2), QStringLiteral("Search cancelled"));
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(panel(3), QStringLiteral("0 item(s) found."));
    EXPECT_FALSE(form->searchRunning());

    prompt.onMessage({});
    altFolders()->clear();
    search(QStringLiteral("hit"));
    EXPECT_EQ(foundNames(), QStringList{"hit3"});
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
}

TEST_F(Form1Test, DestroyingTheWindowMidRunLeavesNoWorker)
{
    for (int i = 0; i < 400; ++i)
        home.write(QStringLiteral("big/d%1/f%2.txt").arg(i % 20).arg(i), "x");
    openScoped({}, {{home.path(QStringLiteral("big")), true}});
    searchBox()->setEditText(QStringLiteral("f"));
    form->Command1_Click();
    QTest::qWait(1);
    form.reset(); // must return promptly and not crash
    SUCCEED();
}

// ---------------------------------------------------------------------------------------
// Scope controls

TEST_F(Form1Test, AddFolderUsesThePickerAndRefusesDuplicates)
{
    open();
    altFolders()->clear();
    const QString a = home.mkdir(QStringLiteral("Temp"));
    prompt.answerFolder(a);
    child<QPushButton>("Command2")->click();
    ASSERT_EQ(altFolders()->count(), 1);
    EXPECT_EQ(altFolders()->item(0)->text(), a);
    EXPECT_EQ(altFolders()->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(prompt.asked().last().text, QStringLiteral("Select a folder in which to search."));
    EXPECT_EQ(prompt.asked().last().defaultText, QString());

    altFolders()->setCurrentRow(0);
    prompt.answerFolder(a);
    child<QPushButton>("Command2")->click();
    EXPECT_EQ(prompt.asked().at(prompt.asked().size() - 2).defaultText, a); // highlighted entry
    EXPECT_EQ(prompt.asked().last().title, QStringLiteral("Already There"));
    EXPECT_EQ(altFolders()->count(), 1);

    // Case matters: another spelling is another entry; cancelling adds nothing.
    prompt.answerFolder(a.toUpper());
    child<QPushButton>("Command2")->click();
    child<QPushButton>("Command2")->click();
    EXPECT_EQ(altFolders()->count(), 2);

    altFolders()->setCurrentRow(1);
    child<QPushButton>("Command5")->click();
    EXPECT_EQ(altFolders()->count(), 1);
}

TEST_F(Form1Test, SelectAllAndNoneAndTheSearchButton)
{
    open();
    altFolders()->clear();
    addAlt(QStringLiteral("/a"), false);
    addAlt(QStringLiteral("/b"), false);
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

TEST_F(Form1Test, GreyBoxesAloneLeaveSearchDisabled)
{
    CRegSettings store = CRegSettings::forProgram();
    for (const char* key : {"Desktop", "Start Menu Programs", "Favorites", "My Documents",
                            "Send To", "App Data", "Internet Cache", "Recent Docs"})
        store.SaveSetting(u"Search Folders"_qs, QString::fromLatin1(key), u"2"_qs);
    open();
    EXPECT_EQ(child<QCheckBox>("chkDT")->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(searchButton()->isEnabled());
    child<QCheckBox>("chkST")->setCheckState(Qt::Checked);
    EXPECT_TRUE(searchButton()->isEnabled());
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
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    int checked = 0;
    for (QWidget* w : form->centralWidget()->findChildren<QWidget*>()) {
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

// ---------------------------------------------------------------------------------------
// Presets

TEST_F(Form1Test, SaveAndLoadAPreset)
{
    open();
    auto* presets = child<QComboBox>("Combo2");
    EXPECT_EQ(presets->count(), 0);
    EXPECT_FALSE(child<QPushButton>("Command8")->isEnabled());
    tickOnly({"chkMD"});
    altFolders()->clear();
    addAlt(QStringLiteral("/x/one"), true);
    addAlt(QStringLiteral("/x/two"), false);

    prompt.answerInput(QStringLiteral("  Work  "));
    child<QPushButton>("Command7")->click();
    ASSERT_EQ(presets->count(), 1);
    EXPECT_EQ(presets->currentText(), QStringLiteral("Work"));
    EXPECT_TRUE(child<QPushButton>("Command8")->isEnabled());
    const QString file = settingsFileText();
    EXPECT_TRUE(file.contains(
        u"[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\Presets\\Work\\Alt Folders]"));
    EXPECT_TRUE(file.contains(u"\"Folder0\"=\"/x/one|1\""));
    EXPECT_TRUE(file.contains(u"\"Folder1\"=\"/x/two|0\""));

    // "work" is the same preset: asked, No, then a new name; the box keeps the last name.
    prompt.answerInput(QStringLiteral("work"));
    prompt.answerMessage(MsgResult::No);
    prompt.answerInput(QStringLiteral("Home"));
    altFolders()->clear();
    child<QPushButton>("Command7")->click();
    const auto& asked = prompt.asked();
    ASSERT_GE(asked.size(), 3);
    EXPECT_EQ(asked[asked.size() - 2].title, QStringLiteral("Preset Exists"));
    EXPECT_EQ(asked.last().defaultText, QStringLiteral("work"));
    EXPECT_EQ(presets->count(), 2);
    EXPECT_EQ(presets->itemText(0), QStringLiteral("Home"));

    // Load Work back.
    tickOnly({});
    presets->setCurrentIndex(1);
    child<QPushButton>("Command8")->click();
    EXPECT_TRUE(child<QCheckBox>("chkMD")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chkDT")->isChecked());
    ASSERT_EQ(altFolders()->count(), 2);
    EXPECT_EQ(altFolders()->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(altFolders()->currentRow(), 0);
}

TEST_F(Form1Test, RefusedNamesAndFailedSavesLeaveThePresetListAlone)
{
    open();
    auto* presets = child<QComboBox>("Combo2");
    prompt.answerInput(QStringLiteral("a\\b"));
    child<QPushButton>("Command7")->click();
    EXPECT_EQ(presets->count(), 0);
    ASSERT_EQ(prompt.asked().size(), 3); // name, refusal, name again (cancelled)
    EXPECT_EQ(prompt.asked()[1].kind, ScriptedPrompt::Asked::Message);

    // A settings folder that cannot be written: the user is told, nothing is listed.
    QDir(home.path(QStringLiteral(".config/kestrelfind"))).removeRecursively();
    home.write(QStringLiteral(".config/kestrelfind"), "not a folder");
    prompt.clear();
    prompt.answerInput(QStringLiteral("Work"));
    child<QPushButton>("Command7")->click();
    ASSERT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(prompt.asked()[1].title, QStringLiteral("Oops!"));
    EXPECT_EQ(presets->count(), 0);
}

TEST_F(Form1Test, ADeleteThatCannotBeWrittenKeepsThePresetListed)
{
    ASSERT_TRUE(Presets().save(u"Work"_qs, SearchScope{}));
    open();
    // The file stays readable, but no write can take its lock (a folder is in the way).
    const QString lock = RegHiveFilePath(HKEY_CURRENT_USER) + u".lock";
    QFile::remove(lock);
    ASSERT_TRUE(QDir().mkpath(lock));
    prompt.answerMessage(MsgResult::Yes);
    child<QPushButton>("Command6")->click();
    ASSERT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(prompt.asked()[1].title, QStringLiteral("Oops!"));
    EXPECT_EQ(child<QComboBox>("Combo2")->count(), 1);
}

TEST_F(Form1Test, EnterOnTheListLaunchesOnlyWhileIdleWithRows)
{
    home.write(QStringLiteral("Desktop/one.txt"), "x");
    openScoped({"chkDT"});
    auto* list = child<ResultList>("ListView1");
    int launches = 0;
    QObject::connect(list, &ResultList::launchRequested, [&] { ++launches; });

    // An empty focused list: Enter presses Search.
    list->detailsView()->setFocus();
    searchBox()->setEditText(QStringLiteral("one"));
    QTest::keyClick(list->detailsView(), Qt::Key_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(launches, 0);

    // With rows, a row current and the list focused, Enter is the list's.
    list->detailsView()->setFocus();
    list->detailsView()->setCurrentIndex(model()->index(0, 0));
    ASSERT_FALSE(searchButton()->isDefault());
    QTest::keyClick(list->detailsView(), Qt::Key_Return);
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(panel(2), QStringLiteral("Search complete"));
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
    openScoped({"chkDT"});
    form->ListView1_ColumnClick(1); // Name ascending after the start-up replay ...
    form->ListView1_ColumnClick(1); // ... and back
    search(QStringLiteral(".txt"));
    const auto names = [&] {
        QStringList list;
        for (int r = 0; r < model()->rowCount(); ++r)
            list << model()->data(model()->index(r, 0)).toString();
        return list;
    };
    EXPECT_EQ(names(), (QStringList{"a-new", "b-old", "c-mid"}));

    form->ListView1_ColumnClick(4);
    EXPECT_FALSE(form->sortState().SortAscending);
    EXPECT_EQ(names(), (QStringList{"a-new", "c-mid", "b-old"}));
    EXPECT_EQ(form->sortState().arrowColumn(), 4);

    // A new run keeps the Date order with the arrow as it was.
    search(QStringLiteral(".txt"));
    EXPECT_EQ(names(), (QStringList{"a-new", "c-mid", "b-old"}));
    EXPECT_EQ(form->sortState().arrowColumn(), 4);
    EXPECT_FALSE(form->sortState().arrowUp());

    form->ListView1_ColumnClick(4);
    EXPECT_EQ(names(), (QStringList{"b-old", "c-mid", "a-new"}));
}

TEST_F(Form1Test, ViewsExtensionsAndSelectAllActOnTheListedRows)
{
    home.write(QStringLiteral("Desktop/report.txt"), "x");
    home.write(QStringLiteral("Desktop/archive.tar.gz"), "x");
    openScoped({"chkDT"});
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
    EXPECT_EQ(form->GetSelectedFiles().size(), 2);
    child<QAction>("mnuViewO0")->trigger();
    EXPECT_EQ(form->GetSelectedFiles().size(), 2); // one selection for every view
}

} // namespace
