#include "platform/FileWork.h"
#include "platform/Trash.h"

#include "ByteFiles.h"
#include "ScriptedFileUi.h"

#include <QDateTime>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <functional>

#include <sys/mount.h>
#include <sys/stat.h>

namespace bf = bytefiles;
using Kind = FileOpRequest::Kind;

namespace {

// Names a file manager must carry byte for byte.
const QList<QByteArray> kAwkwardNames = {"plain.txt", "bad\xff\xfe name.bin", "line\nbreak.txt",
                                         "tab\tand space .txt"};
constexpr time_t kOldTime = 1'000'000'000; // 2001: clearly not "now"

void makeOld(const QByteArray& path)
{
    const struct timespec times[2] = {{kOldTime, 0}, {kOldTime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
}

/// FileWork on the test's own thread: every progress report reaches the test as it is made (a
/// job passes on only a few) and a cancel lands exactly there. Conflicts cancel; errors are
/// recorded and skipped.
struct DirectWork final : WorkContext {
    std::function<bool()> cancel = [] {
        return false;
    };
    std::function<void(const FileOpProgress&)> onProgress = [](const FileOpProgress&) {
    };
    QList<ErrorQuestion> errors;

    bool cancelled() const override { return cancel(); }
    ConflictAnswer askConflict(const ConflictQuestion&) override { return ConflictAnswer::Cancel; }
    ErrorAnswer askError(const ErrorQuestion& question) override
    {
        errors.append(question);
        return ErrorAnswer::Skip;
    }
    void progress(const FileOpProgress& p) override { onProgress(p); }
    FileOpOutcome run(Kind kind, QList<QByteArray> sources, const QByteArray& destination)
    {
        return FileWork(*this).run({kind, std::move(sources), destination});
    }
};

class FileWorkTest : public ::testing::Test {
protected:
    QByteArray at(const QByteArray& relative) const { return m_root + '/' + relative; }
    FileOpOutcome run(Kind kind, QList<QByteArray> sources, const QByteArray& destination)
    {
        return runFileJob({kind, std::move(sources), destination}, ui);
    }
    /// A folder `name` holding the awkward names, a sub-folder, a relative link and odd modes.
    void makeTree(const QByteArray& name)
    {
        ASSERT_TRUE(bf::mkdir(at(name)));
        for (const QByteArray& file : kAwkwardNames)
            ASSERT_TRUE(bf::write(at(name + '/' + file), "data of " + file, 0640));
        ASSERT_TRUE(bf::mkdir(at(name + "/sub\xff")));
        ASSERT_TRUE(bf::write(at(name + "/sub\xff/deep.txt"), "deep", 0600));
        ASSERT_EQ(::symlink("plain.txt", at(name + "/link").constData()), 0);
        makeOld(at(name + "/plain.txt"));
    }
    /// A folder `name` holding files named as given, each holding its own name.
    void makeFolder(const QByteArray& name, std::initializer_list<const char*> files)
    {
        ASSERT_TRUE(bf::mkdir(at(name)));
        for (const char* file : files)
            ASSERT_TRUE(bf::write(at(name + '/' + file), file));
    }
    void expectTree(const QByteArray& path)
    {
        for (const QByteArray& file : kAwkwardNames)
            EXPECT_EQ(bf::read(path + "/" + file), QByteArray("data of " + file))
                << file.toHex().constData();
        EXPECT_EQ(bf::read(path + "/sub\xff/deep.txt"), QByteArray("deep"));
        struct stat st {};
        ASSERT_EQ(::stat(QByteArray(path + "/plain.txt").constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(st.st_mtim.tv_sec, kOldTime);
        char target[PATH_MAX] = {};
        ASSERT_GT(::readlink(QByteArray(path + "/link").constData(), target, sizeof target), 0);
        EXPECT_STREQ(target, "plain.txt");
    }

    bf::TempFolder m_dir;
    QByteArray m_root = m_dir.path();
    ScriptedFileUi ui;
};

// A folder chosen with an item inside it (listed before it) goes whole and the item with it:
// never a second copy beside the folder, and never taken out of it.
TEST_F(FileWorkTest, CopyAndMoveTakeAFolderWholeWithNamesContentsModesTimesAndLinks)
{
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        SCOPED_TRACE(kind == Kind::Copy ? "copy" : "move");
        const QByteArray name = kind == Kind::Copy ? "copied" : "moved";
        makeTree(name);
        bf::mkdir(at("to-" + name));
        const QList<QByteArray> chosen = {at(name + "/plain.txt"), at(name)};
        const FileOpOutcome outcome = run(kind, chosen, at("to-" + name));
        EXPECT_FALSE(outcome.aborted);
        EXPECT_EQ(outcome.done, (QList<QByteArray>{at(name), at(name + "/plain.txt")}));
        expectTree(at("to-" + name + '/' + name));
        EXPECT_FALSE(bf::exists(at("to-" + name + "/plain.txt")));
        EXPECT_EQ(bf::exists(at(name)), kind == Kind::Copy);
        EXPECT_EQ(bf::exists(at(name + "/plain.txt")), kind == Kind::Copy);
        EXPECT_TRUE(ui.errors.isEmpty() && ui.conflicts.isEmpty());
        ASSERT_FALSE(ui.progresses.isEmpty());
        EXPECT_EQ(ui.progresses.last().itemsDone, ui.progresses.last().itemsTotal);
        ui = {};
    }
}

// While a long file copies, the progress names it (not the item before it, or none).
TEST_F(FileWorkTest, TheProgressNamesTheFileBeingCopied)
{
    ASSERT_TRUE(bf::write(at("big.bin"), QByteArray(40 << 20, 'b'))); // more than a block
    ASSERT_TRUE(bf::mkdir(at("to")));
    bool named = false;
    DirectWork work;
    work.onProgress = [&](const FileOpProgress& p) {
        if (p.bytesDone > 0 && p.bytesDone < p.bytesTotal)
            named = named || p.currentPath == at("big.bin");
    };
    EXPECT_EQ(work.run(Kind::Copy, {at("big.bin")}, at("to")).done.size(), 1);
    EXPECT_TRUE(named);
}

// Moved where it already is: done. Moved onto another link to the same file: nothing would
// move, so it is said, not reported done (its row would go while the file stays).
TEST_F(FileWorkTest, AMoveOntoTheSameFileIsDoneOnlyWhereItAlreadyIs)
{
    ASSERT_TRUE(bf::write(at("here.txt"), "h"));
    EXPECT_EQ(run(Kind::Move, {at("here.txt")}, m_root).done, QList<QByteArray>{at("here.txt")});
    EXPECT_TRUE(ui.errors.isEmpty());

    ASSERT_TRUE(bf::mkdir(at("other")));
    ASSERT_EQ(::link(at("here.txt").constData(), at("other/here.txt").constData()), 0);
    EXPECT_TRUE(run(Kind::Move, {at("here.txt")}, at("other")).done.isEmpty());
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].message.contains(u"same file"_qs)) << qPrintable(ui.errors[0].message);
    EXPECT_TRUE(bf::exists(at("here.txt")) && bf::exists(at("other/here.txt")));
    // A copy there makes a second file beside it, as before.
    EXPECT_EQ(run(Kind::Copy, {at("here.txt")}, at("other")).done.size(), 1);
    EXPECT_EQ(bf::read(at("other/here (2).txt")), QByteArray("h"));
}

// Each answer to the real dialog during a copy is the dialogs' test; a move must also keep its
// source unless the file went over.
TEST_F(FileWorkTest, AnExistingTargetIsAskedAboutAndNeverOverwrittenSilently)
{
    const struct {
        ConflictAnswer answer;
        QByteArray targetAfter;
        bool keptBoth;
        bool aborted;
    } cases[] = {{ConflictAnswer::Skip, "old", false, false},
                 {ConflictAnswer::Replace, "new", false, false},
                 {ConflictAnswer::KeepBoth, "old", true, false},
                 {ConflictAnswer::Cancel, "old", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.answer));
        const QByteArray from = at("from" + QByteArray::number(int(c.answer)));
        const QByteArray to = at("to" + QByteArray::number(int(c.answer)));
        bf::mkdir(from);
        bf::mkdir(to);
        bf::write(from + "/a\xff.txt", "new");
        bf::write(to + "/a\xff.txt", "old");
        ui = {};
        ui.conflictAnswers = {c.answer};
        const FileOpOutcome outcome = run(Kind::Move, {from + "/a\xff.txt"}, to);
        ASSERT_EQ(ui.conflicts.size(), 1);
        EXPECT_EQ(ui.conflicts[0].target.path, to + "/a\xff.txt");
        EXPECT_EQ(ui.conflicts[0].target.size, 3);
        EXPECT_EQ(bf::read(to + "/a\xff.txt"), c.targetAfter);
        EXPECT_EQ(bf::read(to + "/a\xff (2).txt"),
                  c.keptBoth ? std::optional<QByteArray>("new") : std::nullopt);
        EXPECT_EQ(outcome.aborted, c.aborted);
        EXPECT_EQ(bf::exists(from + "/a\xff.txt"), !c.keptBoth && c.targetAfter == "old");
    }
}

TEST_F(FileWorkTest, ApplyToAllAnswersEveryLaterConflict)
{
    for (const char* folder : {"a", "a/x", "b", "b/x"})
        bf::mkdir(at(folder));
    for (const char* name : {"1", "2", "3"}) {
        bf::write(at("a/x/") + name, "new");
        bf::write(at("b/x/") + name, "old");
    }
    ui.conflictAnswers = {ConflictAnswer::Replace};
    ui.applyToAll = true;
    EXPECT_EQ(run(Kind::Copy, {at("a/x")}, at("b")).done.size(), 1); // the folders merge
    EXPECT_EQ(ui.conflicts.size(), 1);
    for (const char* name : {"1", "2", "3"})
        EXPECT_EQ(bf::read(at("b/x/") + name), QByteArray("new"));
    EXPECT_EQ(bf::list(at("b/x")), (QList<QByteArray>{"1", "2", "3"})); // no temporary left
}

TEST_F(FileWorkTest, AFolderIsNeverCopiedOrMovedIntoItself)
{
    bf::mkdir(at("tree"));
    bf::mkdir(at("tree/inner"));
    bf::write(at("tree/file"), "x");
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        ui = {};
        const FileOpOutcome outcome = run(kind, {at("tree")}, at("tree/inner"));
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_FALSE(ui.errors[0].canRetry);
        EXPECT_TRUE(outcome.done.isEmpty());
        EXPECT_EQ(bf::list(at("tree")), (QList<QByteArray>{"file", "inner"}));
        EXPECT_TRUE(bf::list(at("tree/inner")).isEmpty());
    }
}

