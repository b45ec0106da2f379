#include "shell/BrowseDirectorysOnly.h"

#include "ModalHelper.h"
#include "TempHome.h"

#include <QFileDialog>
#include <QTest>
#include <gtest/gtest.h>

namespace {

/// Opens the picker at `initial`, records the folder it shows, then accepts or cancels.
QString pick(const QString& initial, bool accept, QString* opened = nullptr)
{
    WhenModal handler([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (opened)
            *opened = dialog->directory().absolutePath();
        if (accept)
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    return BrowseForFolder(nullptr, QStringLiteral("Select a folder in which to search."), initial);
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
    // No, a missing or a non-folder initial path opens at home; the answer is still a folder.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(folder);
    for (const QString& initial : {QString(), home.path("gone"), home.write("plain.txt", "x")}) {
        const QString chosen = pick(initial, true, &opened);
        EXPECT_EQ(opened, QDir::homePath());
        EXPECT_TRUE(QFileInfo(chosen).isDir()) << chosen.toStdString();
        EXPECT_TRUE(chosen == u"/" || !chosen.endsWith(u'/')) << chosen.toStdString();
    }
    QDir::setCurrent(workingFolder);
}

} // namespace
