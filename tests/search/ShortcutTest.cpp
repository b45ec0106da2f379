#include "search/Shortcut.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(Shortcut, IniValueFollowsTheProfileReaderRules)
{
    const struct {
        QByteArray ini;
        QString expected;
    } cases[] = {
        {"[InternetShortcut]\nURL=http://a/\n", u"http://a/"_qs},
        {"[internetshortcut]\r\nurl = http://b/  \r\n", u"http://b/"_qs},
        {"  [ InternetShortcut ]\nUrl=\"http://c/\"\n", u"http://c/"_qs},
        {"[Other]\nURL=http://x/\n", u"dflt"_qs},
        {"[InternetShortcut]\nURL=\n", u""_qs},
        {"[InternetShortcut]\n;URL=commented\nURL=real\n", u"real"_qs},
        {"[InternetShortcut]\nURL=first\nURL=second\n", u"first"_qs},
        {"garbage\x01\xff\n=\n[", u"dflt"_qs},
        {"[InternetShortcut]\nURL=http://ü/\n", u"http://ü/"_qs},
        {"[InternetShortcut]\nURL=" + QByteArray(5000, 'u') + '\n', QString(2047, u'u')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shortcut::iniValue(c.ini, u"InternetShortcut"_qs, u"URL"_qs, u"dflt"_qs),
                  c.expected)
            << c.ini.left(60).constData();
    }
}

TEST(Shortcut, ReadsOnlyTheFirst64KiBOfRegularFiles)
{
    const ByteTree tree;
    tree.file("big.url", "[InternetShortcut]\nURL=near\n" + QByteArray(4 << 20, 'x'));
    const auto data = Shortcut::readSmallFile(AT_FDCWD, tree.path("big.url").constData());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size(), Shortcut::MaxShortcutBytes);
    // A folder and a device (endless) are never read; a FIFO is the walker's test.
    tree.dir("folder.url");
    for (const QByteArray& path : {tree.path("folder.url"), QByteArray("/dev/zero")})
        EXPECT_FALSE(Shortcut::readSmallFile(AT_FDCWD, path.constData())) << path.constData();
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
