// The item commands in the program started as main() starts it: rows found by a real search,
// commands run from the File menu, the popup and the keys, the real dialogs answered as a
// user would, and the files checked on disk afterwards.
#include "ByteFiles.h"
#include "ItemCommandsFixture.h"
#include "app/SearchRun.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <functional>
#include <optional>

namespace {

class ItemCommandsEndToEnd : public ItemCommandsFixture {};

TEST_F(ItemCommandsEndToEnd, MenusFollowTheSelectionAndForwardFromThePopup)
{
    startAndSearch();
    const QStringList single = {u"mnuFileOW"_qs, u"mnuFileRename"_qs, u"mnuFileExplore"_qs,
                                u"mnuFileProp"_qs};
    select({u"a.txt"_qs, u"b.txt"_qs});
    QStringList enabled = enabledFileItems();
    for (const QString& name : single)
        EXPECT_FALSE(enabled.contains(name)) << name.toStdString();
    for (const char* name : {"mnuFileLaunch", "mnuFileClip", "mnuFileCopy", "mnuFileDelete"})
        EXPECT_TRUE(enabled.contains(QLatin1String(name))) << name;
    EXPECT_TRUE(action("mnuFileRename")->isEnabled()) << "F2 stays live once the menu closed";
    for (const QStringList& chosen : {QStringList{u"a.txt"_qs}, QStringList{}}) {
        select(chosen);
        enabled = enabledFileItems();
        for (const QString& name : single)
            EXPECT_TRUE(enabled.contains(name)) << name.toStdString();
    }

    // The popup: single-row items follow the selection, Launch is the default.
    select({u"a.txt"_qs, u"b.txt"_qs});
    QTreeView* view = list()->detailsView();
    const QRect rect = view->visualRect(model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::ControlModifier, rect.center());
    auto* popup = child<QMenu>("mnupop");
    ASSERT_TRUE(waitFor([&] { return popup->isVisible(); }));
    EXPECT_EQ(popup->defaultAction(), action("mnuPopLaunch"));
    EXPECT_FALSE(action("mnuPopRename")->isEnabled());
    EXPECT_TRUE(action("mnuPopDelete")->isEnabled());
    popup->hide();

    // Copy to Clipboard, from the popup: the selected files as a file list.
    select({u"a.txt"_qs, u"b.txt"_qs});
    action("mnuPopClip")->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray uris = data->data(u"text/uri-list"_qs);
    EXPECT_TRUE(uris.contains(QFile::encodeName(u"file://" + root + u"/a.txt")));
    EXPECT_TRUE(uris.contains(QFile::encodeName(u"file://" + root + u"/b.txt")));
    EXPECT_TRUE(data->data(u"x-special/gnome-copied-files"_qs).startsWith("copy\n"));
}

TEST_F(ItemCommandsEndToEnd, LaunchRecordsTheRecentItemAndOpenWithCanBeCancelled)
{
    startAndSearch();
    select({u"a.txt"_qs});
    action("mnuFileLaunch")->trigger();
    ASSERT_TRUE(waitFor([&] { return launchedLog().contains(u"a.txt"); })) << "not launched";
    EXPECT_EQ(launchedLog(), root + u"/a.txt\n");

    // The recent item launches its file again; a double-click launches the row.
    action("mnuRecentLaunch0")->trigger();
    ASSERT_TRUE(waitFor([&] { return launchedLog() == root + u"/a.txt\n" + root + u"/a.txt\n"; }));
    QTreeView* view = list()->detailsView();
    const QRect rect = view->visualRect(model()->index(rowOf(u"b.txt"_qs), 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {},
                        rect.center()); // QTest's is left down
    ASSERT_TRUE(waitFor([&] { return launchedLog().contains(u"b.txt"); }));

    // Open with: our dialog shows; Cancel opens nothing.
    select({u"a.txt"_qs});
    DialogScript script({[](QWidget* w) {
        EXPECT_EQ(w->objectName(), u"OpenWithDialog"_qs);
        QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
    }});
    action("mnuPopOW")->trigger();
    EXPECT_TRUE(script.done());
    QTest::qWait(200);
    EXPECT_EQ(launchedLog().count(u'\n'), 3);
}

TEST_F(ItemCommandsEndToEnd, CopyMoveAndDeleteChangeTheFilesAndTheRows)
{
    startAndSearch();
    const QString target = home.mkdir(u"target"_qs);
    writeFile(target + u"/b.txt", "older");
    {
        // b.txt is already there: the conflict is answered Skip, then the refresh cancelled.
        select({u"a.txt"_qs, u"b.txt"_qs});
        DialogScript script({pick(u"Copy file(s) to..."_qs, target),
                             [](QWidget* w) {
                                 EXPECT_EQ(w->objectName(), u"ConflictDialog"_qs);
                                 if (auto* skip = w->findChild<QPushButton*>(u"skip"_qs))
                                     skip->click();
                             },
                             expectMessage(u"Changes Made"_qs, QMessageBox::Cancel)});
        action("mnuFileCopy")->trigger();
        ASSERT_TRUE(waitFor([&] { return script.done(); }));
    }
    EXPECT_TRUE(exists(target + u"/a.txt"));
    EXPECT_TRUE(exists(root + u"/a.txt"));
    EXPECT_EQ(readFile(target + u"/b.txt"), "older");

    {
        // Move to, and OK searches again: the moved row is gone.
        select({u"a.txt"_qs});
        const QString moved = home.mkdir(u"moved"_qs);
        DialogScript script({pick(u"Move file(s) to..."_qs, moved),
                             expectMessage(u"Changes Made"_qs, QMessageBox::Ok)});
        action("mnuFileMove")->trigger();
        ASSERT_TRUE(waitFor([&] { return script.done() && !form()->searchRunning(); }));
        ASSERT_TRUE(waitFor([&] { return model()->rowCount() == 3; }));
        EXPECT_TRUE(exists(moved + u"/a.txt"));
        EXPECT_FALSE(exists(root + u"/a.txt"));
    }
    {
        // Delete with the key on the focused list: confirmed, the row goes, the file is in
        // the trash, and the hint panel names the row now under the resting pointer.
        select({u"b.txt"_qs});
        focusList();
        QTreeView* view = list()->detailsView();
        const QPoint pos =
            view->visualRect(model()->index(rowOf(u"b.txt"_qs), ResultModel::Size)).center();
        QTest::mouseMove(view->viewport(), pos);
        EXPECT_TRUE(waitFor([&] { return hint() == root + u"/b.txt"; }));
        DialogScript script({[](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), u"Delete"_qs);
            Modal::press(w, QMessageBox::Yes);
        }});
        QTest::keyClick(list()->detailsView(), Qt::Key_Delete);
        ASSERT_TRUE(waitFor([&] { return model()->rowCount() == 2; }));
        EXPECT_TRUE(script.done());
        EXPECT_FALSE(exists(root + u"/b.txt"));
        EXPECT_TRUE(exists(qEnvironmentVariable("XDG_DATA_HOME") + u"/Trash/files/b.txt"));
        EXPECT_EQ(rowOf(u"b.txt"_qs), -1);
        const QModelIndex there = view->indexAt(pos);
        ASSERT_TRUE(there.isValid());
        const QString path = QFile::decodeName(there.data(ResultModel::PathRole).toByteArray());
        EXPECT_TRUE(waitFor([&] { return hint() == path; })) << hint().toStdString();
        EXPECT_EQ(countPanel(), u"2 item(s) found."_qs);
    }
    {
        // A folder goes with what it held: the row of sub/c.txt goes too, and the count.
        select({u"sub"_qs});
        focusList();
        DialogScript script({[](QWidget* w) {
            Modal::press(w, QMessageBox::Yes);
        }});
        QTest::keyClick(list()->detailsView(), Qt::Key_Delete);
        ASSERT_TRUE(waitFor([&] { return model()->rowCount() == 0; }));
        EXPECT_TRUE(script.done());
        EXPECT_EQ(countPanel(), u"0 item(s) found."_qs);
    }
}

