// The window's life cycle as main() runs it: first start, a run and a restart, a window
// stored off screen, a second copy, a damaged settings file, the Help menu with the About
// box, and the tray command. Real dialogs, answered; the real settings file under the
// test's home.
#include "app/FrmAbt.h"
#include "results/ResultList.h"
#include "search/SearchEngine.h"
#include "settings/SearchScope.h"
#include "settings/WindowGeometry.h"
#include "shell/HelpWindow.h"
#include "shell/SystemTray.h"

#include "ProgramFixture.h"
#include "StuckWalk.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

namespace {

using namespace AppTest;

const QString kKey = u"[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\"_qs;

QRect primaryArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

class LifeCycleTest : public ProgramFixture {
protected:
    ResultList* list() const { return form()->findChild<ResultList*>(); }

    /// Everything a restart must bring back, as the window shows it.
    std::string shown() const
    {
        QString text;
        {
            QDebug out(&text);
            out << form()->geometry() << form()->sortState().SortColumn
                << form()->sortState().SortAscending << child<QComboBox>("Combo1")->currentIndex()
                << child<QLineEdit>("Text2")->text() << child<QAction>("mnuOptionsSF")->isChecked()
                << child<QAction>("mnuOptionsMC")->isChecked() << list()->viewMode();
            for (int c = 1; c <= 6; ++c)
                out << list()->columnWidthTwips(c) << list()->columnPosition(c);
            for (QCheckBox* box : child<QWidget>("Frame1")->findChildren<QCheckBox*>())
                out << box->checkState();
            auto* presets = child<QComboBox>("Combo2");
            for (int i = 0; i < presets->count(); ++i)
                out << presets->itemText(i);
        }
        return text.toStdString();
    }
};

TEST_F(LifeCycleTest, ARestartBringsBackWhatTheRunLeft)
{
    start();
    form()->setGeometry(QRect(primaryArea().topLeft() + QPoint(30, 20), QSize(640, 500)));
    list()->setColumnWidthTwips(2, 2400);
    list()->setColumnPosition(5, 1); // Location first
    form()->ListView1_ColumnClick(4);
    form()->ListView1_ColumnClick(4); // descending
    child<QCheckBox>("chkMD")->setCheckState(Qt::Checked);
    child<QCheckBox>("chkDT")->setCheckState(Qt::Unchecked);
    child<QComboBox>("Combo1")->setCurrentIndex(4);
    form()->Combo1_Click();
    child<QLineEdit>("Text2")->setText(u"*.txt"_qs);
    child<QAction>("mnuOptionsMC")->setChecked(true);
    form()->mnuViewO_Click(2);
    const int rightColumn = child<QWidget>("Frame3")->width();
    // The longest name a preset may have must not widen the right-hand column at the next start.
    for (const QString& preset : {u"Work"_qs, QString(254, u'M')}) {
        DialogScript name({[&](QWidget* w) {
            Modal::enterText(w, preset);
        }});
        child<QPushButton>("Command7")->click();
        EXPECT_TRUE(name.done());
    }
    const std::string before = shown();
    ASSERT_TRUE(form()->close());

    const QString file = settingsText();
    EXPECT_TRUE(file.contains(u"\"Filetype\"=\"4\""_qs));
    EXPECT_TRUE(file.contains(u"\"Custom Filter\"=\"*.txt\""_qs));
    EXPECT_TRUE(file.contains(u"\"Sorted Column\"=\"4\""_qs));
    EXPECT_TRUE(file.contains(u"\"Column 5 Position\"=\"1\""_qs));
    EXPECT_TRUE(file.contains(u"\"My Documents\"=\"1\""_qs));
    EXPECT_TRUE(file.contains(
        u"\"Width\"=\"" +
        QString::number(WindowGeometry::pixelsToTwips(640, form()->logicalDpiX())) + u'"'));

    restart();
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(child<QComboBox>("Combo2")->count(), 2);
    EXPECT_GE(child<QComboBox>("Combo2")->findText(u"Work"_qs), 0);
    EXPECT_EQ(child<QWidget>("Frame3")->width(), rightColumn);
    EXPECT_EQ(child<QWidget>("Frame1")->width(), rightColumn);
    EXPECT_EQ(form()->MinTrackWidth(), 640);
}

TEST_F(LifeCycleTest, TheFirstStartIsCentredAtTheSmallestSizeAndAStoredWindowOnScreen)
{
    start();
    QRect window = form()->geometry();
    EXPECT_TRUE(primaryArea().contains(window));
    EXPECT_LE(std::abs(window.center().x() - primaryArea().center().x()), 1);
    EXPECT_LE(std::abs(window.center().y() - primaryArea().center().y()), 1);
    // The start-up size is the smallest the border can be dragged to.
    EXPECT_NEAR(form()->MinTrackWidth(), window.width(), 1);
    EXPECT_NEAR(form()->MinTrackHeight(), window.height(), 1);

    // Stored off every screen: fitted to the screen; a frame the desktop adds may push the
    // far edges by its width.
    program.reset();
    ASSERT_TRUE(writeFile(hivePath(), "REGEDIT4\n\n" + (kKey + u"Window Settings]\n").toUtf8() +
                                          "\"WinPosX\"=\"90000\"\n\"WinPosY\"=\"-60000\"\n"
                                          "\"Width\"=\"90000\"\n\"Height\"=\"6000\"\n"));
    start();
    window = form()->geometry();
    EXPECT_TRUE(primaryArea().contains(window.topLeft())) << window.x() << "," << window.y();
    EXPECT_LE(window.width(), primaryArea().width());
    EXPECT_LE(window.height(), primaryArea().height());
    EXPECT_LE(form()->MinTrackWidth(), primaryArea().width()); // fitted, so it can be used
}

TEST_F(LifeCycleTest, ASecondStartBringsTheFirstForwardAndWritesNothing)
{
    start();
    restart(); // the first close leaves a settings file to compare with
    form()->showMinimized();
    QTRY_VERIFY(form()->isMinimized());
    const QByteArray before = readFile(hivePath());
    const QDateTime written = QFileInfo(hivePath()).lastModified();

    QProcess second;
    QSignalSpy finished(&second, &QProcess::finished);
    second.start(QStringLiteral(KF_EXECUTABLE), {});
    ASSERT_TRUE(finished.wait(20000)) << second.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    QTRY_VERIFY(!form()->isMinimized());
    EXPECT_TRUE(form()->isVisible());
    EXPECT_EQ(readFile(hivePath()), before);
    EXPECT_EQ(QFileInfo(hivePath()).lastModified(), written);
}

TEST_F(LifeCycleTest, ADamagedSettingsFileIsReportedOnce)
{
    ASSERT_TRUE(writeFile(hivePath(), "this is not a settings file\n\x01\x02\n"));
    {
        DialogScript script({answerBox(u"Problem"_qs, QMessageBox::Ok)});
        start();
        EXPECT_TRUE(script.done());
    }
    DialogScript none({}); // anything showing now (an "Oops!" at the close too) is a fault
    restart();
    QTest::qWait(100);
    EXPECT_EQ(none.unexpected(), 0);
}

TEST_F(LifeCycleTest, TheHelpMenuAndTheTrayCommand)
{
    const QString manual =
        home.write(u"sys/share/doc/kestrelfind/manual/index.html"_qs,
                   "<html><body><h1 id=\"contents\">Contents</h1></body></html>");
    start();
    // Contents opens the manual on its contents page.
    child<QAction>("mnHelpCnt")->trigger();
    HelpWindow* help = form()->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->manualPath(), QFileInfo(manual).absoluteFilePath());
    EXPECT_EQ(help->currentPage().toLocalFile(), help->manualPath());