TEST_F(FileWorkTest, AVanishedSourceAsksAndRetryOrSkipDoWhatTheySay)
{
    bf::mkdir(at("to"));
    bf::write(at("here"), "h");
    for (const ErrorAnswer answer : {ErrorAnswer::Retry, ErrorAnswer::Skip}) {
        ui = {};
        ui.onError = [&](FileJob& job, const ErrorQuestion&) {
            if (answer == ErrorAnswer::Retry)
                bf::write(at("gone"), "back");
            job.answerError(answer);
        };
        const FileOpOutcome outcome = run(Kind::Copy, {at("gone"), at("here")}, at("to"));
        EXPECT_EQ(ui.errors.size(), 1);
        EXPECT_EQ(ui.errors[0].path, at("gone"));
        EXPECT_EQ(outcome.done.size(), answer == ErrorAnswer::Retry ? 2 : 1);
        EXPECT_EQ(bf::read(at("to/here")), QByteArray("h"));
        ::unlink(at("gone").constData());
        ::unlink(at("to/gone").constData());
        ::unlink(at("to/here").constData());
    }
    ui = {};
    ui.errorAnswers = {ErrorAnswer::Skip};
    EXPECT_TRUE(run(Kind::Delete, {at("gone")}, {}).done.isEmpty());
    EXPECT_EQ(ui.errors.size(), 1);
    ui = {};
    EXPECT_TRUE(run(Kind::Rename, {at("gone")}, at("other")).done.isEmpty());
    EXPECT_EQ(ui.errors.size(), 1);
}