TEST_F(ItemCommandsEndToEnd, RenameInPlaceKeepsTheHiddenExtensionAndUpdatesTheRow)
{
    ASSERT_NO_FATAL_FAILURE(startAndSearch(
        {".profile"}, [](const QByteArray& path) { ASSERT_TRUE(bytefiles::write(path, "p")); }));
    QTreeView* view = list()->detailsView();
    QLineEdit* editor = openEditor(u"a.txt"_qs);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), u"a"_qs) << "extensions are hidden";
    // The pointer rests on the row: the hint panel names it, and after the rename the row now
    // there (the renamed one moves to its place in the order).
    const QModelIndex size = view->currentIndex().siblingAtColumn(ResultModel::Size);
    QTest::mouseMove(view->viewport(), view->visualRect(size).center()); // beside the editor
    ASSERT_TRUE(waitFor([&] { return hint() == root + u"/a.txt"; })) << hint().toStdString();
    editor->setText(u"renamed"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return exists(root + u"/renamed.txt"); }));
    EXPECT_FALSE(exists(root + u"/a.txt"));
    ASSERT_TRUE(waitFor([&] { return rowOf(u"renamed.txt"_qs) >= 0; }));
    EXPECT_EQ(model()->index(rowOf(u"renamed.txt"_qs), ResultModel::Name).data().toString(),
              u"renamed"_qs);
    EXPECT_TRUE(waitFor([&] { return hint() == root + u"/b.txt"; })) << hint().toStdString();

    // F2 and Enter on a dot file, its name left as it was (shown empty while extensions are
    // hidden), rename nothing and say nothing.
    {
        DialogScript none({});
        ASSERT_TRUE(editor = openEditor(u".profile"_qs));
        EXPECT_EQ(editor->text(), QString());
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::qWait(200); // a message would be up by now
        EXPECT_EQ(none.unexpected(), 0);
        EXPECT_TRUE(exists(root + u"/.profile"));
    }

    // A name with '/', or none at all, is refused with a reason: nothing changes (an emptied
    // edit must not rename the file to its bare, hidden extension).
    for (const QString& typed : {u"x/y"_qs, QString()}) {
        DialogScript script({answerBox(u"Rename"_qs, QMessageBox::Ok)});
        ASSERT_TRUE(typeName(u"b.txt"_qs, typed));
        ASSERT_TRUE(waitFor([&] { return script.done(); })) << typed.toStdString();
        // The keys go to the list again (F2 works at once), not to the search box.
        EXPECT_TRUE(waitFor([&] { return form()->focusWidget() == view; }))
            << (form()->focusWidget() ? form()->focusWidget()->objectName().toStdString() : "");
        EXPECT_TRUE(exists(root + u"/b.txt"));
        EXPECT_FALSE(exists(root + u"/.txt"));
        EXPECT_GE(rowOf(u"b.txt"_qs), 0);
    }

    // Renames `name` to `typed`, answers the conflict question with the button `answer`, and
    // waits for `finished`. The script lives only as long as its own question.
    const auto renameAnswering = [&](const QString& name, const QString& typed,
                                     const QString& answer, const std::function<bool()>& finished) {
        DialogScript script({[answer](QWidget* w) {
            ASSERT_EQ(w->objectName(), u"ConflictDialog"_qs);
            w->findChild<QPushButton*>(answer)->click();
        }});
        return typeName(name, typed) && waitFor([&] { return script.done() && finished(); });
    };

    // Renamed onto b.txt, kept both: the row follows the file to its numbered name, so that
    // a Delete of it trashes that file and not the b.txt that was in the way.
    ASSERT_TRUE(renameAnswering(u"renamed.txt"_qs, u"b"_qs, u"keepBoth"_qs,
                                [&] { return exists(root + u"/b (2).txt"); }));
    ASSERT_TRUE(waitFor([&] { return rowOf(u"b (2).txt"_qs) >= 0; }));
    EXPECT_EQ(readFile(root + u"/b (2).txt"), "alpha");
    EXPECT_EQ(readFile(root + u"/b.txt"), "beta");
    EXPECT_LT(rowOf(u"renamed.txt"_qs), 0);
    EXPECT_EQ(model()->index(rowOf(u"b (2).txt"_qs), ResultModel::Name).data().toString(),
              u"b (2)"_qs);

    // A renamed folder takes the rows inside it along: sub/c.txt is now in renamed-sub.
    ASSERT_TRUE(typeName(u"sub"_qs, u"renamed-sub"_qs));
    ASSERT_TRUE(waitFor([&] { return exists(root + u"/renamed-sub/c.txt"); }));
    ASSERT_TRUE(waitFor([&] { return rowOf(u"renamed-sub/c.txt"_qs) >= 0; }));
    EXPECT_LT(rowOf(u"sub/c.txt"_qs), 0);

    // Renamed onto b.txt again, replacing it: one row for the one file left.
    const int rows = model()->rowCount();
    ASSERT_TRUE(renameAnswering(u"b (2).txt"_qs, u"b"_qs, u"replace"_qs,
                                [&] { return !exists(root + u"/b (2).txt"); }));
    ASSERT_TRUE(waitFor([&] { return model()->rowCount() == rows - 1; })) << model()->rowCount();
    EXPECT_EQ(readFile(root + u"/b.txt"), "alpha");
    int named = 0;
    for (int r = 0; r < model()->rowCount(); ++r)
        named += model()->path(r) == QFile::encodeName(root + u"/b.txt") ? 1 : 0;
    EXPECT_EQ(named, 1);
    EXPECT_EQ(countPanel(), SearchRun::countText(model()->rowCount()));

    // A single click never opens the editor.
    const QRect rect = view->visualRect(model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::qWait(1000);
    editor = view->viewport()->findChild<QLineEdit*>();
    EXPECT_TRUE(!editor || !editor->isVisible());

    // A session's end while a name is being typed renames nothing: it was never confirmed.
    ASSERT_TRUE(editor = openEditor(u"b.txt"_qs));
    editor->setText(u"typed"_qs);
    program->endSession();
    ASSERT_TRUE(waitFor([&] { return !form()->isVisible(); }));
    QTest::qWait(200); // a rename would be under way by now
    EXPECT_TRUE(exists(root + u"/b.txt"));
    EXPECT_FALSE(exists(root + u"/typed.txt"));
}

