#include "actions/FileCommands.h"
#include "actions/ListDragDrop.h"

#include "../results/RowFactory.h"
#include "ByteFiles.h"
#include "DesktopFixture.h"
#include "ScriptedFileUi.h"
#include "ScriptedPrompt.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"

#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

namespace bf = bytefiles;

namespace {

using Desktop::FakeHost;

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest()
    {
        bf::mkdir(m_root + "/to");
        for (const QByteArray& name : m_names) {
            m_paths.append(m_root + '/' + name);
            bf::write(m_paths.last(), name);
        }
        host.selected = m_paths;
        host.current = m_paths[1];
    }
    /// Waits for the command's finished signal; returns its aborted flag.
    template<typename Command> bool finish(Command& command, const std::function<void()>& start)
    {
        QSignalSpy spy(&command, &Command::finished);
        start();
        if (spy.isEmpty() && !spy.wait(30000)) {
            ADD_FAILURE() << "the command did not finish";
            return true;
        }
        return spy.first().first().toBool();
    }

    bf::TempFolder m_dir;
    QByteArray m_root = m_dir.path();
    const QList<QByteArray> m_names = {"one", "two\xff", "three\nlines"};
    QList<QByteArray> m_paths;
    FakeHost host;
    ScriptedPrompt prompt;
    ConflictAnswer conflictAnswer = ConflictAnswer::Skip;
    FileOperations ops{[this] {
        auto ui = std::make_unique<ScriptedFileUi>();
        ui->conflictAnswers = {conflictAnswer};
        return ui;
    }};
};

// Each starts at the current row and asks to search again, a copy with the information icon.
TEST_F(FileCommandsTest, CopyToAndMoveToPickAFolderActAndOfferToSearchAgain)
{
    using Mode = TransferToCommand::Mode;
    for (const Mode mode : {Mode::Copy, Mode::Move}) {
        const QByteArray to = m_root + "/to" + QByteArray::number(int(mode));
        bf::mkdir(to);
        prompt.clear();
        prompt.answerFolder(QFile::decodeName(to));
        prompt.answerMessage(mode == Mode::Copy ? MsgResult::Ok : MsgResult::Cancel);
        TransferToCommand command(mode, host, prompt, ops);
        EXPECT_FALSE(finish(command, [&] { command.run(); }));
        const auto& asked = prompt.asked();
        ASSERT_EQ(asked.size(), 2);
        EXPECT_EQ(asked[0].defaultText, QFile::decodeName(m_paths[1]));
        EXPECT_EQ(asked[1].text, RefreshPrompt::text());
        EXPECT_EQ(asked[1].style, mode == Mode::Copy ? 65 : 1);
        EXPECT_EQ(bf::list(to).size(), 3);
        for (const QByteArray& path : m_paths)
            EXPECT_EQ(bf::exists(path), mode == Mode::Copy);
    }
    EXPECT_EQ(host.searches, 1); // Ok only
}

TEST_F(FileCommandsTest, ACancelledCopyAsksNothingButACancelledMoveStillAsks)
{
    using Mode = TransferToCommand::Mode;
    for (const QByteArray& name : m_names)
        bf::write(m_root + "/to/" + name, "old");
    conflictAnswer = ConflictAnswer::Cancel;
    for (const Mode mode : {Mode::Copy, Mode::Move}) {
        prompt.clear();
        prompt.answerFolder(QFile::decodeName(m_root + "/to/"));
        TransferToCommand command(mode, host, prompt, ops);
        EXPECT_TRUE(finish(command, [&] { command.run(); }));
        EXPECT_EQ(prompt.asked().size(), mode == Mode::Copy ? 1 : 2);
        for (const QByteArray& name : m_names)
            EXPECT_EQ(bf::read(m_root + "/to/" + name), QByteArray("old"));
    }
}

TEST_F(FileCommandsTest, NothingHappensWithoutASelectionOrAFolder)
{
    TransferToCommand command(TransferToCommand::Mode::Copy, host, prompt, ops);
    command.run(); // the picker is cancelled
    EXPECT_EQ(prompt.asked().size(), 1);
    host.selected = {QByteArray()};
    command.run();
    DeleteCommand remove(host, prompt, ops);
    remove.run();
    EXPECT_EQ(prompt.asked().size(), 1);
    EXPECT_EQ(ops.running(), 0);
    EXPECT_TRUE(bf::list(m_root + "/to").isEmpty());
}