TEST_F(FileWorkTest, SpecialFilesAreSkippedWithAQuestionAndNeverOpened)
{
    bf::mkdir(at("dir"));
    bf::mkdir(at("to"));
    ASSERT_EQ(::mkfifo(at("dir/pipe.url").constData(), 0644), 0);
    bf::write(at("dir/file"), "f");
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        ui = {};
        const FileOpOutcome outcome = run(kind, {at("dir")}, at("to"));
        EXPECT_EQ(ui.errors.size(), kind == Kind::Copy ? 1 : 0); // a rename moves it whole
        EXPECT_FALSE(outcome.aborted);
        if (kind == Kind::Copy) {
            EXPECT_EQ(bf::list(at("to/dir")), QList<QByteArray>{"file"});
            EXPECT_TRUE(outcome.done.isEmpty()); // the folder was not copied whole
            ::unlink(at("to/dir/file").constData());
            ::rmdir(at("to/dir").constData());
        }
    }
}

TEST_F(FileWorkTest, CancellingACopyOfTenThousandFilesHalfwayLeavesOnlyWholeFiles)
{
    constexpr int kFiles = 10000;
    bf::mkdir(at("many"));
    bf::mkdir(at("to"));
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name = "f" + QByteArray::number(i);
        ASSERT_TRUE(bf::write(at("many/" + name), name.repeated(50)));
    }
    bool asked = false;
    ui.onProgress = [&](FileJob& job, const FileOpProgress& p) {
        if (!asked && p.itemsDone >= p.itemsTotal / 2) {
            asked = true;
            job.cancel();
        }
    };
    const FileOpOutcome outcome = run(Kind::Copy, {at("many")}, at("to"));
    EXPECT_TRUE(outcome.aborted);
    const QList<QByteArray> copied = bf::list(at("to/many"));
    EXPECT_LT(copied.size(), kFiles);
    EXPECT_GE(copied.size(), kFiles / 2);
    for (const QByteArray& name : copied)
        ASSERT_EQ(bf::read(at("to/many/" + name)), name.repeated(50)) << name.constData();
    // What was copied has the source folder's mode, not the private one it was made with.
    struct stat from {};
    struct stat to {};
    ASSERT_EQ(::stat(at("many").constData(), &from), 0);
    ASSERT_EQ(::stat(at("to/many").constData(), &to), 0);
    EXPECT_EQ(to.st_mode & 07777, from.st_mode & 07777);
}

