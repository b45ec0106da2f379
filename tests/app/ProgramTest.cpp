// The program started as main() starts it, with the real dialogs and the real settings file
// under the test's home: each dialog is found, checked and answered as a user would.
#include "results/sbStatusBar.h"
#include "settings/Presets.h"

#include "ProgramFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <csignal>

namespace {

using namespace AppTest;

class ProgramTest : public ProgramFixture {
protected:
    void click(const char* button) { child<QPushButton>(button)->click(); }
    /// Adds these folders below home through the picker, ticked, then deletes them; only the
    /// Documents box is ticked beside them, and there is no Documents folder: nothing to walk.
    QStringList addMissingFolders(std::initializer_list<const char*> names)
    {
        QStringList folders;
        for (const char* name : names) {
            folders.append(home.mkdir(QString::fromLatin1(name)));
            DialogScript script({pick(kSelectFolder, folders.last())});
            click("Command2");
            EXPECT_TRUE(script.done());
            child<QListWidget>("text3")->item(int(folders.size()))->setCheckState(Qt::Checked);
            EXPECT_TRUE(QDir(folders.last()).removeRecursively());
        }
        tickOnly(form(), {"chkMD"});
        return folders;
    }
};

TEST_F(ProgramTest, FolderPickerAddsAFolderOnceAndTheCloseStoresIt)
{
    start();
    auto* list = child<QListWidget>("text3");
    const QString folder = home.mkdir(u"Projects"_qs);
    const QString other = home.mkdir(u"projects"_qs);
    // The picker opens at home, or at the highlighted entry.
    const auto pickFrom = [&](const QString& offered, const QString& answer) {
        return [=](QWidget* w) {
            auto* picker = qobject_cast<QFileDialog*>(w);
            EXPECT_EQ(picker ? picker->directory().absolutePath() : QString(), offered);
            pick(kSelectFolder, answer)(w);
        };
    };
    {
        DialogScript script({pickFrom(home.home(), folder)});
        click("Command2");
        EXPECT_TRUE(script.done());
    }
    ASSERT_EQ(list->count(), 2); // the empty first-start entry and the folder
    EXPECT_EQ(list->item(1)->text(), folder);

    // Again: refused. Case matters: another spelling is another entry; cancelling adds nothing.
    list->setCurrentRow(1);
    DialogScript script({pickFrom(folder, folder),
                         answerBox(u"Already There"_qs, QMessageBox::Ok,
                                   u'"' + folder + u"\" is already in the list."),
                         pick(kSelectFolder, other), [](QWidget* w) {
                             QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
                         }});
    for (int i = 0; i < 3; ++i)
        click("Command2");
    EXPECT_TRUE(script.done());
    ASSERT_EQ(list->count(), 3);
    list->setCurrentRow(2);
    click("Command5"); // Remove

    EXPECT_TRUE(form()->close());
    EXPECT_TRUE(settingsText().contains(u"\"Folder0\"=\"|0\""));
    EXPECT_TRUE(settingsText().contains(u"\"Folder1\"=\"" + folder + u"|0\""));
    EXPECT_FALSE(settingsText().contains(other));
}

// The run waits on the "Invalid Folder" box of a deleted alternate folder; closing then is
// refused, and the settings are saved all the same.
TEST_F(ProgramTest, ADeletedFolderIsToldAndClosingMeanwhileIsRefused)
{
    start();
    const QString folder = addMissingFolders({"Gone"}).first();
    QPointer<QWidget> invalidBox;
    bool closed = true;
    DialogScript script({
        [&](QWidget* w) {
            QMessageBox* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr) << w->windowTitle().toStdString();
            EXPECT_EQ(box->windowTitle(), u"Invalid Folder"_qs);
            EXPECT_EQ(withoutBreaks(box->text()),
                      u"Could not find one of your alternate folders, \"" + folder +
                          u"\". It may have been removed. Please update your "
                          u"alternate folders list.");
            invalidBox = w;
            QTimer::singleShot(0, form(), [&] { closed = form()->close(); });
        },
        [&](QWidget* w) {
            answerBox(u"Problem"_qs, QMessageBox::Ok,
                      u"Please stop the search in progress before closing the program"_qs)(w);
            QTimer::singleShot(0, invalidBox, [&] { Modal::press(invalidBox, QMessageBox::Ok); });
        },
    });
    click("Command1");
    ASSERT_TRUE(runEnded());
    EXPECT_TRUE(script.done());
    EXPECT_EQ(child<sbStatusBar>("sbStatusBar")->panelText(2), u"Search complete"_qs);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form()->isVisible());
    EXPECT_TRUE(settingsText().contains(u"\"My Documents\"=\"1\""));
    EXPECT_TRUE(form()->close()); // once the run has ended
}

