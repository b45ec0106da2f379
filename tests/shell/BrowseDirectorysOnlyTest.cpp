#include "shell/BrowseDirectorysOnly.h"

#include "ModalHelper.h"
#include "TempHome.h"

#include <QFileDialog>
#include <gtest/gtest.h>

namespace {

/// Opens the picker at `initial`, records the folder it shows, then accepts.
QString pick(const QString& initial, QString* opened = nullptr)
{
    WhenModal handler([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (opened)
            *opened = dialog->directory().absolutePath();
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    return BrowseForFolder(nullptr, QStringLiteral("Select a folder in which to search."), initial);
}

TEST(FolderPicker, OpensAtTheInitialFolderAndReturnsItWithoutTrailingSeparator)
{
    const TempHome home;
    const QString folder = home.mkdir(QStringLiteral("Data/Grüße"));
    QString opened;
    EXPECT_EQ(pick(folder + u'/', &opened), folder);
    EXPECT_EQ(opened, folder);
    EXPECT_EQ(pick(QStringLiteral("//")), QStringLiteral("/"));
    // No, a missing or a non-folder initial path opens at home; the answer is still a folder.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(folder);
    for (const QString& initial : {QString(), home.path("gone"), home.write("plain.txt", "x")}) {
        const QString chosen = pick(initial, &opened);
        EXPECT_EQ(opened, QDir::homePath());
        EXPECT_TRUE(QFileInfo(chosen).isDir()) << chosen.toStdString();
        EXPECT_TRUE(chosen == u"/" || !chosen.endsWith(u'/')) << chosen.toStdString();
    }
    QDir::setCurrent(workingFolder);
}

} // namespace
