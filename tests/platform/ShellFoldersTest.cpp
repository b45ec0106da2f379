#include "platform/ShellFolders.h"

#include "TempHome.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Each folder number, the folder below the private home it stands for ("" when none):
// empty until the folder exists.
TEST(SpecialFolders, EmptyUntilTheFolderExists)
{
    const struct {
        int csidl;
        const char* folder;
    } cases[] = {{Csidl::StartMenu, ".local/share/applications"},
                 {Csidl::Recent, ".local/share/RecentDocuments"},
                 {Csidl::Favorites, "Favorites"},
                 {Csidl::SendTo, ".local/share/kio/servicemenus"},
                 {Csidl::CommonDesktopDirectory, ""},
                 {99, ""},
                 {-1, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csidl);
        const TempHome home;
        EXPECT_EQ(GetSpecialFolder(c.csidl), QString());
        if (*c.folder == 0)
            continue;
        const QString made = home.mkdir(QString::fromUtf8(c.folder));
        EXPECT_EQ(GetSpecialFolder(c.csidl), made);
    }
}

TEST(SpecialFolders, UserFoldersFollowTheXdgVariablesAndPreferNautilusScripts)
{
    const TempHome home;
    EXPECT_EQ(GetSpecialFolder(Csidl::LocalAppData), home.path(".local/share"));
    EXPECT_EQ(GetSpecialFolder(Csidl::AppData), home.path(".config"));
    qputenv("XDG_CACHE_HOME", "relative/cache"); // ignored: not absolute
    EXPECT_EQ(GetSpecialFolder(Csidl::InternetCache), home.path(".cache"));
    home.mkdir(".local/share/kio/servicemenus");
    const QString scripts = home.mkdir(".local/share/nautilus/scripts");
    EXPECT_EQ(GetSpecialFolder(Csidl::SendTo), scripts);
}

TEST(SpecialFolders, SystemFoldersComeFromTheSearchPaths)
{
    const TempHome home;
    const QString first = home.mkdir("one");
    const QString second = home.mkdir("two/applications");
    qputenv("XDG_DATA_DIRS", QFile::encodeName(first + u":relative/path:" + home.path("two")));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonStartMenu), second);
    // Only the first configuration folder counts, and only when it exists.
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home.path("none") + u':' + first));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonAppData), QString());
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(first));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonAppData), first);
}

TEST(SpecialFolders, DesktopAndDocumentsNeverStandForTheHomeFolder)
{
    const TempHome home;
    home.write(".config/user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"$HOME\"\nXDG_DOCUMENTS_DIR=\"$HOME/\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), QString());
    home.write(".config/user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString()); // not made yet
    const QString desktop = home.mkdir("Bureau");
    const QString documents = home.mkdir("Docs");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), desktop);
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), documents);
}

} // namespace
