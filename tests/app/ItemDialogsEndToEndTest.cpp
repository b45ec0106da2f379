// The dialogs behind the item commands in the program started as main() starts it: the file
// manager on a private session bus and our own properties window without one, the progress
// and error dialogs of a copy, and the "Oops!" box of a launch that fails. Files are checked
// on disk after each.
#include "ItemCommandsFixture.h"
#include "shell/FileOpDialogs.h"
#include "shell/PropertiesDialog.h"

#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

/// The names in `folder`, hidden ones included, sorted and joined by '|'.
QByteArray entries(const QString& folder)
{
    return bytefiles::list(QFile::encodeName(folder)).join('|');
}

// ---------------------------------------------------------------------------------------
// Properties and Explore location: the file manager, or our own fallbacks without one.

class FileManagerEndToEnd : public ItemCommandsFixture,
                            public ::testing::WithParamInterface<bool> {};

TEST_P(FileManagerEndToEnd, PropertiesFromThePopupAndExploreFromTheFileMenu)
{
    const bool managerPresent = GetParam();
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not installed";
    // A marker name tells whether this process's session bus is the private one: Qt opens
    // it once per process.
    QDBusConnection service = bus.connect(u"kf-test-service"_qs);
    ASSERT_TRUE(service.registerService(u"org.kestrelfind.TestMarker"_qs));
    FakeFileManager manager;
    if (managerPresent) {
        ASSERT_TRUE(manager.serveOn(service));
    }
    busAddress = bus.address();
    const QByteArray odd = "caf\xe9 x.txt";
    ASSERT_NO_FATAL_FAILURE(startAndSearch({odd}, [](const QByteArray& path) {
        ASSERT_TRUE(bytefiles::write(path, QByteArray(1234, 'x')));
    }));
    QDBusConnectionInterface* session = QDBusConnection::sessionBus().interface();
    if (!session || !session->isServiceRegistered(u"org.kestrelfind.TestMarker"_qs))
        GTEST_SKIP() << "this process opened its session bus before the test";

    DialogScript noModal({}); // the commands ask nothing here
    const QByteArray path = rootBytes() + '/' + odd;
    const QString uri = QString::fromLatin1("file://" + path.toPercentEncoding("/"));
    ASSERT_TRUE(uri.endsWith(u"/found/caf%E9%20x.txt"));
    selectPaths({path});
    chooseFromPopup(path, "mnuPopProp");
    if (managerPresent) {
        ASSERT_TRUE(waitFor([&] { return manager.calls.size() == 1; }));
        EXPECT_EQ(manager.calls.first(), QString(u"properties " + uri));
    } else {
        PropertiesDialog* dialog = nullptr;
        ASSERT_TRUE(waitFor([&] {
            dialog = form()->findChild<PropertiesDialog*>();
            return dialog && dialog->isVisible();
        })) << "our own properties window did not show";
        const auto text = [&](const char* name) -> QString {
            if (auto* label = dialog->findChild<QLabel*>(QLatin1String(name)))
                return label->text();
            if (auto* field = dialog->findChild<QLineEdit*>(QLatin1String(name)))
                return field->text();
            return QStringLiteral("(missing)");
        };
        EXPECT_EQ(text("name"), QString::fromUtf8(odd)); // the bad byte shows as U+FFFD
        EXPECT_EQ(text("location"), root);
        EXPECT_TRUE(text("size").endsWith(u"(1,234 bytes)")) << text("size").toStdString();
        QPointer<PropertiesDialog> open = dialog;
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
        ASSERT_TRUE(waitFor([&] { return open.isNull(); })) << "Close left the window open";
    }

    chooseFromFileMenu("mnuFileExplore");
    if (managerPresent) {
        ASSERT_TRUE(waitFor([&] { return manager.calls.size() == 2; }));
        EXPECT_EQ(manager.calls.last(), QString(u"items " + uri));
        QTest::qWait(200); // the replies arrive: neither command falls back
        EXPECT_TRUE(launchedLog().isEmpty()) << launchedLog().toStdString();
        EXPECT_EQ(form()->findChild<PropertiesDialog*>(), nullptr);
    } else {
        // The row's folder opens with the folders' program.
        ASSERT_TRUE(waitFor([&] { return !launchedLog().isEmpty(); }));
        EXPECT_EQ(QDir::cleanPath(launchedLog().trimmed()), root);
        EXPECT_TRUE(manager.calls.isEmpty());
    }
    EXPECT_EQ(noModal.unexpected(), 0);
    EXPECT_TRUE(bytefiles::exists(path)) << "the item is untouched";
}

