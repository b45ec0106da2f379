#include "platform/SpecialFolders.h"

#include "TempHome.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

TEST(SpecialFolders, FolderNumbersWithoutALinuxCounterpartAreEmpty)
{
    const TempHome home;
    for (const int csidl : {Csidl::CommonDesktopDirectory, Csidl::CommonDocuments,
                            Csidl::CommonFavorites, 0, 2, 99, -1})
        EXPECT_EQ(GetSpecialFolder(csidl), QString()) << csidl;
}

TEST(SpecialFolders, MissingFoldersAreEmptyAndAppearOnceMade)
{
    const TempHome home;
    const QString data = home.path(QStringLiteral(".local/share"));
    EXPECT_EQ(GetSpecialFolder(Csidl::StartMenu), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Recent), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Favorites), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::SendTo), QString());

    home.mkdir(QStringLiteral(".local/share/applications"));
    home.mkdir(QStringLiteral(".local/share/RecentDocuments"));
    home.mkdir(QStringLiteral("Favorites"));
    EXPECT_EQ(GetSpecialFolder(Csidl::StartMenu), data + u"/applications");
    EXPECT_EQ(GetSpecialFolder(Csidl::Recent), data + u"/RecentDocuments");
    EXPECT_EQ(GetSpecialFolder(Csidl::Favorites), home.path(QStringLiteral("Favorites")));
    EXPECT_EQ(GetSpecialFolder(Csidl::LocalAppData), data);
    EXPECT_EQ(GetSpecialFolder(Csidl::AppData), home.path(QStringLiteral(".config")));
    EXPECT_EQ(GetSpecialFolder(Csidl::InternetCache), home.path(QStringLiteral(".cache")));
}

TEST(SpecialFolders, SendToPrefersNautilusScriptsThenServiceMenus)
{
    const TempHome home;
    home.mkdir(QStringLiteral(".local/share/kio/servicemenus"));
    EXPECT_EQ(GetSpecialFolder(Csidl::SendTo),
              home.path(QStringLiteral(".local/share/kio/servicemenus")));
    home.mkdir(QStringLiteral(".local/share/nautilus/scripts"));
    EXPECT_EQ(GetSpecialFolder(Csidl::SendTo),
              home.path(QStringLiteral(".local/share/nautilus/scripts")));
}

TEST(SpecialFolders, SystemFoldersComeFromTheSearchPaths)
{
    const TempHome home;
    const QString first = home.mkdir(QStringLiteral("one"));
    const QString second = home.mkdir(QStringLiteral("two/applications"));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(first + u":relative/path:" + home.path(u"two"_qs)));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonStartMenu), second);

    // Only the first configuration folder counts, and only when it exists.
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home.path(u"none"_qs) + u':' + first));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonAppData), QString());
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(first));
    EXPECT_EQ(GetSpecialFolder(Csidl::CommonAppData), first);
}

TEST(SpecialFolders, RelativeXdgValuesAreIgnored)
{
    const TempHome home;
    qputenv("XDG_CACHE_HOME", "relative/cache");
    EXPECT_EQ(GetSpecialFolder(Csidl::InternetCache), home.path(QStringLiteral(".cache")));
}

TEST(SpecialFolders, DesktopAndDocumentsNeverStandForTheHomeFolder)
{
    const TempHome home;
    home.write(QStringLiteral(".config/user-dirs.dirs"),
               "XDG_DESKTOP_DIR=\"$HOME\"\nXDG_DOCUMENTS_DIR=\"$HOME/\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString());
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), QString());

    home.write(QStringLiteral(".config/user-dirs.dirs"),
               "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), QString()); // not made yet
    const QString desktop = home.mkdir(QStringLiteral("Bureau"));
    const QString documents = home.mkdir(QStringLiteral("Docs"));
    EXPECT_EQ(GetSpecialFolder(Csidl::DesktopDirectory), desktop);
    EXPECT_EQ(GetSpecialFolder(Csidl::Personal), documents);
}

} // namespace
