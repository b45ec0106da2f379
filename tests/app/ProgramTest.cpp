// The program started as main() starts it, with the real dialogs and the real settings file
// under the test's home: each dialog is found, checked and answered as a user would.
#include "app/Program.h"
#include "app/Form1.h"
#include "platform/RegistryHive.h"
#include "results/sbStatusBar.h"

#include "ModalHelper.h"
#include "ProgramFixture.h"
#include "SignalWait.h"
#include "TempHome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString settingsText()
{
    QFile file(RegHiveFilePath(HKEY_CURRENT_USER));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/// Checks that `w` is a message box with `title` and `text`, then presses `button`; any
/// other dialog is cancelled so that the test goes on to report it.
DialogScript::Step expectMessage(QString title, QString text, QMessageBox::StandardButton button)
{
    return [=](QWidget* w) {
        QMessageBox* box = Modal::messageBox(w);
        if (!box) {
            ADD_FAILURE() << "expected \"" << title.toStdString() << "\", got "
                          << w->windowTitle().toStdString();
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
            return;
        }
        EXPECT_EQ(box->windowTitle(), title);
        EXPECT_EQ(box->text(), text);
        Modal::press(w, button);
    };
}

/// Checks that `w` is the folder picker and types `folder` into it.
DialogScript::Step pickFolder(QString folder)
{
    return [=](QWidget* w) {
        EXPECT_TRUE(qobject_cast<QFileDialog*>(w)) << w->windowTitle().toStdString();
        EXPECT_TRUE(w->windowTitle().startsWith(u"Select a folder in which to search."));
        Modal::typeFolder(w, folder);
    };
}

class ProgramTest : public ProgramFixture {
protected:
    template<typename T> T* child(const char* name) const
    {
        T* w = form()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    void click(const char* button) { child<QPushButton>(button)->click(); }

    /// Ticks no box, so that a search walks only the alternate folders.
    void untickBoxes()
    {
        for (QCheckBox* box : form()->findChild<QWidget*>(u"Frame1"_qs)->findChildren<QCheckBox*>())
            box->setChecked(false);
    }

    /// Adds a folder through the picker, makes it the only ticked place, then deletes it.
    QString addTickedFolderThenDeleteIt(const QString& name)
    {
        const QString folder = home.mkdir(name);
        {
            DialogScript pick({pickFolder(folder)});
            click("Command2");
        }
        untickBoxes();
        child<QListWidget>("text3")->item(1)->setCheckState(Qt::Checked);
        EXPECT_TRUE(QDir(folder).removeRecursively());
        return folder;
    }

    bool runEnded()
    {
        return waitUntil(form(), &Form1::controlsUpdated, [&] { return !form()->searchRunning(); });
    }
};

TEST_F(ProgramTest, FolderPickerAddsAFolderOnceAndTheCloseStoresIt)
{
    start();
    const QString folder = home.mkdir(u"Projects"_qs);
    DialogScript script(
        {pickFolder(folder), pickFolder(folder),
         expectMessage(u"Already There"_qs, u'"' + folder + u"\" is already in the list.",
                       QMessageBox::Ok)});
    click("Command2");
    click("Command2");
    EXPECT_TRUE(script.done());
    auto* list = child<QListWidget>("text3");
    ASSERT_EQ(list->count(), 2); // the empty first-start entry and the folder
    EXPECT_EQ(list->item(1)->text(), folder);

    EXPECT_TRUE(form()->close());
    EXPECT_TRUE(settingsText().contains(u"\"Folder1\"=\"" + folder + u"|0\""));
}

TEST_F(ProgramTest, SearchingADeletedAlternateFolderTellsTheUser)
{
    start();
    const QString folder = addTickedFolderThenDeleteIt(u"Gone"_qs);

    DialogScript script({expectMessage(
        u"Invalid Folder"_qs,
        u"Could not find one of your alternate folders, \"" + folder +
            u"\". It may have been removed. Please update your alternate folders list.",
        QMessageBox::Ok)});
    click("Command1");
    ASSERT_TRUE(runEnded());
    EXPECT_TRUE(script.done());
    EXPECT_EQ(child<sbStatusBar>("sbStatusBar")->panelText(2), u"Search complete"_qs);
}

TEST_F(ProgramTest, ClosingDuringASearchIsRefusedWithTheProblemBox)
{
    start();
    addTickedFolderThenDeleteIt(u"Vanishing"_qs);
    child<QCheckBox>("chkMD")->setCheckState(Qt::Checked); // no Documents folder: nothing to walk

    // The run waits on its "Invalid Folder" box; closing then is refused, and the settings
    // are saved all the same.
    QPointer<QWidget> invalidBox;
    bool closed = true;
    DialogScript script({
        [&](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), u"Invalid Folder"_qs);
            invalidBox = w;
            QTimer::singleShot(0, form(), [&] { closed = form()->close(); });
        },
        [&](QWidget* w) {
            expectMessage(u"Problem"_qs,
                          u"Please stop the search in progress before closing the program"_qs,
                          QMessageBox::Ok)(w);
            QTimer::singleShot(0, invalidBox, [&] { Modal::press(invalidBox, QMessageBox::Ok); });
        },
    });
    click("Command1");
    ASSERT_TRUE(runEnded());
    EXPECT_TRUE(script.done());
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form()->isVisible());
    EXPECT_TRUE(settingsText().contains(u"\"My Documents\"=\"1\""));
    EXPECT_TRUE(form()->close()); // once the run has ended
}