INSTANTIATE_TEST_SUITE_P(Bus, FileManagerEndToEnd, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "FileManagerAnswers" : "NoFileManager");
});

// ---------------------------------------------------------------------------------------
// A copy's progress dialog and error dialog.

class CopyDialogsEndToEnd : public ItemCommandsFixture {
protected:
    static constexpr qint64 kSize = qint64(4) << 30;

    /// Lists a sparse big.bin of 4 GB (no disk is used until the copy writes it, and a cancel
    /// stops that early) and starts copying it into a new folder, `target`.
    void startBigCopy(QString& target)
    {
        ASSERT_NO_FATAL_FAILURE(startAndSearch({"big.bin"}, [](const QByteArray& path) {
            ASSERT_TRUE(bytefiles::write(path, "head"));
            ASSERT_EQ(::truncate(path.constData(), kSize), 0);
        }));
        target = home.mkdir(u"target"_qs);
        selectPaths({rootBytes() + "/big.bin"});
        DialogScript picking({pick(u"Copy file(s) to..."_qs, target)});
        chooseFromFileMenu("mnuFileCopy");
        ASSERT_TRUE(picking.done());
    }
};

TEST_F(CopyDialogsEndToEnd, ProgressShowsOnALongCopyAndItsCancelLeavesNothingBehind)
{
    QString target;
    ASSERT_NO_FATAL_FAILURE(startBigCopy(target));
    DialogScript script({}); // a cancelled copy asks nothing more
    EXPECT_EQ(form()->findChild<FileProgressDialog*>(), nullptr) << "not before half a second";
    FileProgressDialog* progress = nullptr;
    ASSERT_TRUE(waitFor([&] {
        progress = form()->findChild<FileProgressDialog*>();
        return (progress && progress->isVisible()) || form()->fileJobsRunning() == 0;
    }));
    if (!progress || !progress->isVisible())
        GTEST_SKIP() << "the copy ended before its progress could show";
    EXPECT_EQ(progress->windowTitle(), u"Copying"_qs);
    QPointer<FileProgressDialog> open = progress;
    progress->findChild<QPushButton*>(u"cancel"_qs)->click();
    ASSERT_TRUE(waitFor([&] { return form()->fileJobsRunning() == 0; }));
    ASSERT_TRUE(waitFor([&] { return open.isNull() || !open->isVisible(); }));

    EXPECT_EQ(entries(target), "") << "a partial copy was left";
    EXPECT_EQ(QFileInfo(root + u"/big.bin").size(), kSize);
    EXPECT_EQ(readFile(root + u"/a.txt"), "alpha");
    EXPECT_EQ(script.unexpected(), 0) << "a cancelled copy asks nothing more";
    EXPECT_EQ(model()->rowCount(), 5);
}