// Places that overlap list each item once: an alternate folder inside another, the same one
// spelled otherwise, or a link to it.
TEST_F(ItemCommandsEndToEnd, PlacesThatOverlapListEachItemOnce)
{
    startAndSearch();
    auto* folders = child<QListWidget>("text3");
    const QString link = home.path(u"link"_qs);
    ASSERT_TRUE(QFile::link(root, link));
    for (const QString& again : QStringList{root + u"/sub", root + u'/', link})
        addAltFolder(folders, again, true);
    search();
    EXPECT_EQ(model()->rowCount(), 4); // a.txt, b.txt, sub and sub/c.txt
}

// A renamed row that sorts far away is scrolled into sight.
TEST_F(ItemCommandsEndToEnd, ARenamedRowStaysInSight)
{
    QList<QByteArray> extra;
    for (int i = 0; i < 100; ++i)
        extra.append("n" + QByteArray::number(1000 + i) + ".txt");
    startAndSearch(extra, [](const QByteArray& path) { writeFile(QFile::decodeName(path), "n"); });
    ASSERT_TRUE(typeName(u"a.txt"_qs, u"zz"_qs)); // the first row
    ASSERT_TRUE(waitFor([&] { return rowOf(u"zz.txt"_qs) >= 0; }));
    const QModelIndex at = model()->index(rowOf(u"zz.txt"_qs), 0);
    EXPECT_GT(at.row(), 90) << "sorted to the end";
    QTreeView* view = list()->detailsView();
    EXPECT_TRUE(waitFor([&] { return view->viewport()->rect().intersects(view->visualRect(at)); }));
}

