#include "shell/BrowseDirectorysOnly.h"

#include "ModalHelper.h"
#include "TempHome.h"

#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kTitle = QStringLiteral("Select a folder in which to search.");

/// Opens the picker, lets `act` work on the dialog, and returns the picker's answer.
QString pick(const QString& initial, const std::function<void(QFileDialog*)>& act)
{
    WhenModal handler([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
    const QString chosen = BrowseForFolder(nullptr, kTitle, initial);
    EXPECT_TRUE(handler.seen());
    return chosen;
}

void accept(QFileDialog* dialog)
{
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

class FolderPickerTest : public ::testing::Test {
protected:
    TempHome home;
};

TEST_F(FolderPickerTest, OpensAtTheInitialFolderAndReturnsItWithoutTrailingSeparator)
{
    const QString folder = home.mkdir(QStringLiteral("Data/Grüße"));
    QString opened, title;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    const QString chosen = pick(folder + u'/', [&](QFileDialog* d) {
        opened = d->directory().absolutePath();
        title = d->windowTitle();
        mode = d->fileMode();
        accept(d);
    });
    EXPECT_EQ(opened, folder);
    EXPECT_EQ(chosen, folder);
    EXPECT_EQ(title, kTitle);
    EXPECT_EQ(mode, QFileDialog::Directory);
}

TEST_F(FolderPickerTest, CancelReturnsEmpty)
{
    const QString folder = home.mkdir(QStringLiteral("Data"));
    EXPECT_EQ(pick(folder, [](QFileDialog* d) { d->reject(); }), QString());
    EXPECT_EQ(pick(folder, [](QFileDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }), QString());
}

TEST_F(FolderPickerTest, RootComesBackAsSlash)
{
    EXPECT_EQ(pick(QStringLiteral("/"), accept), QStringLiteral("/"));
    EXPECT_EQ(pick(QStringLiteral("//"), accept), QStringLiteral("/"));
}

TEST_F(FolderPickerTest, MissingOrNonFolderInitialLeavesTheDefault)
{
    const QString file = home.write(QStringLiteral("plain.txt"), "x");
    for (const QString& initial : {home.path(QStringLiteral("gone")), file}) {
        QString opened;
        const QString chosen = pick(initial, [&](QFileDialog* d) {
            opened = d->directory().absolutePath();
            accept(d);
        });
        EXPECT_NE(opened, initial);
        EXPECT_NE(chosen, initial);
        EXPECT_TRUE(QFileInfo(chosen).isDir()) << chosen.toStdString();
        EXPECT_FALSE(chosen.endsWith(u'/') && chosen != u"/");
    }
}

TEST_F(FolderPickerTest, TypedSubfolderIsReturnedWithItsFullPath)
{
    const QString parent = home.mkdir(QStringLiteral("Parent"));
    home.mkdir(QStringLiteral("Parent/Child"));
    const QString chosen = pick(parent, [](QFileDialog* d) {
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("Child"));
        accept(d);
    });
    EXPECT_EQ(chosen, parent + QStringLiteral("/Child"));
}

TEST_F(FolderPickerTest, ALinkIsReturnedAsChosenNotResolved)
{
    const QString target = home.mkdir(QStringLiteral("Target"));
    const QString link = home.path(QStringLiteral("Link"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_EQ(pick(link, accept), link);
}

TEST_F(FolderPickerTest, TitleShowsTheHighlightedFolder)
{
    const QString parent = home.mkdir(QStringLiteral("Parent"));
    const QString child = home.mkdir(QStringLiteral("Parent/Child"));
    QString shown;
    pick(parent, [&](QFileDialog* d) {
        auto* view = d->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        auto* model = d->findChild<QFileSystemModel*>();
        ASSERT_NE(view, nullptr);
        ASSERT_NE(model, nullptr);
        QElapsedTimer waited; // the model lists folders on its own thread
        waited.start();
        while (!model->index(child).isValid() || model->rowCount(model->index(parent)) == 0) {
            if (waited.elapsed() > 20000)
                break;
            QTest::qWait(10);
        }
        view->setCurrentIndex(model->index(child));
        shown = d->windowTitle();
        d->reject();
    });
    EXPECT_EQ(shown, BrowseDirectorysOnly::titleFor(kTitle, child));
    EXPECT_EQ(BrowseDirectorysOnly::titleFor(kTitle, QString()), kTitle);
}

} // namespace