    // The About box shows and closes with OK.
    DialogScript script({[&](QWidget* w) {
        EXPECT_TRUE(qobject_cast<FrmAbt*>(w)) << w->metaObject()->className();
        auto* ok = w->findChild<QPushButton*>(u"Command3"_qs);
        ASSERT_NE(ok, nullptr);
        ok->click();
    }});
    child<QAction>("mnuHelpAbt")->trigger();
    EXPECT_TRUE(script.done());

    // Minimize to Tray without a notification area minimizes.
    child<QAction>("mnuFileSysTray")->trigger();
    QTRY_VERIFY(form()->isMinimized());
    EXPECT_FALSE(form()->tray()->InTray());
}

TEST_F(LifeCycleTest, AlternateFoldersBeyondTheLimitAreToldAndRefused)
{
    QByteArray file = "REGEDIT4\n\n" + (kKey + u"Alt Folders]\n").toUtf8();
    file += "\"Number\"=\"" + QByteArray::number(MaxAltFolders + 2) + "\"\n";
    for (int i = 0; i < MaxAltFolders + 2; ++i)
        file +=
            "\"Folder" + QByteArray::number(i) + "\"=\"/data/f" + QByteArray::number(i) + "|0\"\n";
    ASSERT_TRUE(writeFile(hivePath(), file));
    {
        DialogScript told(
            {answerBox(u"Problem"_qs, QMessageBox::Ok,
                       u"2 stored alternate folders were left out"_qs, Qt::MatchContains)});
        start();
        EXPECT_TRUE(told.done());
    }
    EXPECT_EQ(child<QListWidget>("text3")->count(), MaxAltFolders);
    DialogScript refused({answerBox(u"Too Many Folders"_qs, QMessageBox::Ok,
                                    u"Please remove a folder"_qs, Qt::MatchContains)});
    child<QPushButton>("Command2")->click(); // no folder picker: the list is full
    EXPECT_TRUE(refused.done());
    EXPECT_EQ(child<QListWidget>("text3")->count(), MaxAltFolders);
}