TEST_F(ProgramTest, PresetsAreNamedLoadedOverwrittenAndDeletedThroughTheirDialogs)
{
    start();
    auto* presets = child<QComboBox>("Combo2");
    EXPECT_FALSE(child<QPushButton>("Command8")->isEnabled());
    // `offered`: the name the box must offer, when it matters.
    const auto nameBox = [](const QString& answer, const QString& offered = {}) {
        return [=](QWidget* w) {
            auto* input = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(input, nullptr) << w->windowTitle().toStdString();
            if (!offered.isEmpty()) {
                EXPECT_EQ(input->textValue(), offered);
            }
            Modal::enterText(w, answer);
        };
    };
    const auto save = [&](std::vector<DialogScript::Step> steps) {
        DialogScript script(std::move(steps));
        click("Command7");
        EXPECT_TRUE(script.done());
    };
    tickOnly(form(), {"chkMD"});
    auto* folders = child<QListWidget>("text3");
    folders->clear();
    addAltFolder(folders, u"/x/one"_qs, true);
    addAltFolder(folders, u"/x/two"_qs, false);
    save({nameBox(u"  Work  "_qs)}); // stored trimmed
    ASSERT_EQ(presets->count(), 1);
    EXPECT_EQ(presets->currentText(), u"Work"_qs);
    EXPECT_TRUE(child<QPushButton>("Command8")->isEnabled());
    const QString key =
        u"[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\Presets\\Work\\"_qs;
    EXPECT_TRUE(settingsText().contains(key + u"Search Filter]"));
    EXPECT_TRUE(settingsText().contains(key + u"Alt Folders]"));
    EXPECT_TRUE(settingsText().contains(u"\"Folder0\"=\"/x/one|1\""));
    EXPECT_TRUE(settingsText().contains(u"\"Folder1\"=\"/x/two|0\""));

    // "work" is the same preset: No asks for another name, offering the last one.
    folders->clear();
    save({nameBox(u"work"_qs),
          answerBox(u"Preset Exists"_qs, QMessageBox::No,
                    u"Do you wish to overwrite the preset named \"Work\"?"_qs),
          nameBox(u"Home"_qs, u"work"_qs)});
    ASSERT_EQ(presets->count(), 2);
    EXPECT_EQ(presets->itemText(0), u"Home"_qs);

    // Load Work back. The box's tooltip names the preset whole (a long name is cut in the box).
    tickOnly(form());
    presets->setCurrentIndex(1);
    EXPECT_EQ(presets->toolTip(), u"Work"_qs);
    click("Command8");
    EXPECT_TRUE(child<QCheckBox>("chkMD")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chkDT")->isChecked());
    ASSERT_EQ(folders->count(), 2);
    EXPECT_EQ(folders->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(folders->currentRow(), 0);

    // The same name again: the overwrite question, answered Yes, adds no entry.
    child<QComboBox>("Combo1")->setCurrentIndex(2);
    save({nameBox(u"Work"_qs),
          answerBox(u"Preset Exists"_qs, QMessageBox::Yes,
                    u"Do you wish to overwrite the preset named \"Work\"?"_qs)});
    EXPECT_EQ(presets->count(), 2);
    EXPECT_TRUE(settingsText().contains(u"\"Filetype\"=\"2\""));

    // Delete: No keeps it, Yes removes it from the box and the file.
    ASSERT_EQ(presets->currentText(), u"Work"_qs);
    const QString sure = u"Are you sure you wish to delete the selected preset?"_qs;
    {
        DialogScript script({answerBox(u"Preset Exists"_qs, QMessageBox::No, sure),
                             answerBox(u"Preset Exists"_qs, QMessageBox::Yes, sure)});
        click("Command6");
        EXPECT_EQ(presets->count(), 2);
        click("Command6");
        EXPECT_TRUE(script.done());
    }
    EXPECT_EQ(presets->count(), 1);
    EXPECT_FALSE(settingsText().contains(u"Presets\\Work"));

    // A preset deleted behind the window's back is told and taken off the list, not loaded
    // as the defaults.
    save({nameBox(u"Gone"_qs)});
    ASSERT_TRUE(Presets().remove(u"Gone"_qs));
    tickOnly(form(), {"chkMD"});
    ASSERT_EQ(presets->currentText(), u"Gone"_qs);
    {
        DialogScript script({answerBox(u"Oops!"_qs, QMessageBox::Ok,
                                       u"The preset \"Gone\" is no longer in the settings "
                                       u"file, so it cannot be loaded. It has been taken off the "
                                       u"list."_qs)});
        click("Command8");
        EXPECT_TRUE(script.done());
    }
    EXPECT_EQ(presets->count(), 1);
    EXPECT_EQ(presets->currentText(), u"Home"_qs);
    EXPECT_TRUE(child<QCheckBox>("chkMD")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chkDT")->isChecked());

    // A refused name is told and asked again. The file stays readable, but no write can take
    // its lock (a folder is in the way): the user is told, and neither a save nor a delete
    // changes the list.
    const QString lock = hivePath() + u".lock";
    QFile::remove(lock);
    ASSERT_TRUE(QDir().mkpath(lock));
    save({nameBox(u"a\\b"_qs), answerBox(u"Enter Name"_qs, QMessageBox::Ok), nameBox(u"Other"_qs),
          answerBox(u"Oops!"_qs, QMessageBox::Ok)});
    DialogScript failed({answerBox(u"Preset Exists"_qs, QMessageBox::Yes, sure),
                         answerBox(u"Oops!"_qs, QMessageBox::Ok)});
    click("Command6");
    EXPECT_TRUE(failed.done());
    ASSERT_EQ(presets->count(), 1);
    EXPECT_EQ(presets->itemText(0), u"Home"_qs);
    QDir(lock).removeRecursively();
}

// No write can succeed, whoever runs the test: first a file where the settings folder
// should be, then a folder where the file should be.
TEST_F(ProgramTest, ASettingsFileThatCannotBeWrittenIsRetriedOrGivenUpAtClose)
{
    start();
    child<QCheckBox>("chkMD")->setCheckState(Qt::Checked);
    const QString file = hivePath();
    const QString folder = QFileInfo(file).path();
    QDir(folder).removeRecursively();
    home.write(QDir(home.home()).relativeFilePath(folder), "in the way");
    // Each question names the file, says why it failed, and what the answers do.
    QStringList reasons;
    const auto oops = [&](QMessageBox::StandardButton answer) {
        return [&, answer](QWidget* w) {
            const QString text = qobject_cast<QMessageBox*>(w)
                                     ? withoutBreaks(qobject_cast<QMessageBox*>(w)->text())
                                     : QString();
            const QString head = u"Your settings could not be saved to \"" + file + u"\".\n\n";
            const QString tail =
                u"\n\nPress Retry to try again, or Cancel to close without saving them."_qs;
            EXPECT_TRUE(text.startsWith(head) && text.endsWith(tail)) << text.toStdString();
            reasons << text.mid(head.size(), text.size() - head.size() - tail.size());
            answerBox(u"Oops!"_qs, answer)(w);
        };
    };
    {
        // Retry while it still fails asks again; Retry once the folder is back saves.
        DialogScript script({oops(QMessageBox::Retry), [&](QWidget* w) {
                                 QFile::remove(folder);
                                 QDir().mkpath(folder);
                                 oops(QMessageBox::Retry)(w);
                             }});
        EXPECT_TRUE(form()->close());
        EXPECT_TRUE(script.done());
    }
    EXPECT_TRUE(settingsText().contains(u"\"My Documents\"=\"1\""));
    ASSERT_EQ(reasons.size(), 2);
    EXPECT_EQ(reasons[0], reasons[1]);
    EXPECT_TRUE(reasons[0].contains(u"is a file, not a folder"_qs)) << reasons[0].toStdString();

    // Cancel does not trap the user: the window closes without the settings.
    restart();
    QFile::remove(file);
    QDir().mkpath(file);
    reasons.clear();
    DialogScript script({oops(QMessageBox::Retry), oops(QMessageBox::Cancel)});
    EXPECT_TRUE(form()->close());
    EXPECT_TRUE(script.done());
    EXPECT_FALSE(form()->isVisible());
    ASSERT_EQ(reasons.size(), 2);
    EXPECT_TRUE(reasons[0].contains(u"Is a directory"_qs) ||
                reasons[0].contains(u"folder stands"_qs))
        << reasons[0].toStdString();
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

/// main()'s event loop, ended by a watchdog with 99 when the program does not end by itself.
int runMainLoop()
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(15000);
    return QApplication::exec();
}

// A session's end must end the program, not only close its window: the process would stay,
// holding the single-instance socket, until killed.
TEST_F(ProgramTest, TerminationSignalEndsTheProgramWhileAStartUpBoxIsUp)
{
    ASSERT_TRUE(writeFile(hivePath(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\x"));
    DialogScript script({[](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), u"Problem"_qs);
        std::raise(SIGTERM);
    }});
    program = std::make_unique<Program>();
    ASSERT_TRUE(program->start()); // as main() does, then its loop
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_TRUE(script.done());
    EXPECT_FALSE(form()->isVisible());
}

TEST_F(ProgramTest, TerminationSignalEndsTheProgramWhileTheWindowIsHidden)
{
    start();
    child<QCheckBox>("chkMD")->setCheckState(Qt::Checked);
    form()->hide(); // as in the notification area
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_TRUE(settingsText().contains(u"\"My Documents\"=\"1\""));
}

// A run tells each missing alternate folder in a box of its own. A session's end while the
// first is up must not leave the program waiting on the next: nobody will answer it.
TEST_F(ProgramTest, TerminationSignalEndsTheProgramWhileMissingFoldersAreStillToBeTold)
{
    start();
    const QStringList folders = addMissingFolders({"Gone1", "Gone2", "Gone3"});
    DialogScript script({[](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), u"Invalid Folder"_qs);
        std::raise(SIGTERM);
    }});
    QTimer::singleShot(0, form(), [this] { click("Command1"); });
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(script.unexpected(), 0) << "a box showed after the session ended";
    EXPECT_FALSE(form()->isVisible());
    // What the run and the window were left with is kept.
    EXPECT_TRUE(settingsText().contains(u"\"Folder3\"=\"" + folders.last() + u"|1\""));
}

// The built executable itself, as a desktop starts it and as a session's end stops it.
TEST(ProgramSmoke, StartsAndEndsCleanlyOnSigtermWritingItsSettings)
{
    const TempHome home;
    QProcess process; // the private HOME, XDG folders and offscreen platform are inherited
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(KF_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForStarted(10000));

    // Up: it has taken over SIGTERM (bit 15 of the caught-signal mask).
    const QString status = u"/proc/" + QString::number(process.processId()) + u"/status";
    const auto catchesSigterm = [&] {
        QFile file(status);
        const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const qsizetype at = text.indexOf("\nSigCgt:") + 8;
        const QByteArray mask = at < 8 ? QByteArray() : text.mid(at, text.indexOf('\n', at) - at);
        return ((mask.trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
    };
    ASSERT_TRUE(QTest::qWaitFor(catchesSigterm, 20000));

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(home.path(u".config/kestrelfind/HKEY_CURRENT_USER.reg"_qs)));
}

// The window takes no files and no options of its own: a mistyped option or a file name is an
// error a script sees at once, not a window it would wait on, and with no display to show the
// window on, the program says so instead of aborting.
TEST(ProgramSmoke, ArgumentsTheWindowDoesNotTakeAMissingDisplayAndDamagedSettingsAreTold)
{
    const TempHome home;
    const auto run = [](const QStringList& arguments, const QProcessEnvironment& environment) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KF_EXECUTABLE), arguments);
        EXPECT_TRUE(process.waitForFinished(20000)) << arguments.join(u' ').toStdString();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        return std::pair{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                         QString::fromLocal8Bit(process.readAllStandardError())};
    };
    const QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment noDisplay = offscreen;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(QString::fromLatin1(name));
    // An X display that is named but does not answer: Qt's own start would abort.
    int number = 87;
    while (QFileInfo::exists(u"/tmp/.X11-unix/X%1"_qs.arg(number)))
        ++number;
    const QString dead = u":%1"_qs.arg(number);
    QProcessEnvironment deadX = noDisplay;
    deadX.insert(u"DISPLAY"_qs, dead);
    // A Wayland display left behind by a session that ended, with or without that X display.
    QProcessEnvironment staleWaylandDeadX = deadX;
    staleWaylandDeadX.insert(u"WAYLAND_DISPLAY"_qs, u"kf-no-such-wayland-0"_qs);
    QProcessEnvironment staleWayland = staleWaylandDeadX;
    staleWayland.remove(u"DISPLAY"_qs);
    const QString unknown = u"kestrelfind: unknown argument '"_qs;
    const struct {
        QStringList arguments;
        const QProcessEnvironment& environment;
        QString error;
    } cases[] = {
        {{u"notes.txt"_qs}, offscreen, unknown},
        {{u"--fnid"_qs, u"x"_qs}, offscreen, unknown},
        {{u"-x"_qs}, offscreen, unknown},
        {{u"-style"_qs, u"Fusion"_qs, u"--"_qs, u"--find"_qs, u"x"_qs}, offscreen, unknown},
        // Quoted escaped: a name with an escape sequence would recolour the terminal.
        {{u"--bo\x1b[31mgus"_qs}, offscreen, u"unknown argument '--bo\\x1b[31mgus'"_qs},
        {{}, noDisplay, u"no display"_qs},
        {{}, deadX, u"cannot open the display '" + dead + u'\''},
        {{}, staleWaylandDeadX, u"kestrelfind: "_qs},
        {{}, staleWayland, u"no Wayland compositor answers"_qs},
    };
    for (const auto& c : cases) {
        const auto [status, errors] = run(c.arguments, c.environment);
        EXPECT_EQ(status, 2) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(errors.contains(c.error)) << errors.toStdString();
    }
    EXPECT_FALSE(QFile::exists(home.path(u".config/kestrelfind/HKEY_CURRENT_USER.reg"_qs)));

    // The finder, given no folder, reads the stored ones: a damaged file is told on stderr.
    ASSERT_TRUE(writeFile(hivePath(), "this is not a settings file\n"));
    const auto [findStatus, findErrors] = run({u"--find"_qs, u"x"_qs}, offscreen);
    EXPECT_NE(findStatus, -1) << "crashed";
    EXPECT_TRUE(findErrors.contains(u"kestrelfind: "_qs)) << findErrors.toStdString();
    EXPECT_TRUE(findErrors.contains(u"HKEY_CURRENT_USER.reg"_qs)) << findErrors.toStdString();
}

} // namespace
