#include "shell/BrowseDirectorysOnly.h"

#include "ModalHelper.h"
#include "TempHome.h"

#include <QFileDialog>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kTitle = QStringLiteral("Select a folder in which to search.");

/// Opens the picker at `initial`, records the folder it shows, then accepts or cancels.
QString pick(const QString& initial, bool accept, QString* opened = nullptr)
{
    WhenModal handler([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        if (opened)
            *opened = dialog->directory().absolutePath();
        if (accept)
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    const QString chosen = BrowseForFolder(nullptr, kTitle, initial);
    EXPECT_TRUE(handler.seen());
    return chosen;
}

TEST(FolderPicker, OpensAtTheInitialFolderAndReturnsItWithoutTrailingSeparator)
{
    const TempHome home;
    const QString folder = home.mkdir(QStringLiteral("Data/Grüße"));
    QString opened;
    EXPECT_EQ(pick(folder + u'/', true, &opened), folder);
    EXPECT_EQ(opened, folder);
    EXPECT_EQ(pick(folder, false), QString()); // cancelled
    EXPECT_EQ(pick(QStringLiteral("//"), true), QStringLiteral("/"));
}

TEST(FolderPicker, MissingOrNonFolderInitialLeavesTheDefault)
{
    const TempHome home;
    for (const QString& initial : {home.path("gone"), home.write("plain.txt", "x")}) {
        QString opened;
        const QString chosen = pick(initial, true, &opened);
        EXPECT_NE(opened, initial);
        EXPECT_TRUE(QFileInfo(chosen).isDir()) << chosen.toStdString();
        EXPECT_FALSE(chosen.endsWith(u'/') && chosen != u"/");
    }
}

} // namespace