// Closing the window would cancel a copy under way: the user is asked first, and either
// answer leaves no partial copy behind.
TEST_F(CopyDialogsEndToEnd, ClosingDuringACopyAsksAndCancelsItCleanly)
{
    QString target;
    ASSERT_NO_FATAL_FAILURE(startBigCopy(target));
    if (form()->fileJobsRunning() == 0)
        GTEST_SKIP() << "the copy ended before the window could be closed";

    const QString question = u"A copy, move or move to the Trash is still in progress. Closing "
                             u"the program cancels it: items not done yet stay where they "
                             u"are.\n\nClose the program anyway?"_qs;
    {
        DialogScript no({answerBox(u"Close"_qs, QMessageBox::No, question)});
        EXPECT_FALSE(form()->close());
        EXPECT_TRUE(no.done());
    }
    EXPECT_TRUE(form()->isVisible());
    if (form()->fileJobsRunning() == 0)
        GTEST_SKIP() << "the copy ended while the question was open";
    {
        DialogScript yes({answerBox(u"Close"_qs, QMessageBox::Yes, question)});
        EXPECT_TRUE(form()->close());
        EXPECT_TRUE(yes.done());
    }
    program.reset();
    EXPECT_EQ(entries(target), "") << "a partial copy was left";
    EXPECT_EQ(QFileInfo(root + u"/big.bin").size(), kSize);
}

struct ErrorCase {
    const char* name;
    const char* button; ///< the error dialog's button
    QStringList copied; ///< what the destination holds afterwards
};

class CopyErrorEndToEnd : public ItemCommandsFixture,
                          public ::testing::WithParamInterface<ErrorCase> {};

