#pragma once

// The program started as main() starts it, a real search over a folder of its own, and the
// ways a user reaches the item commands: rows selected, the File menu and the popup opened
// and clicked, dialogs answered.
#include "ProgramFixture.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "results/sbStatusBar.h"

#include "ByteFiles.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>

namespace ItemTest {

using namespace AppTest;

inline bool exists(const QString& path)
{
    return bytefiles::exists(QFile::encodeName(path));
}

/// The "search again?" box after a change, answered with `button`.
inline DialogScript::Step expectMessage(QString title, QMessageBox::StandardButton button)
{
    return answerBox(title, button,
                     u"Search results will now be refreshed to reflect your changes."_qs);
}

} // namespace ItemTest

using namespace ItemTest;

class ItemCommandsFixture : public ProgramFixture {
protected:
    QString root; ///< the searched folder
    /// The session bus the program uses; empty: a bus address where nothing listens.
    QString busAddress;

    void TearDown() override
    {
        program.reset();
        // Qt cannot remove names that are not valid UTF-8; rm works on the bytes.
        if (!root.isEmpty())
            QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), root});
    }

    QAction* action(const char* name) const { return child<QAction>(name); }
    ResultList* list() const { return child<ResultList>("ListView1"); }
    ResultModel* model() const { return list()->model(); }

    /// A recorder program as the default for text files and folders: it appends its
    /// argument to a log. *.kfnone files have a type no program opens.
    void installRecorder()
    {
        const QString log = home.path(u"launched.log"_qs);
        const QString script = home.path(u"bin/record"_qs);
        writeFile(script,
                  QString(u"#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log + u"'\n").toUtf8());
        ::chmod(QFile::encodeName(script).constData(), 0755);
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        writeFile(data + u"/applications/kf-record.desktop",
                  QString(u"[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + script +
                          u" %f\nMimeType=text/plain;inode/directory;\n")
                      .toUtf8());
        writeFile(data + u"/mime/globs2",
                  "50:text/plain:*.txt\n50:application/x-kfnone:*.kfnone\n");
        writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/mimeapps.list",
                  "[Default Applications]\ntext/plain=kf-record.desktop\n"
                  "inode/directory=kf-record.desktop\n");
    }
    QString launchedLog() const
    {
        return QString::fromUtf8(readFile(home.path(u"launched.log"_qs)));
    }

    /// Starts the program and searches `root`: a.txt, b.txt, the folder "sub" with c.txt,
    /// and the `extra` files (names relative to root, as bytes) made by `makeExtra`.
    void startAndSearch(const QList<QByteArray>& extra = {},
                        const std::function<void(const QByteArray&)>& makeExtra = {})
    {
        const QByteArray bus = busAddress.isEmpty()
                                   ? "unix:path=" + home.home().toUtf8() + "/no-bus"
                                   : busAddress.toUtf8();
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        installRecorder();
        root = home.mkdir(u"found"_qs);
        writeFile(root + u"/a.txt", "alpha");
        writeFile(root + u"/b.txt", "beta");
        writeFile(root + u"/sub/c.txt", "gamma");
        for (const QByteArray& name : extra)
            makeExtra(rootBytes() + '/' + name);
        ASSERT_NO_FATAL_FAILURE(start());
        form()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form()));
        {
            DialogScript script({pick(kSelectFolder, root)});
            child<QPushButton>("Command2")->click();
        }
        tickOnly(form());
        auto* folders = child<QListWidget>("text3");
        folders->item(folders->count() - 1)->setCheckState(Qt::Checked);
        search();
        ASSERT_EQ(model()->rowCount(), 4 + extra.size());
    }
    QByteArray rootBytes() const { return QFile::encodeName(root); }
    void search()
    {
        child<QPushButton>("Command1")->click();
        ASSERT_TRUE(runEnded());
    }
    /// Selects the rows of these paths, the first current.
    void selectPaths(const QList<QByteArray>& paths)
    {
        QItemSelectionModel* selection = list()->selectionModel();
        selection->clearSelection();
        for (const QByteArray& path : paths) {
            const int row = model()->rowOfPath(path);
            ASSERT_GE(row, 0) << path.constData();
            const QModelIndex index = model()->index(row, 0);
            if (path == paths.first())
                selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    /// Selects the rows of these names (relative to root), the first current.
    void select(const QStringList& names)
    {
        QList<QByteArray> paths;
        for (const QString& name : names)
            paths.append(QFile::encodeName(root + u'/' + name));
        selectPaths(paths);
    }
    /// The row of `name` (relative to root); -1 when none.
    int rowOf(const QString& name) const
    {
        return model()->rowOfPath(QFile::encodeName(root + u'/' + name));
    }
    /// The status bar's hint panel (the row under the pointer) and count panel.
    QString hint() const { return child<sbStatusBar>("sbStatusBar")->panelText(1); }
    QString countPanel() const { return child<sbStatusBar>("sbStatusBar")->panelText(3); }
    /// Selects the row of `name`, presses F2 on the focused list and returns the name editor
    /// that opens (one of an earlier rename may not be deleted yet); null when none does.
    QLineEdit* openEditor(const QString& name)
    {
        select({name});
        focusList();
        QTreeView* view = list()->detailsView();
        QTest::keyClick(view, Qt::Key_F2);
        const QString shown = model()->index(view->currentIndex().row(), 0).data().toString();
        QLineEdit* editor = nullptr;
        waitFor([&] {
            for (QLineEdit* open : view->viewport()->findChildren<QLineEdit*>()) {
                if (open->isVisible() && open->text() == shown)
                    editor = open;
            }
            return editor != nullptr;
        });
        return editor;
    }
    /// Types `typed` as the new name of `name` and confirms it with Return.
    bool typeName(const QString& name, const QString& typed)
    {
        QLineEdit* editor = openEditor(name);
        if (editor) {
            editor->setText(typed);
            QTest::keyClick(editor, Qt::Key_Return);
        }
        return editor != nullptr;
    }
    /// The File menu's enabled items after the menu opened.
    QStringList enabledFileItems() const
    {
        QMenu* menu = child<QMenu>("mnuFile");
        Q_EMIT menu->aboutToShow();
        QStringList names;
        for (QAction* a : menu->actions())
            if (a->isEnabled() && !a->isSeparator())
                names << (a->menu() ? a->menu()->objectName() : a->objectName());
        Q_EMIT menu->aboutToHide();
        return names;
    }
    /// Clicks `item` in the open menu `menu`, as the mouse does (a disabled item does nothing).
    void clickMenuItem(QMenu* menu, const char* item)
    {
        ASSERT_TRUE(waitFor([&] { return menu->isVisible(); })) << menu->objectName().toStdString();
        QAction* chosen = action(item);
        ASSERT_TRUE(chosen && menu->actions().contains(chosen)) << item;
        const QPoint at = menu->actionGeometry(chosen).center();
        QTest::mouseMove(menu, at);
        QTest::mouseClick(menu, Qt::LeftButton, {}, at);
    }
    /// Opens the File menu and clicks `item`.
    void chooseFromFileMenu(const char* item)
    {
        QMenu* menu = child<QMenu>("mnuFile");
        menu->popup(form()->mapToGlobal(QPoint(0, 0)));
        clickMenuItem(menu, item);
    }
    /// Right-clicks the row of `path` (which selects it) and clicks `item` in the popup.
    void chooseFromPopup(const QByteArray& path, const char* item)
    {
        QTreeView* view = list()->detailsView();
        const int row = model()->rowOfPath(path);
        ASSERT_GE(row, 0) << path.constData();
        const QRect rect = view->visualRect(model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, rect.center());
        clickMenuItem(child<QMenu>("mnupop"), item);
    }
    /// The window active again (a closed dialog leaves none active here) and the list focused.
    void focusList()
    {
        form()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form()));
        list()->detailsView()->setFocus();
    }
    bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }
};