// The About box shows the version and its two addresses. Each link is one Tab stop, and Enter
// there opens it with the launcher the box is given: a stop where no link is shown focused
// would let Enter close the box instead.
TEST(FrmAbt, ShowsTheVersionAndTabAndEnterOpenEachLink)
{
    QWidget owner;
    QList<QPair<QWidget*, QString>> launched;
    FrmAbt box([&](QWidget* w, const QString& a) { launched.append({w, a}); }, &owner);
    const auto label = [&box](const char* name) {
        return box.findChild<QLabel*>(QLatin1String(name));
    };
    ASSERT_TRUE(label("Label7") && label("Label5") && label("Label6"));
    EXPECT_EQ(label("Label7")->text(), QStringLiteral("Kestrelfind version " KF_VERSION));
    EXPECT_TRUE(label("Label5")->text().contains(FrmAbt::supportAddress().mid(7)));
    EXPECT_TRUE(label("Label6")->text().contains(FrmAbt::webAddress()));

    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.activateWindow();
    // Back again with Shift+Tab: the previous link, focused at once.
    for (const auto& [key, link] :
         {std::pair{Qt::Key_Tab, "Label5"}, std::pair{Qt::Key_Tab, "Label6"},
          std::pair{Qt::Key_Backtab, "Label5"}}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QLatin1String(link));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(box.isVisible());
    }
    const QList<QPair<QWidget*, QString>> expected = {{&box, FrmAbt::supportAddress()},
                                                      {&box, FrmAbt::webAddress()},
                                                      {&box, FrmAbt::supportAddress()}};
    EXPECT_EQ(launched, expected);
}

// A close after Stop waits for the walk to notice it; a walk stuck in a folder that does not
// answer (a dead network mount) keeps the window only a few seconds, and the program then goes
// without it.
TEST_F(LifeCycleTest, AClosedWindowWaitsForTheStopButNotForAFolderThatDoesNotAnswer)
{
    start();
    const bool abandonedBefore = SearchEngine::walksAbandoned(); // by a test before this one
    const QString folder = home.mkdir(u"Slow"_qs);
    ASSERT_TRUE(writeFile(folder + u"/a.txt"_qs, "a"));
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "the walk answers" : "the walk is stuck");
        auto* folders = child<QListWidget>("text3");
        folders->clear();
        addAltFolder(folders, folder, true);
        tickOnly(form());
        child<QComboBox>("Text1")->setEditText(u"a"_qs);
        const StuckWalk stuck;
        form()->findChild<SearchEngine*>()->setRowPreparation(stuck.preparation());
        form()->Command1_Click();
        ASSERT_TRUE(stuck.waitUntilStuck());
        form()->Command1_Click(); // Stop
        const DialogScript none({});
        EXPECT_FALSE(form()->close());
        EXPECT_TRUE(form()->isVisible());
        const auto gone = [&](int withinMs) {
            return waitUntil(
                form(), &Form1::closed, [&] { return !form()->isVisible(); }, withinMs);
        };
        if (answers) {
            stuck.release();
            EXPECT_TRUE(gone(2000)); // as soon as the walk has ended
            EXPECT_EQ(SearchEngine::walksAbandoned(), abandonedBefore);
            EXPECT_EQ(none.unexpected(), 0);
            restart();
            continue;
        }
        EXPECT_TRUE(gone(10000));
        EXPECT_EQ(none.unexpected(), 0);
        EXPECT_TRUE(settingsText().contains(u"Slow|1"_qs)) << settingsText().toStdString();
        program.reset(); // a hang here would time the test out
        EXPECT_TRUE(SearchEngine::walksAbandoned());
        stuck.release(); // woken, the walk ends and touches nothing that went
        QTest::qWait(300);
    }
}

} // namespace