// a.txt and b.txt copied into a folder that refuses them: the error names a.txt; the folder
// is made writable, then the answer decides what happens.
TEST_P(CopyErrorEndToEnd, AnswerToTheErrorDecidesWhatIsCopied)
{
    const ErrorCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(startAndSearch());
    const QString target = home.mkdir(u"locked"_qs);
    bytefiles::LockedFolder folder{QFile::encodeName(target)};
    if (!folder.lock(true))
        GTEST_SKIP() << "this file system cannot refuse writes to a folder here";
    const bool finishes = QByteArray(c.button) != "cancel";
    std::vector<DialogScript::Step> steps = {
        [&, typeTarget = pick(u"Copy file(s) to..."_qs, target)](QWidget* w) {
            // The picker opens where the current row's file is, not at home.
            auto* picker = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(picker, nullptr);
            EXPECT_EQ(picker->directory().absolutePath(), root);
            typeTarget(w);
        },
        [&](QWidget* w) {
            EXPECT_EQ(w->objectName(), u"ErrorDialog"_qs);
            EXPECT_EQ(w->windowTitle(), u"Problem"_qs);
            EXPECT_TRUE(w->accessibleDescription().startsWith(QString(root + u"/a.txt\n\n")))
                << w->accessibleDescription().toStdString();
            EXPECT_EQ(entries(target), "") << "nothing was written yet";
            folder.lock(false);
            auto* button = w->findChild<QPushButton*>(QLatin1String(c.button));
            ASSERT_NE(button, nullptr) << c.button;
            button->click();
        }};
    if (finishes)
        steps.push_back(expectMessage(u"Changes Made"_qs, QMessageBox::Cancel));
    DialogScript script(std::move(steps));
    select({u"a.txt"_qs, u"b.txt"_qs});
    chooseFromPopup(rootBytes() + "/a.txt", "mnuPopCopy");
    ASSERT_TRUE(waitFor([&] { return script.done(); })) << script.answered() << " answered";
    ASSERT_TRUE(waitFor([&] { return form()->fileJobsRunning() == 0; }));

    EXPECT_EQ(entries(target), c.copied.join(u'|').toUtf8());
    for (const QString& name : c.copied)
        EXPECT_EQ(readFile(target + u'/' + name), readFile(root + u'/' + name));
    EXPECT_EQ(readFile(root + u"/a.txt"), "alpha");
    EXPECT_EQ(readFile(root + u"/b.txt"), "beta");
    EXPECT_EQ(script.unexpected(), 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, CopyErrorEndToEnd,
                         ::testing::Values(ErrorCase{"Retry", "retry", {u"a.txt"_qs, u"b.txt"_qs}},
                                           ErrorCase{"Skip", "skip", {u"b.txt"_qs}},
                                           ErrorCase{"Cancel", "cancel", {}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// A launch that fails: the "Oops!" box; the item is recorded unless it is gone.

struct LaunchCase {
    const char* name;
    const char* file;
    bool deletedAfterListing;
    bool byEnterKey; ///< else the popup's Launch
    int code;
    const char* description;
    bool recorded; ///< in both recent lists all the same
};

class FailedLaunchEndToEnd : public ItemCommandsFixture,
                             public ::testing::WithParamInterface<LaunchCase> {
protected:
    QByteArray recentDocuments() const
    {
        return readFile(qEnvironmentVariable("XDG_DATA_HOME") + u"/recently-used.xbel");
    }
    /// Launches the row of `path` as the case says.
    void launch(const LaunchCase& c, const QByteArray& path)
    {
        selectPaths({path});
        if (c.byEnterKey) {
            ASSERT_NO_FATAL_FAILURE(focusList());
            QTest::keyClick(list()->detailsView(), Qt::Key_Return);
        } else {
            chooseFromPopup(path, "mnuPopLaunch");
        }
    }
};

TEST_P(FailedLaunchEndToEnd, OopsIsShownAndOnlyAnItemThatIsGoneIsNotRecorded)
{
    const LaunchCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(startAndSearch({"strange.kfnone"}, [](const QByteArray& path) {
        ASSERT_TRUE(bytefiles::write(path, "data"));
    }));
    const QByteArray path = rootBytes() + '/' + c.file;
    if (c.deletedAfterListing) {
        ASSERT_EQ(::unlink(path.constData()), 0);
    }
    QString shown;
    DialogScript script({[&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), u"Oops!"_qs);
        if (QMessageBox* box = qobject_cast<QMessageBox*>(w)) {
            shown = withoutBreaks(box->text());
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
        }
        Modal::press(w, QMessageBox::Ok);
    }});
    ASSERT_NO_FATAL_FAILURE(launch(c, path));
    ASSERT_TRUE(waitFor([&] { return script.done(); })) << "no Oops! box";
    EXPECT_FALSE(form()->searchRunning()) << "the key also pressed the search button";
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_EQ(shown, QString(u"There was an error launching the file.\r\n\r\nError Code: " +
                             QString::number(c.code) + u"\r\n\r\nDescription: " +
                             QLatin1String(c.description)));
    QAction* first = action("mnuRecentLaunch0");
    EXPECT_EQ(first->text(), c.recorded ? u"&1. "_qs + QLatin1String(c.file) : u"(Empty)"_qs);
    EXPECT_EQ(first->isEnabled(), c.recorded);

    // A launch that works afterwards goes first.
    const QByteArray good = rootBytes() + "/b.txt";
    ASSERT_NO_FATAL_FAILURE(launch(c, good));
    ASSERT_TRUE(waitFor([&] { return launchedLog().contains(u"b.txt"); })) << "not launched";
    EXPECT_EQ(launchedLog(), root + u"/b.txt\n") << "the failed item reached a program";
    EXPECT_EQ(first->text(), u"&1. b.txt"_qs);
    EXPECT_EQ(action("mnuRecentLaunch1")->isVisible(), c.recorded);
    EXPECT_TRUE(readFile(hivePath()).contains(good));
    EXPECT_EQ(readFile(hivePath()).contains(path), c.recorded);
    EXPECT_TRUE(recentDocuments().contains("/found/b.txt"));
    EXPECT_EQ(recentDocuments().contains(QByteArray(QByteArray("/found/") + c.file)), c.recorded);
    EXPECT_EQ(script.unexpected(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedLaunchEndToEnd,
    ::testing::Values(LaunchCase{"NoApplication", "strange.kfnone", false, true, 1155,
                                 "No application is associated with the specified file.", true},
                      LaunchCase{"DeletedSinceListed", "a.txt", true, false, 2,
                                 "File no longer exists.", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
