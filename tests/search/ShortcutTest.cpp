#include "search/Shortcut.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

namespace {

struct IniCase {
    const char* ini;
    const char* expected;
};

class IniValue : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniValue, FollowsTheProfileReaderRules)
{
    EXPECT_EQ(Shortcut::iniValue(GetParam().ini, u"InternetShortcut"_qs, u"URL"_qs, u"dflt"_qs),
              QString::fromUtf8(GetParam().expected))
        << GetParam().ini;
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniValue,
    ::testing::Values(IniCase{"[InternetShortcut]\nURL=http://a/\n", "http://a/"},
                      IniCase{"[internetshortcut]\r\nurl = http://b/  \r\n", "http://b/"},
                      IniCase{"  [ InternetShortcut ]\nUrl=\"http://c/\"\n", "http://c/"},
                      IniCase{"[Other]\nURL=http://x/\n", "dflt"},
                      IniCase{"[InternetShortcut]\nURL=\n", ""},
                      IniCase{"[InternetShortcut]\nIconFile=x\n", "dflt"},
                      IniCase{"[InternetShortcut]\n;URL=commented\nURL=real\n", "real"},
                      IniCase{"[InternetShortcut]\nURL=first\nURL=second\n", "first"},
                      IniCase{"", "dflt"}, IniCase{"garbage\x01\xff\n=\n[", "dflt"},
                      IniCase{"[InternetShortcut]\nURL=http://ü/\n", "http://ü/"}));

TEST(Shortcut, LongValuesAreCutAt2047Characters)
{
    const QByteArray ini = "[InternetShortcut]\nURL=" + QByteArray(5000, 'u') + '\n';
    EXPECT_EQ(Shortcut::iniValue(ini, u"InternetShortcut"_qs, u"URL"_qs, QString()).size(), 2047);
}

TEST(Shortcut, ProfileGetItemReadsFilesAndGivesTheDefaultOtherwise)
{
    const ByteTree tree;
    const QByteArray file = tree.file("site.url", "[InternetShortcut]\nURL=https://kf.example/\n");
    EXPECT_EQ(Shortcut::ProfileGetItem(u"InternetShortcut"_qs, u"URL"_qs, QString(),
                                       QFile::decodeName(file)),
              u"https://kf.example/"_qs);
    EXPECT_EQ(Shortcut::ProfileGetItem(u"InternetShortcut"_qs, u"URL"_qs, u"none"_qs,
                                       QFile::decodeName(tree.path("missing.url"))),
              u"none"_qs);
    // A folder, a FIFO and a device are never read.
    tree.dir("folder.url");
    ASSERT_EQ(mkfifo(tree.path("pipe.url").constData(), 0644), 0);
    for (const QByteArray& path :
         {tree.path("folder.url"), tree.path("pipe.url"), QByteArray("/dev/zero")})
        EXPECT_FALSE(Shortcut::readSmallFile(AT_FDCWD, path.constData())) << path.constData();
}

TEST(Shortcut, ReadsAtMost64KiB)
{
    const ByteTree tree;
    QByteArray big = "[InternetShortcut]\nURL=near\n" + QByteArray(4 << 20, 'x');
    big += "\n[Later]\nURL=far\n";
    tree.file("big.url", big);
    const auto data = Shortcut::readSmallFile(AT_FDCWD, tree.path("big.url").constData());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size(), Shortcut::MaxShortcutBytes);
}

TEST(Shortcut, DesktopLinksGiveTheirAddress)
{
    EXPECT_EQ(Shortcut::desktopLinkUrl("[Desktop Entry]\nType=Link\nURL=https://a.example/x\\sy\n"),
              u"https://a.example/x y"_qs);
    EXPECT_EQ(Shortcut::desktopLinkUrl("[Desktop Entry]\nType=Link\nName=No address\n"), QString());
    EXPECT_FALSE(Shortcut::desktopLinkUrl("[Desktop Entry]\nType=Application\nURL=x\n"));
    EXPECT_FALSE(Shortcut::desktopLinkUrl("[Other]\nType=Link\nURL=x\n"));
    EXPECT_EQ(Shortcut::desktopLinkUrl(
                  "# c\n[Desktop Entry]\nURL=first\nType=Link\n[Desktop Action x]\nURL=no\n"),
              u"first"_qs);
}

} // namespace