TEST_F(FileWorkTest, AcrossFileSystemsMovesCopyThenDeleteAndAFullDiskLeavesNoPartialFile)
{
    bf::TmpfsMount disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    makeTree("tree");
    EXPECT_EQ(run(Kind::Move, {at("tree")}, disk.path()).done.size(), 1);
    expectTree(disk.path() + "/tree");
    EXPECT_FALSE(bf::exists(at("tree")));
    // Its bytes make the progress, as a copy's do, and reach the whole.
    ASSERT_FALSE(ui.progresses.isEmpty());
    EXPECT_GT(ui.progresses.first().bytesTotal, 0);
    EXPECT_EQ(ui.progresses.last().bytesDone, ui.progresses.last().bytesTotal);
    for (const FileOpProgress& p : ui.progresses) {
        EXPECT_LE(p.itemsDone, p.itemsTotal);
        EXPECT_LE(p.bytesDone, p.bytesTotal);
    }

    ASSERT_TRUE(bf::write(at("big\n.bin"), QByteArray(3 * 1024 * 1024, 'b')));
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        ui = {};
        const FileOpOutcome outcome = run(kind, {at("big\n.bin")}, disk.path());
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_TRUE(ui.errors[0].message.contains(QStringLiteral("space")))
            << qPrintable(ui.errors[0].message);
        EXPECT_TRUE(outcome.done.isEmpty());
        EXPECT_EQ(bf::list(disk.path()), QList<QByteArray>{"tree"});
        EXPECT_EQ(bf::read(at("big\n.bin"))->size(), 3 * 1024 * 1024);
    }
}

// The question names the source, but when the destination is what refused, it says so.
TEST_F(FileWorkTest, ACopyOrMoveTheDestinationRefusesNamesTheDestination)
{
    bf::write(at("kept"), "k");
    bf::mkdir(at("locked"));
    bf::LockedFolder locked{at("locked")};
    if (!locked.lock(true))
        GTEST_SKIP() << "no folder can be locked here";
    for (const auto& [kind, verb] :
         {std::pair{Kind::Copy, "copy"}, std::pair{Kind::Move, "move"}}) {
        ui = {};
        EXPECT_TRUE(run(kind, {at("kept")}, at("locked")).done.isEmpty());
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_EQ(ui.errors[0].path, at("kept"));
        EXPECT_TRUE(ui.errors[0].message.startsWith(u"Cannot "_qs + QLatin1String(verb) +
                                                    u" into \"" + QString::fromUtf8(at("locked")) +
                                                    u"\": "))
            << qPrintable(ui.errors[0].message);
        EXPECT_EQ(bf::read(at("kept")), QByteArray("k"));
    }
    EXPECT_TRUE(bf::list(at("locked")).isEmpty());
}