TEST_F(FileCommandsTest, DeleteConfirmsTheCountAndRemovesExactlyTheTrashedRows)
{
    DeleteCommand command(host, prompt, ops);
    prompt.answerMessage(MsgResult::No);
    EXPECT_TRUE(finish(command, [&] { command.run(); }));
    EXPECT_TRUE(prompt.asked()[0].text.contains(QStringLiteral("these 3 items")));
    EXPECT_TRUE(host.removed.isEmpty());
    for (const QByteArray& path : m_paths)
        EXPECT_TRUE(bf::exists(path));

    // Gone since it was listed: nothing to trash, and its row goes with the trashed ones.
    ::unlink(m_paths[1].constData());
    prompt.answerMessage(MsgResult::Yes);
    EXPECT_FALSE(finish(command, [&] { command.run(); }));
    ASSERT_EQ(host.removed.size(), 1);
    EXPECT_EQ(host.removed[0], (QList<QByteArray>{m_paths[0], m_paths[2], m_paths[1]}));
    for (const QByteArray& path : m_paths)
        EXPECT_FALSE(bf::exists(path));
    EXPECT_TRUE(
        DeleteCommand::confirmation({m_paths[2]}).contains(QStringLiteral("\"three\u23CElines\"")));
}

// An item whose state cannot be told (here through a link loop; in a folder that may be
// listed but not entered, the same) was not trashed and is not known to be gone: its row stays.
TEST_F(FileCommandsTest, DeleteKeepsTheRowOfAnItemThatCannotBeLookedAt)
{
    ASSERT_EQ(::symlink("loop", QByteArray(m_root + "/loop").constData()), 0);
    const QByteArray unseen = m_root + "/loop/x";
    host.selected = {unseen, m_paths[0]};
    DeleteCommand command(host, prompt, ops);
    prompt.answerMessage(MsgResult::Yes);
    finish(command, [&] { command.run(); });
    ASSERT_EQ(host.removed.size(), 1);
    EXPECT_EQ(host.removed[0], QList<QByteArray>{m_paths[0]});
}

TEST_F(FileCommandsTest, RenameStartsTheEditAndRefusesUnsoundNames)
{
    RenameCommand command(host, prompt, ops);
    command.run();
    EXPECT_EQ(host.renames, 1);
    host.current.clear();
    command.run();
    EXPECT_EQ(host.renames, 1);

    for (const QByteArray& bad :
         {QByteArray(), QByteArray("   "), QByteArray(" \n"), QByteArray("   .txt"),
          QByteArray("."), QByteArray(".."), QByteArray("a/b"), QByteArray(256, 'n')}) {
        bool aborted = false;
        prompt.clear();
        command.commit(m_paths[0], bad, [&](bool a, const QByteArray&) { aborted = a; });
        EXPECT_TRUE(aborted) << bad.constData();
        // Refused with a reason, never silently: the typed name would vanish unexplained.
        ASSERT_EQ(prompt.asked().size(), 1) << bad.constData();
        EXPECT_EQ(prompt.asked()[0].text, RenameCommand::invalidNameReason(bad));
        EXPECT_FALSE(prompt.asked()[0].text.isEmpty());
    }
    EXPECT_TRUE(bf::exists(m_paths[0]));
    // A name that is all extension is a hidden file's, not a blank one.
    EXPECT_TRUE(RenameCommand::invalidNameReason(".txt").isEmpty());
    EXPECT_TRUE(RenameCommand::invalidNameReason("a .txt").isEmpty());
}

TEST_F(FileCommandsTest, DroppingCopiesSilentlyAndAMoveAsksFilesMoved)
{
    DropCommand command(host, prompt, ops);
    EXPECT_FALSE(finish(command, [&] { command.drop({m_paths[0]}, m_root + "/to", false); }));
    EXPECT_TRUE(prompt.asked().isEmpty());
    EXPECT_TRUE(bf::exists(m_root + "/to/one"));
    EXPECT_FALSE(finish(command, [&] { command.drop({m_paths[1]}, m_root + "/to", true); }));
    ASSERT_EQ(prompt.asked().size(), 1);
    EXPECT_EQ(prompt.asked()[0].style, 1);
    EXPECT_EQ(host.searches, 1);
    EXPECT_FALSE(bf::exists(m_paths[1]));
    command.targetMoved();
    EXPECT_EQ(prompt.asked().last().title, QStringLiteral("Changes Made"));
    EXPECT_EQ(prompt.asked().last().style, 65);
}

} // namespace