TEST_F(ProgramTest, PresetsAreNamedOverwrittenAndDeletedThroughTheirDialogs)
{
    start();
    auto* presets = child<QComboBox>("Combo2");
    const auto nameBox = [](const QString& answer) -> DialogScript::Step {
        return [=](QWidget* w) {
            auto* input = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(input, nullptr) << w->windowTitle().toStdString();
            EXPECT_EQ(input->windowTitle(), u"Enter Name"_qs);
            EXPECT_EQ(input->labelText(), u"Enter a name for new preset."_qs);
            Modal::enterText(w, answer);
        };
    };
    {
        DialogScript script({nameBox(u"Work"_qs)});
        click("Command7");
        EXPECT_TRUE(script.done());
    }
    ASSERT_EQ(presets->count(), 1);
    EXPECT_TRUE(settingsText().contains(u"[HKEY_CURRENT_USER\\Software\\Willow "
                                        u"Brookes\\Kestrelfind\\Presets\\Work\\Search Filter]"));

    // The same name again: the overwrite question, answered Yes, keeps one entry.
    child<QComboBox>("Combo1")->setCurrentIndex(2);
    {
        DialogScript script(
            {nameBox(u"Work"_qs),
             expectMessage(u"Preset Exists"_qs,
                           u"Do you wish to overwrite the preset named \"Work\"?"_qs,
                           QMessageBox::Yes)});
        click("Command7");
        EXPECT_TRUE(script.done());
    }
    EXPECT_EQ(presets->count(), 1);
    EXPECT_TRUE(settingsText().contains(u"\"Filetype\"=\"2\""));

    // Delete: No keeps it, Yes removes it from the box and the file.
    {
        DialogScript script(
            {expectMessage(u"Preset Exists"_qs,
                           u"Are you sure you wish to delete the selected preset?"_qs,
                           QMessageBox::No),
             expectMessage(u"Preset Exists"_qs,
                           u"Are you sure you wish to delete the selected preset?"_qs,
                           QMessageBox::Yes)});
        click("Command6");
        EXPECT_EQ(presets->count(), 1);
        click("Command6");
        EXPECT_TRUE(script.done());
    }
    EXPECT_EQ(presets->count(), 0);
    EXPECT_FALSE(settingsText().contains(u"Presets\\Work"));
}

TEST_F(ProgramTest, ASettingsFileThatCannotBeWrittenIsReportedAtClose)
{
    start();
    child<QCheckBox>("chkMD")->setCheckState(Qt::Checked);
    // A file where the settings folder should be fails for root too.
    const QString folder = QFileInfo(RegHiveFilePath(HKEY_CURRENT_USER)).path();
    QDir(folder).removeRecursively();
    home.write(QDir(home.home()).relativeFilePath(folder), "in the way");

    const QString text =
        u"Your settings could not be saved to \"" + RegHiveFilePath(HKEY_CURRENT_USER) +
        u"\".\n\nPress Retry to try again, or Cancel to close without saving them.";
    // Retry while it still fails asks again; Retry once the folder is back saves.
    DialogScript script({expectMessage(u"Oops!"_qs, text, QMessageBox::Retry), [&](QWidget* w) {
                             QFile::remove(folder);
                             QDir().mkpath(folder);
                             expectMessage(u"Oops!"_qs, text, QMessageBox::Retry)(w);
                         }});
    EXPECT_TRUE(form()->close());
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(settingsText().contains(u"\"My Documents\"=\"1\""));
}

TEST_F(ProgramTest, CancelClosesWithoutTheSettingsThatCannotBeWritten)
{
    start();
    const QString file = RegHiveFilePath(HKEY_CURRENT_USER);
    QFile::remove(file);
    QDir().mkpath(file); // a folder where the file should be
    DialogScript script({[](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), u"Oops!"_qs);
        Modal::press(w, QMessageBox::Cancel);
    }});
    EXPECT_TRUE(form()->close());
    EXPECT_TRUE(script.done());
    EXPECT_FALSE(form()->isVisible());
}

TEST_F(ProgramTest, TerminationSignalDismissesTheDialogAndClosesSavingTheSettings)
{
    start();
    child<QCheckBox>("chkMD")->setCheckState(Qt::Checked);
    DialogScript script({[](QWidget*) {
        std::raise(SIGTERM);
    }});
    click("Command2"); // the picker is up when the session ends
    EXPECT_TRUE(script.done());
    EXPECT_FALSE(form()->isVisible());
    EXPECT_TRUE(settingsText().contains(u"\"My Documents\"=\"1\""));
}

// The built executable itself, as a desktop starts it and as a session's end stops it.
TEST(ProgramSmoke, StartsAndEndsCleanlyOnSigtermWritingItsSettings)
{
    const TempHome home;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
          "XDG_RUNTIME_DIR", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        env.insert(QString::fromLatin1(name), QString::fromLocal8Bit(qgetenv(name)));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(KF_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForStarted(10000));

    // Up: it has taken over SIGTERM (bit 15 of the caught-signal mask).
    const QString status = u"/proc/" + QString::number(process.processId()) + u"/status";
    const auto catchesSigterm = [&] {
        QFile file(status);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith("SigCgt:"))
                return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
        }
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(catchesSigterm, 20000));

    process.terminate(); // SIGTERM
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(home.path(u".config/kestrelfind/HKEY_CURRENT_USER.reg"_qs)));
}

} // namespace