TEST_F(FileWorkTest, RenameAsksBeforeReplacingAndCarriesAnyBytes)
{
    bf::write(at("old"), "1");
    bf::write(at("taken"), "2");
    EXPECT_EQ(run(Kind::Rename, {at("old")}, at("taken")).done.size(), 0); // Skip by default
    EXPECT_EQ(ui.conflicts.size(), 1);
    EXPECT_EQ(bf::read(at("taken")), QByteArray("2"));
    FileOpOutcome outcome = run(Kind::Rename, {at("old")}, at("new\xff\nname"));
    EXPECT_EQ(outcome.placed, QList<QByteArray>{at("new\xff\nname")});
    EXPECT_EQ(bf::read(at("new\xff\nname")), QByteArray("1"));
    EXPECT_FALSE(bf::exists(at("old")));
    // Keep Both renames it to a numbered name, and the outcome says which: the list's row
    // must follow the file there, not name the one that was in the way.
    ui.conflictAnswers = {ConflictAnswer::KeepBoth};
    outcome = run(Kind::Rename, {at("new\xff\nname")}, at("taken"));
    EXPECT_EQ(outcome.placed, QList<QByteArray>{at("taken (2)")});
    EXPECT_EQ(bf::read(at("taken (2)")), QByteArray("1"));
    EXPECT_EQ(bf::read(at("taken")), QByteArray("2"));
    // A copy kept beside its own original is numbered too; what goes to the trash is nowhere.
    outcome = run(Kind::Copy, {at("taken")}, m_root);
    EXPECT_EQ(outcome.placed, QList<QByteArray>{at("taken (3)")});
    outcome = run(Kind::Delete, {at("taken (3)")}, {});
    EXPECT_EQ(outcome.placed, QList<QByteArray>{QByteArray()});
    // A rename that fails says so in its own word, not "Cannot move".
    ui = {};
    EXPECT_TRUE(run(Kind::Rename, {at("taken")}, at(QByteArray(300, 'n'))).done.isEmpty());
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].message, u"Cannot rename: File name too long"_qs);
    EXPECT_EQ(bf::read(at("taken")), QByteArray("2"));
}

// A Cancel is taken while the sources are counted, before any copy: a large tree or a slow
// disk would otherwise keep the job (and a window closing) waiting for the count.
TEST_F(FileWorkTest, ACancelStopsTheCountOfWhatIsToBeCopied)
{
    QList<QByteArray> sources;
    for (int f = 0; f < 5; ++f) {
        sources.append(at("T" + QByteArray::number(f)));
        bf::mkdir(sources.last());
        for (int i = 0; i < 20; ++i)
            bf::write(sources.last() + '/' + QByteArray::number(i), "x");
    }
    bf::mkdir(at("to"));
    int asked = 0;
    int counted = -1; // the items the first progress counts
    DirectWork work;
    work.cancel = [&] {
        return ++asked > 3;
    };
    work.onProgress = [&](const FileOpProgress& p) {
        if (counted < 0)
            counted = p.itemsTotal;
    };
    EXPECT_TRUE(work.run(Kind::Copy, sources, at("to")).aborted);
    EXPECT_LE(counted, 3) << "of 105 items";
    EXPECT_TRUE(bf::list(at("to")).isEmpty());
}