TEST(RenameNewName, KeepsWhatTheListHidWhenExtensionsAreHidden)
{
    struct Case {
        QByteArray oldName;
        QString edited;
        bool shown;
        QByteArray expected;
    };
    const Case cases[] = {
        {"report.txt", QStringLiteral("summary.md"), true, "summary.md"},
        {"report.txt", QString(), false, ""}, // not ".txt": that would hide the file
        {"report.txt", u"   "_qs, false, ""}, // blanks name nothing either, not "   .txt"
        {"report.txt", u" a "_qs, false, " a .txt"},
        {"archive.tar.gz", QStringLiteral("old.tar"), false, "old.tar.gz"},
        {"a.b.", QStringLiteral("c"), false, "c.b."},
        {"x..", QStringLiteral("y"), false, "y.."},
        {".bashrc", QStringLiteral("profile"), false, "profile.bashrc"},
        {"Makefile", QStringLiteral("GNUmakefile"), false, "GNUmakefile"},
        {"bytes\xff.dat", QStringLiteral("clean"), false, "clean.dat"},
        // What the user left as it was keeps its bytes: undecodable bytes and line breaks
        // are shown as marks, which must not be written back in their place.
        {"bad\xff\xfe-report.txt", u"bad\uFFFD\uFFFD-report-old"_qs, false,
         "bad\xff\xfe-report-old.txt"},
        {"bad\xff.txt", u"bad\uFFFD"_qs, false, "bad\xff.txt"}, // unchanged: the same bytes
        {"new\xffname.dat", u"new-\uFFFDname.dat"_qs, true, "new-\xffname.dat"},
        {"line\nbreak.txt", u"line\u23CEbreak-2.md"_qs, true, "line\nbreak-2.md"},
        {"two\r\nends\xe2\x80\xa8.txt", u"Two\u23CE\u23CEends\u23CE"_qs, false,
         "Two\r\nends\xe2\x80\xa8.txt"},
        {"\xf0\x9f\x98\x80x.txt", u"\U0001F600y"_qs, false, "\xf0\x9f\x98\x80y.txt"},
        {"a.txt", u"a\u23CEb"_qs, false,
         "a\xe2\x8f\x8e"
         "b.txt"}, // a mark typed stays one
        {"cut\xe2\x80.txt", u"cut\uFFFD\uFFFD!"_qs, false, "cut\xe2\x80!.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RenameCommand::newName(c.oldName, c.edited, c.shown), c.expected)
            << c.oldName.constData();
}

// Shift (a move) and Alt (nothing) are dragged end to end.
TEST(ListDragDropRules, KeysDecideTheEffectAndOnlyFileUrisAreTaken)
{
    using K = Qt::KeyboardModifier;
    EXPECT_EQ(ListDragDrop::effectFor({}, Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(ListDragDrop::effectFor(K::ControlModifier, Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(ListDragDrop::effectFor(K::ShiftModifier | K::ControlModifier, Qt::CopyAction),
              Qt::CopyAction)
        << "other combinations keep the proposed effect";

    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 "# comment\r\nfile:///tmp/a%20b\r\nhttp://example.org/x\r\n"
                 "file://localhost/tmp/%FF%0Aname\r\n\r\n");
    EXPECT_EQ(ListDragDrop::droppedPaths(data), (QList<QByteArray>{"/tmp/a b", "/tmp/\xff\nname"}));
}

// A target that moves the dragged files itself may do so after the drag has ended (X11 hands
// the drop over without waiting): the list looks again, and asks to search again once the
// first item is gone, but not for a copy, nor for an item deleted here meanwhile.
TEST(ListDragDropRules, AnItemMovedAwayAfterTheDragEndedIsNoticed)
{
    const bf::TempFolder dir;
    const QByteArray first = dir.path() + "/dragged one";
    const QByteArray second = dir.path() + "/dragged two";
    bf::write(first, "x");
    bf::write(second, "y");
    ResultList list;
    list.model()->addRows({makeRow(first), makeRow(second)});
    ListDragDrop dragDrop(list, [] { return true; });
    QSignalSpy moved(&dragDrop, &ListDragDrop::targetMovedFiles);

    dragDrop.dragEnded({first}, Qt::IgnoreAction);
    QTest::qWait(150);
    EXPECT_EQ(moved.count(), 0) << "still there";
    const QByteArray elsewhere = dir.path() + "/elsewhere";
    ASSERT_EQ(std::rename(first.constData(), elsewhere.constData()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return moved.count() == 1; }, 3000));

    // A copy leaves the files; an item deleted here meanwhile has lost its row already.
    moved.clear();
    dragDrop.dragEnded({second}, Qt::CopyAction);
    dragDrop.dragEnded({second}, Qt::MoveAction);
    ASSERT_EQ(std::remove(second.constData()), 0);
    list.model()->removePaths({second});
    QTest::qWait(400);
    EXPECT_EQ(moved.count(), 0);
}