TEST_F(ItemCommandsEndToEnd, FilesDroppedOnAFolderRowWithShiftMoveAndAsk)
{
    startAndSearch();
    focusList();
    QTreeView* view = list()->detailsView();
    model()->sortBy(ResultModel::Name, Qt::AscendingOrder); // a.txt b.txt sub
    const auto nameOf = [&](const QString& name) {
        return view->visualRect(model()->index(rowOf(name), 0)).center();
    };
    QPoint onName = nameOf(u"sub"_qs);
    const QPoint onFile = nameOf(u"a.txt"_qs);
    QMimeData data;
    data.setData(u"text/uri-list"_qs, QFile::encodeName(u"file://" + root + u"/a.txt\r\n"));

    // Qt sends the moves and the drop to the widget that accepted the drag's entry.
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(onFile, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    // The action a move over `at` is accepted with; none when refused.
    const auto dragOver = [&](QPoint at, Qt::KeyboardModifier key) -> std::optional<int> {
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, key);
        QApplication::sendEvent(view->viewport(), &move);
        return move.isAccepted() ? std::optional<int>(move.dropAction()) : std::nullopt;
    };
    // Over a file row nothing can be dropped; over the folder's name with Shift it moves, and
    // the folder is framed while a drop there would go into it.
    auto* mark = view->viewport()->findChild<QWidget*>(u"dropTargetMark"_qs);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(dragOver(onFile, Qt::ShiftModifier), std::nullopt);
    EXPECT_FALSE(mark->isVisible());
    EXPECT_EQ(dragOver(onName, Qt::ShiftModifier), Qt::MoveAction);
    EXPECT_TRUE(mark->isVisible());
    EXPECT_TRUE(mark->geometry().contains(onName));
    EXPECT_FALSE(mark->geometry().contains(onFile));
    EXPECT_EQ(dragOver(onName, Qt::AltModifier), std::nullopt);
    EXPECT_FALSE(mark->isVisible());

    // Rows found while the drag rests can push another folder under the pointer (a list this
    // short cannot scroll to keep the aimed row there): the drop goes only where the frame
    // showed it would go.
    EXPECT_EQ(dragOver(onName, Qt::ShiftModifier), Qt::MoveAction);
    const QByteArray pushed = QFile::encodeName(root + u"/pushed");
    ASSERT_TRUE(QDir().mkdir(root + u"/pushed"));
    ResultRow row;
    row.setPath(pushed);
    row.folder = true;
    list()->addBatches(RowBatches{{row}});
    ASSERT_EQ(view->indexAt(onName).data(ResultModel::PathRole).toByteArray(), pushed);
    // The frame stays on the folder it showed, not on the one now under the pointer.
    EXPECT_TRUE(mark->isVisible());
    EXPECT_TRUE(mark->geometry().contains(nameOf(u"sub"_qs)));
    EXPECT_FALSE(mark->geometry().contains(onName));
    {
        QDropEvent early(onName, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(view->viewport(), &early);
        EXPECT_FALSE(early.isAccepted());
        QTest::qWait(100); // a move would be under way by now
        EXPECT_TRUE(exists(root + u"/a.txt"));
        EXPECT_FALSE(exists(root + u"/pushed/a.txt"));
    }
    // The refused drop ended that drag: a new one comes in over the list.
    onName = nameOf(u"sub"_qs);
    QDragEnterEvent again(onFile, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &again);
    EXPECT_EQ(dragOver(onName, Qt::ShiftModifier), Qt::MoveAction);

    DialogScript script({expectMessage(u"File(s) Moved"_qs, QMessageBox::Cancel)});
    QDropEvent drop(onName, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    ASSERT_TRUE(waitFor([&] { return script.done(); }));
    EXPECT_TRUE(exists(root + u"/sub/a.txt"));
    EXPECT_FALSE(exists(root + u"/a.txt"));
    EXPECT_FALSE(mark->isVisible());

    // Rows are dragged and folders take drops in every view: Qt's icon list turns both off
    // with its items' movement on every switch.
    for (const char* mode : {"mnuViewO1", "mnuViewO2", "mnuViewO0", "mnuViewO2"}) {
        child<QAction>(mode)->trigger();
        EXPECT_TRUE(list()->currentView()->dragEnabled()) << mode;
        EXPECT_TRUE(list()->currentView()->viewport()->acceptDrops()) << mode;
    }
}

} // namespace