// A move to another file system removes only what it copied as it was. A file written to or
// made in the folder while the folder was copied stays where it is, and so does a file system
// mounted inside, with all it holds; each is named in a question and the move is not done.
// A move cancelled while it copies takes back what it made; once the copy is whole, a cancel
// stops the removal of the original.
TEST_F(FileWorkTest, AMoveAcrossFileSystemsRemovesOnlyWhatItCopied)
{
    bf::TmpfsMount disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    makeFolder("A", {"one", "two", "three"});
    QByteArray written;
    DirectWork writer;
    // While the first file is copied: it grows, and a new one comes beside it.
    writer.onProgress = [&](const FileOpProgress& p) {
        if (!written.isEmpty() || !p.currentPath.startsWith(at("A/")))
            return;
        written = p.currentPath;
        bf::write(written, "grown while copied");
        bf::write(at("A/late"), "late");
    };
    EXPECT_TRUE(writer.run(Kind::Move, {at("A")}, disk.path()).done.isEmpty());
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(bf::read(written), QByteArray("grown while copied"));
    EXPECT_EQ(bf::read(at("A/late")), QByteArray("late"));
    EXPECT_EQ(bf::list(at("A")).size(), 2) << "the copied files stay too";
    EXPECT_EQ(bf::list(disk.path() + "/A").size(), 3);
    EXPECT_EQ(writer.errors.size(), 2);

    // Cancelled half-way, it leaves the original whole and nothing of it at the destination,
    // where a part would look moved.
    makeFolder("C", {"one", "two", "three"});
    bool stop = false;
    QByteArray first; // the first file, copied whole before the cancel
    DirectWork canceller;
    canceller.cancel = [&] {
        return stop;
    };
    canceller.onProgress = [&](const FileOpProgress& p) {
        if (first.isEmpty() && p.currentPath.contains("/C/"))
            first = p.currentPath;
        stop = stop || (!first.isEmpty() && p.currentPath != first);
    };
    EXPECT_TRUE(canceller.run(Kind::Move, {at("C")}, disk.path()).aborted);
    EXPECT_EQ(bf::list(at("C")).size(), 3);
    EXPECT_FALSE(bf::exists(disk.path() + "/C"));

    // Cancelled once the copy is whole (its folder's time, set last, is the original's), it
    // removes no more of the original: both stay whole here.
    makeOld(at("C"));
    const QByteArray copy = disk.path() + "/C";
    DirectWork late;
    late.cancel = [&] {
        struct stat st {};
        return ::stat(copy.constData(), &st) == 0 && st.st_mtim.tv_sec == kOldTime;
    };
    EXPECT_TRUE(late.run(Kind::Move, {at("C")}, disk.path()).aborted);
    EXPECT_EQ(bf::list(at("C")).size(), 3);
    EXPECT_EQ(bf::list(disk.path() + "/C").size(), 3);

    // Another file system mounted inside the folder moved.
    bf::mkdir(at("B"));
    bf::mkdir(at("B/m"));
    bf::write(at("B/b"), "b");
    if (::mount("tmpfs", at("B/m").constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const auto unmount = qScopeGuard([&] { ::umount2(at("B/m").constData(), MNT_DETACH); });
    bf::write(at("B/m/precious"), "p");
    ui = {};
    EXPECT_TRUE(run(Kind::Move, {at("B")}, disk.path()).done.isEmpty());
    EXPECT_EQ(bf::read(at("B/m/precious")), QByteArray("p"));
    EXPECT_EQ(bf::read(disk.path() + "/B/m/precious"), QByteArray("p"));
    EXPECT_FALSE(bf::exists(at("B/b")));
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].message.contains(u"mounted"_qs)) << qPrintable(ui.errors[0].message);
}

TEST_F(FileWorkTest, KeepBothPicksAFreeNumberedName)
{
    bf::write(at("a (2).txt"), "");
    EXPECT_EQ(FileWork::freeName(m_root, "a.txt"), at("a (3).txt"));
    EXPECT_EQ(FileWork::freeName(m_root, ".hidden"), at(".hidden (2)"));
    EXPECT_EQ(FileWork::freeName(m_root, "ver.1.2", true), at("ver.1.2 (2)"));
    EXPECT_EQ(FileWork::freeName(m_root, "arch.TAR.gz"), at("arch (2).TAR.gz"));
    EXPECT_EQ(FileWork::freeName(m_root, "notes.tar.backup"), at("notes.tar (2).backup"));
    EXPECT_EQ(FileWork::freeName(m_root, ".tar.gz"), at(".tar (2).gz"));
    EXPECT_TRUE(FileWork::isInside(at("x/.."), m_root));
    EXPECT_FALSE(FileWork::isInside(m_root + "x", m_root));
}

/// Points XDG_DATA_HOME at a folder that does not exist yet, for one test.
class TrashTest : public FileWorkTest {
protected:
    TrashTest() { qputenv("XDG_DATA_HOME", m_data); }
    ~TrashTest() override { qputenv("XDG_DATA_HOME", m_saved); }

    QByteArray info(const QByteArray& trash, const QByteArray& entry) const
    {
        return bf::read(trash + "/info/" + entry + ".trashinfo").value_or("missing");
    }

