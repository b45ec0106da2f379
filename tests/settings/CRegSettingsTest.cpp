#include "settings/CRegSettings.h"

#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace StoreFixture;

namespace {

using CRegSettingsTest = StoreTest;

TEST_F(CRegSettingsTest, EmptyTextIsNotMissingAZeroByteValueIsAndStarIsTheDefaultValue)
{
    EXPECT_EQ(store.GetSetting("Nope", "Key", "dflt"), "dflt");
    put("S", "Empty", "");
    EXPECT_EQ(store.GetSetting("S", "Empty", "dflt"), "");
    setRaw("S", "ZeroBytes", REG_SZ, QByteArray());
    EXPECT_EQ(store.GetSetting("S", "ZeroBytes", "dflt"), "dflt");

    put("S", "*", "unnamed");
    EXPECT_EQ(store.GetSetting("S", "*"), "unnamed");
    EXPECT_TRUE(readFile(hivePath()).contains("@=\"unnamed\""));
    EXPECT_TRUE(store.DeleteSetting("S", "*"));
    EXPECT_EQ(store.GetSetting("S", "*", "gone"), "gone");
}

TEST_F(CRegSettingsTest, GetAllSettingsKeepsStoredOrderAndSkipsNonText)
{
    setRaw("S", "Bin", REG_BINARY, QByteArray("abc!"));
    put("S", "3", "c");
    put("S", "1", "a");
    put("S", "2", "");
    // Read one by one, non-text values are their bytes less the last.
    EXPECT_EQ(store.GetSetting("S", "Bin"), "abc");
    const QList<QPair<QString, QString>> expected{{"3", "c"}, {"1", "a"}, {"2", ""}};
    EXPECT_EQ(store.GetAllSettings("S"), expected);
    EXPECT_TRUE(store.GetAllSettings("Nope").isEmpty());
}

TEST_F(CRegSettingsTest, DeleteSettingRemovesOnlyWhatExistsAndNeverAKeyWithSubKeys)
{
    EXPECT_FALSE(store.DeleteSetting("Nope"));
    put("S", "K", "v");
    EXPECT_TRUE(store.DeleteSetting("S", "K"));
    EXPECT_FALSE(store.DeleteSetting("S", "K"));

    put("Presets\\One\\Search Folders", "a", "1");
    EXPECT_FALSE(store.DeleteSetting("Presets\\One"));
    EXPECT_EQ(store.GetSetting("Presets\\One\\Search Folders", "a"), "1");
    EXPECT_TRUE(store.DeleteSetting("Presets\\One\\Search Folders"));
    EXPECT_TRUE(store.DeleteSetting("Presets\\One"));

    // An empty section names nothing: the application key and its values stay.
    put("", "Top", "level");
    EXPECT_FALSE(store.DeleteSetting(""));
    EXPECT_EQ(store.GetSetting("", "Top"), "level");
}

TEST_F(CRegSettingsTest, TextsComeBackExactlyThroughTheFile)
{
    const struct {
        QString section;
        QString key;
        QString text;
    } cases[] = {
        {"S", "k", "one\ntwo\r\nthree\n"},
        {"S", "k", "\ta\tb  "},
        {"S", "k", "\"quoted\" and \"\""},
        {"S", "k", "C:\\dir\\ \\\\server\\share\\"},
        {"S", "k", QString::fromUtf8("Grüße, 東京, €, 😀")},
        {"S", "k", QString(64 * 1024, u'x') + u"\n" + QString(100, u'é')},
        {"My Section v1.2\\Sub. Key ", "a key.x", "v"},
        {"[S]", "say \"hi\" \\ there", "[v]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(40).toStdString());
        put(c.section, c.key, c.text);
        // A copy of the file in a new home reads the same: the text went through the file.
        const QByteArray file = readFile(hivePath());
        const TempHome other;
        ASSERT_TRUE(writeFile(hivePath(), file));
        EXPECT_EQ(CRegSettings::forProgram().GetSetting(c.section, c.key), c.text);
    }
}

TEST_F(CRegSettingsTest, UnwritableFolderFailsTheWriteAndLeavesTheOldFile)
{
    put("Options", "Flag", "1");
    {
        BlockedConfigFolder blocked;
        EXPECT_FALSE(store.SaveSetting("Options", "Flag", "2"));
        EXPECT_FALSE(store.SaveSetting("New", "Key", "v"));
        EXPECT_EQ(store.GetSetting("Options", "Flag", "dflt"), "dflt"); // no file to read
    }
    EXPECT_EQ(store.GetSetting("Options", "Flag"), "1");
    EXPECT_EQ(store.GetSetting("New", "Key", "dflt"), "dflt");
}

TEST_F(CRegSettingsTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kWrites = 500;
    put("Race", "start", "1");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const QString who = child == 0 ? QStringLiteral("child") : QStringLiteral("parent");
    int failures = 0;
    for (int i = 0; i < kWrites; ++i) {
        if (!store.SaveSetting("Race", who + QString::number(i), QString::number(i)))
            ++failures;
    }
    if (child == 0)
        ::_exit(failures == 0 ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(store.GetAllSettings("Race").size(), 1 + 2 * kWrites);
    EXPECT_FALSE(QFileInfo::exists(hivePath() + ".bad"));
}

} // namespace
