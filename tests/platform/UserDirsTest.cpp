#include "platform/UserDirs.h"

#include <gtest/gtest.h>

namespace {

// The file as the desktop's tool writes it and as people edit it: each line either names the
// folder meant, or none (then the default applies); never a folder somewhere else.
TEST(UserDirs, EachLineNamesTheFolderMeantOrNone)
{
    const QByteArray home = "/home/u";
    const struct {
        QByteArray text;
        std::optional<QByteArray> desktop;
    } cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/u/Desktop"},
        {"# comment\n  XDG_DESKTOP_DIR = \"/data/Bureau/\"  # mine\n", "/data/Bureau"},
        {"XDG_DESKTOP_DIR=\"$HOME/a\\\"b \\$c\\\\d\"\n", "/home/u/a\"b $c\\d"}, // as escaped
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\xfc\"\r\n", "/home/u/Schreibtisch\xfc"},
        {"XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/u"}, // refused by the caller as home itself
        {"XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n", "/home/u/two"},
        {"XDG_DESKTOP_DIR=\"$HOMEx/Desktop\"\n", std::nullopt}, // another user's folder
        {"XDG_DESKTOP_DIR=\"Desktop\"\n", std::nullopt},        // relative: a mistake
        {"XDG_DESKTOP_DIR=$HOME/Desktop\n", std::nullopt},      // unquoted
        {"XDG_DESKTOP_DIR=\"$HOME/cut\n", std::nullopt},        // never closed
        {"XDG_DESKTOP_DIRS=\"/x\"\nXDG_DOCUMENTS_DIR=\"/y\"\n", std::nullopt},
        {"#XDG_DESKTOP_DIR=\"/x\"\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(userDirFromText(c.text, "XDG_DESKTOP_DIR", home), c.desktop)
            << c.text.constData();
    }
}

} // namespace