    QByteArray m_saved = qgetenv("XDG_DATA_HOME");
    QByteArray m_data = m_root + "/not yet/share";
};

TEST_F(TrashTest, AJobPutsFilesAndFoldersInTheHomeTrash)
{
    // Names of every byte go straight to the trash in the record test; here through a job.
    const QByteArray file = m_root + "/bad\xff";
    bf::write(file, "first");
    bf::mkdir(m_root + "/folder");
    bf::write(m_root + "/folder/inside", "i");
    // The folder's own file chosen beside it, even before it, goes with it: done, no error
    // asked, and no trash entry of its own.
    const QList<QByteArray> paths = {m_root + "/folder/inside", file, m_root + "/folder"};
    EXPECT_EQ(run(Kind::Delete, paths, {}).done,
              (QList<QByteArray>{file, m_root + "/folder", m_root + "/folder/inside"}));
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(info(m_data + "/Trash", "inside"), "missing");
    const QByteArray trash = m_data + "/Trash";
    EXPECT_FALSE(bf::exists(file) || bf::exists(m_root + "/folder"));
    EXPECT_EQ(bf::read(trash + "/files/folder/inside"), QByteArray("i"));
    EXPECT_NE(info(trash, "folder"), "missing");
    EXPECT_NE(info(trash, "bad\xff"), "missing");

    // Another Trash object finds the name taken on the disk and never overwrites it.
    bf::write(file, "second");
    EXPECT_TRUE(Trash().moveToTrash(file));
    EXPECT_EQ(bf::read(trash + "/files/bad\xff.2"), QByteArray("second"));
    EXPECT_EQ(bf::read(trash + "/files/bad\xff"), QByteArray("first"));
}

// An item on another file system goes to the trash at its top, also when reached through a link
// (never to a trash beside the link's target).
TEST_F(TrashTest, AnItemOnAnotherFileSystemGoesToItsTopDirectoryTrash)
{
    bf::TmpfsMount disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    bf::mkdir(disk.path() + "/sub");
    bf::write(disk.path() + "/sub/f\xff", "x");
    bf::write(disk.path() + "/sub/g", "g");
    ASSERT_EQ(::symlink(QByteArray(disk.path() + "/sub").constData(),
                        QByteArray(m_root + "/to-disk").constData()),
              0);
    const Trash::Result linked = Trash().moveToTrash(m_root + "/to-disk/g"); // makes the trash
    EXPECT_TRUE(linked) << linked.message.toStdString();
    EXPECT_TRUE(Trash().moveToTrash(disk.path() + "/sub/f\xff"));
    const QByteArray trash = disk.path() + "/.Trash-" + QByteArray::number(::getuid());
    EXPECT_EQ(bf::read(trash + "/files/g"), QByteArray("g"));
    EXPECT_TRUE(info(trash, "g").startsWith("[Trash Info]\nPath=sub/g\n"));
    EXPECT_EQ(bf::read(trash + "/files/f\xff"), QByteArray("x"));
    EXPECT_TRUE(info(trash, "f\xff").startsWith("[Trash Info]\nPath=sub/f%FF\n"));
    EXPECT_EQ(bf::list(disk.path() + "/sub"), QList<QByteArray>()) << "a trash beside the item";

    // No trash can be made on a read-only file system: the item stays.
    bf::write(disk.path() + "/stays", "s");
    ::rename(trash.constData(), QByteArray(disk.path() + "/old-trash").constData());
    ASSERT_TRUE(disk.makeReadOnly());
    const Trash::Result result = Trash().moveToTrash(disk.path() + "/stays");
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(bf::read(disk.path() + "/stays"), QByteArray("s"));
}

// Folders on the way to the home trash may be links (a ~/.local kept elsewhere and linked).
TEST_F(TrashTest, TheHomeTrashIsMadeThroughLinksOnTheWay)
{
    bf::mkdir(m_root + "/kept");
    ASSERT_EQ(::symlink("kept", QByteArray(m_root + "/linked").constData()), 0);
    qputenv("XDG_DATA_HOME", m_root + "/linked/share");
    bf::write(m_root + "/f", "f");
    const Trash::Result home = Trash().moveToTrash(m_root + "/f");
    EXPECT_TRUE(home) << home.message.toStdString();
    EXPECT_EQ(bf::read(m_root + "/kept/share/Trash/files/f"), QByteArray("f"));
}

TEST_F(TrashTest, RecordsKeepEveryByteOfThePathAndTheTimeOfDeletion)
{
    // Every byte a name can hold, in two names short enough for their records' names.
    QByteArray low, high;
    for (int c = 1; c < 128; ++c) {
        if (c != '/')
            low += char(c);
    }
    for (int c = 128; c < 256; ++c)
        high += char(c);
    const QList<QByteArray> names = {low, high, "same", "same", "same"};
    Trash trash; // one object for all, as a job uses it
    const time_t before = ::time(nullptr);
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray path = m_root + '/' + names[i];
        bf::write(path, QByteArray::number(i));
        const Trash::Result result = trash.moveToTrash(path);
        EXPECT_TRUE(result) << i << ' ' << qPrintable(result.message);
        EXPECT_FALSE(bf::exists(path)) << i;
    }
    const time_t after = ::time(nullptr);
    const QByteArray home = m_data + "/Trash";
    const QList<QByteArray> entries = {low, high, "same", "same.2", "same.3"};
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(bf::read(home + "/files/" + entries[i]), QByteArray::number(i)) << i;
        const QList<QByteArray> lines = info(home, entries[i]).split('\n');
        ASSERT_EQ(lines.size(), 4) << i;
        EXPECT_EQ(lines[0], "[Trash Info]");
        EXPECT_EQ(lines[1], "Path=" + QByteArray(m_root + '/' + names[i]).toPercentEncoding("/"));
        ASSERT_TRUE(lines[2].startsWith("DeletionDate=")) << lines[2].constData();
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)),
                                                     QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        ASSERT_TRUE(when.isValid()) << lines[2].constData();
        EXPECT_GE(when.toSecsSinceEpoch(), qint64(before));
        EXPECT_LE(when.toSecsSinceEpoch(), qint64(after));
        EXPECT_TRUE(lines[3].isEmpty());
    }
    // Nothing half-done is left: one record per trashed item.
    EXPECT_EQ(bf::list(home + "/info").size(), entries.size());
    EXPECT_EQ(bf::list(home + "/files").size(), entries.size());
}

// A name too long for its record's name beside it (255 bytes with ".trashinfo") is kept under
// a shorter one, cut between characters; the record keeps the whole name for a restore.
TEST_F(TrashTest, ALongNameIsTrashedUnderAShorterOne)
{
    const QByteArray name = QByteArray(237, 'L') + "\xc3\xa9\xc3\xa9" + QByteArray(10, 'x');
    ASSERT_EQ(name.size(), 251);
    const QByteArray path = m_root + '/' + name;
    for (int i = 0; i < 2; ++i) { // the second one numbered
        ASSERT_TRUE(bf::write(path, QByteArray::number(i)));
        const Trash::Result result = Trash().moveToTrash(path);
        EXPECT_TRUE(result) << qPrintable(result.message);
        EXPECT_FALSE(bf::exists(path));
    }
    const QByteArray home = m_data + "/Trash";
    const QByteArray kept = QByteArray(237, 'L') + "\xc3\xa9"; // not half an "é"
    EXPECT_EQ(bf::read(home + "/files/" + kept), QByteArray("0"));
    EXPECT_EQ(bf::read(home + "/files/" + kept + ".2"), QByteArray("1"));
    EXPECT_TRUE(
        info(home, kept).contains(QByteArray("Path=" + path.toPercentEncoding("/") + '\n')));
}

/// The DeletionDate is the local wall-clock time, also across daylight-saving changes.
TEST(TrashDeletionDate, IsTheLocalTimeOfTheSecond)
{
    const QByteArray saved = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const char* const zones[] = {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "<+0530>-5:30", "<-03>3"};
    const time_t seconds[] = {0, 951782400, 1711846799, 1711846800, 1729990800, 2000000000};
    for (const char* zone : zones) {
        qputenv("TZ", zone);
        ::tzset();
        for (const time_t second : seconds) {
            const QString expected = QDateTime::fromSecsSinceEpoch(second, Qt::LocalTime)
                                         .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
            EXPECT_EQ(Trash::deletionDate(second), expected.toLatin1())
                << zone << ' ' << qint64(second);
        }
    }
    if (hadZone)
        qputenv("TZ", saved);
    else
        qunsetenv("TZ");
    ::tzset();
}

} // namespace
