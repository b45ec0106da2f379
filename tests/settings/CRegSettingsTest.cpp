#include "settings/CRegSettings.h"

#include "TempHome.h"
#include "platform/RegistryHive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kAppKey = QStringLiteral("Software\\Willow Brookes\\Kestrelfind");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contents);
}

/// Writes a raw value under the application key, as another program might have.
void setRaw(const QString& section, const QString& name, std::uint32_t type, const QByteArray& data)
{
    HKEY key = 0;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, kAppKey + u'\\' + section, {}, KEY_ALL_ACCESS, &key),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, type, data.constData(), std::uint32_t(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

class CRegSettingsTest : public ::testing::Test {
protected:
    TempHome home;
    CRegSettings store = CRegSettings::forProgram();
    QString hive = RegHiveFilePath(HKEY_CURRENT_USER);
};

TEST_F(CRegSettingsTest, NamesAndTheirDefaults)
{
    CRegSettings fresh;
    EXPECT_EQ(fresh.Company(), "VB and VBA Program Settings");
    EXPECT_EQ(fresh.appName(), "Kestrelfind");
    fresh.setCompany("  Spaced Out  ");
    EXPECT_EQ(fresh.Company(), "Spaced Out");
    fresh.setCompany("");
    EXPECT_EQ(fresh.Company(), "VB and VBA Program Settings");
    fresh.setAppName("");
    EXPECT_EQ(fresh.appName(), "Kestrelfind");
    EXPECT_EQ(store.Company(), "Willow Brookes");

    ASSERT_TRUE(store.SaveSetting("Options", "Flag", "1"));
    EXPECT_TRUE(readFile(hive).contains(
        "[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\Options]\n\"Flag\"=\"1\"\n"));
}

TEST_F(CRegSettingsTest, MissingEmptyAndZeroByteValues)
{
    EXPECT_EQ(store.GetSetting("Nope", "Key", "dflt"), "dflt");
    EXPECT_TRUE(store.GetSetting("Nope", "Key").isEmpty());
    ASSERT_TRUE(store.SaveSetting("S", "Empty", ""));
    EXPECT_EQ(store.GetSetting("S", "Empty", "dflt"), ""); // empty text, not the default
    EXPECT_EQ(store.GetSetting("S", "Missing", "dflt"), "dflt");
    setRaw("S", "ZeroBytes", REG_SZ, QByteArray());
    EXPECT_EQ(store.GetSetting("S", "ZeroBytes", "dflt"), "dflt");
}

TEST_F(CRegSettingsTest, NonTextValuesReadAsTheirBytesLessTheLast)
{
    setRaw("S", "Bin", REG_BINARY, QByteArray("abc!"));
    setRaw("S", "Num", REG_DWORD, QByteArray("\x41\x42\x43\x00", 4));
    EXPECT_EQ(store.GetSetting("S", "Bin"), "abc");
    EXPECT_EQ(store.GetSetting("S", "Num"), "ABC");
    // ...and GetAllSettings leaves them out.
    EXPECT_TRUE(store.GetAllSettings("S").isEmpty());
}

TEST_F(CRegSettingsTest, StarIsTheSectionsDefaultValue)
{
    ASSERT_TRUE(store.SaveSetting("S", "*", "unnamed"));
    EXPECT_EQ(store.GetSetting("S", "*"), "unnamed");
    EXPECT_TRUE(readFile(hive).contains("@=\"unnamed\""));
    EXPECT_TRUE(store.DeleteSetting("S", "*"));
    EXPECT_EQ(store.GetSetting("S", "*", "gone"), "gone");
}

TEST_F(CRegSettingsTest, NamesIgnoreLetterCase)
{
    ASSERT_TRUE(store.SaveSetting("Window Settings", "Left", "10"));
    EXPECT_EQ(store.GetSetting("WINDOW settings", "LEFT"), "10");
    ASSERT_TRUE(store.SaveSetting("window settings", "left", "20"));
    EXPECT_EQ(store.GetAllSettings("Window Settings"),
              (QList<QPair<QString, QString>>{{"Left", "20"}}));
}

TEST_F(CRegSettingsTest, DeleteSettingCases)
{
    EXPECT_FALSE(store.DeleteSetting("Nope", "Key"));
    EXPECT_FALSE(store.DeleteSetting("Nope"));
    ASSERT_TRUE(store.SaveSetting("S", "K", "v"));
    EXPECT_FALSE(store.DeleteSetting("S", "Other"));
    EXPECT_TRUE(store.DeleteSetting("S", "K"));
    EXPECT_FALSE(store.DeleteSetting("S", "K"));

    ASSERT_TRUE(store.SaveSetting("Presets\\One\\Search Folders", "a", "1"));
    EXPECT_FALSE(store.DeleteSetting("Presets\\One")); // still has a sub-key
    EXPECT_EQ(store.GetSetting("Presets\\One\\Search Folders", "a"), "1");
    EXPECT_TRUE(store.DeleteSetting("Presets\\One\\Search Folders"));
    EXPECT_TRUE(store.DeleteSetting("Presets\\One"));
    EXPECT_EQ(store.GetSetting("Presets\\One\\Search Folders", "a", "gone"), "gone");

    // An empty section names nothing: the application key and its values stay.
    ASSERT_TRUE(store.SaveSetting("", "Top", "level"));
    EXPECT_FALSE(store.DeleteSetting(""));
    EXPECT_EQ(store.GetSetting("", "Top"), "level");
}

TEST_F(CRegSettingsTest, GetAllSettingsKeepsStoredOrder)
{
    EXPECT_TRUE(store.GetAllSettings("Nope").isEmpty());
    store.SaveSetting("Recent Files", "3", "c");
    store.SaveSetting("Recent Files", "1", "a");
    setRaw("Recent Files", "n", REG_DWORD, QByteArray(4, '\0'));
    store.SaveSetting("Recent Files", "2", "");
    const QList<QPair<QString, QString>> expected{{"3", "c"}, {"1", "a"}, {"2", ""}};
    EXPECT_EQ(store.GetAllSettings("Recent Files"), expected);
}

// Texts and names that the file format must carry exactly.
struct TextCase {
    const char* label;
    QString section;
    QString key;
    QString text;
};

class TextRoundTrip : public CRegSettingsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextRoundTrip, ComesBackExactlyAfterAFreshRead)
{
    const TextCase& c = GetParam();
    ASSERT_TRUE(store.SaveSetting(c.section, c.key, c.text));
    EXPECT_EQ(store.GetSetting(c.section, c.key), c.text);
    // Through the file, not only through memory: a copy of the file in a new home reads the
    // same.
    const QByteArray file = readFile(hive);
    TempHome other;
    writeFile(RegHiveFilePath(HKEY_CURRENT_USER), file);
    EXPECT_EQ(CRegSettings::forProgram().GetSetting(c.section, c.key), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextRoundTrip,
    ::testing::Values(
        TextCase{"line_breaks", "S", "k", "one\ntwo\r\nthree\n"},
        TextCase{"tabs", "S", "k", "\ta\tb\t"}, TextCase{"quotes", "S", "k", "\"quoted\" and \"\""},
        TextCase{"backslashes", "S", "k", "C:\\dir\\ \\\\server\\share\\"},
        TextCase{"non_ascii", "S", "k", QString::fromUtf8("Grüße, 東京, ümlaut €, 😀")},
        TextCase{"blanks", "S", "k", "  padded  "},
        TextCase{"long", "S", "k", QString(64 * 1024, u'x') + u"\n" + QString(100, u'é')},
        TextCase{"section_with_spaces_and_dots", "My Section v1.2\\Sub. Key ", "k", "v"},
        TextCase{"key_with_quotes", "S", "say \"hi\" \\ there", "v"},
        TextCase{"brackets", "[Section]", "k", "[value]"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CRegSettingsTest, HandEditedHiveIsReadAsEdited)
{
    ASSERT_TRUE(store.SaveSetting("Options", "Flag", "1"));
    QByteArray text = readFile(hive);
    text.replace("\"Flag\"=\"1\"", "\"Flag\"=\"0\"\r\n\"Added\"=\"by hand\"");
    text += "[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\New Section]\r\n"
            "\"Path\"=\"C:\\\\Users\"\r\n";
    writeFile(hive, text); // rewritten in place: same inode, new size and time
    EXPECT_EQ(store.GetSetting("Options", "Flag"), "0");
    EXPECT_EQ(store.GetSetting("Options", "Added"), "by hand");
    EXPECT_EQ(store.GetSetting("New Section", "Path"), "C:\\Users");
}

// A truncated, garbled or foreign file: read what can be read, keep the original aside.
struct DamagedCase {
    const char* label;
    QByteArray text;
    bool flagSurvives;
};

class DamagedHive : public CRegSettingsTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedHive, ReadsWhatItCanAndKeepsTheOriginal)
{
    writeFile(hive, GetParam().text);
    EXPECT_EQ(store.GetSetting("Options", "Flag", "dflt"), GetParam().flagSurvives ? "1" : "dflt");
    ASSERT_TRUE(store.SaveSetting("Options", "Other", "x"));
    EXPECT_EQ(readFile(hive + ".bad"), GetParam().text);
    EXPECT_EQ(store.GetSetting("Options", "Flag", "dflt"), GetParam().flagSurvives ? "1" : "dflt");
    EXPECT_EQ(store.GetSetting("Options", "Other"), "x");
}

const QByteArray kGoodStart = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Willow "
                              "Brookes\\Kestrelfind\\Options]\n\"Flag\"=\"1\"\n";

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedHive,
    ::testing::Values(DamagedCase{"truncated", kGoodStart + "\"Cut\"=\"half", true},
                      DamagedCase{"garbled", kGoodStart + "\x01\x02\xff garbage \"=\n", true},
                      DamagedCase{"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false},
                      DamagedCase{"ini_file", "[Options]\nFlag=1\n", false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CRegSettingsTest, UnwritableConfigFolderFailsTheWriteAndKeepsReading)
{
    ASSERT_TRUE(store.SaveSetting("Options", "Flag", "1"));
    const QByteArray before = readFile(hive);
    const QString dir = QFileInfo(hive).path();
    // Root ignores permissions; a plain file in the folder's place stops every write.
    ASSERT_TRUE(QDir().rename(dir, dir + ".saved"));
    writeFile(dir, "in the way");
    EXPECT_FALSE(store.SaveSetting("Options", "Flag", "2"));
    EXPECT_FALSE(store.SaveSetting("New", "Key", "v"));
    EXPECT_EQ(store.GetSetting("Options", "Flag", "dflt"), "dflt"); // no file to read here
    ASSERT_TRUE(QFile::remove(dir));
    ASSERT_TRUE(QDir().rename(dir + ".saved", dir));
    EXPECT_EQ(readFile(hive), before);
    EXPECT_EQ(store.GetSetting("Options", "Flag"), "1");
}

TEST_F(CRegSettingsTest, ReadOnlyHiveFolderFailsTheWriteAndKeepsReading)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    ASSERT_TRUE(store.SaveSetting("Options", "Flag", "1"));
    const QByteArray before = readFile(hive);
    const QString dir = QFileInfo(hive).path();
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(store.SaveSetting("Options", "Flag", "2"));
    EXPECT_EQ(store.GetSetting("Options", "Flag"), "1");
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readFile(hive), before);
}

TEST_F(CRegSettingsTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kWrites = 500;
    ASSERT_TRUE(store.SaveSetting("Race", "start", "1"));
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
    const auto all = store.GetAllSettings("Race");
    EXPECT_EQ(all.size(), 1 + 2 * kWrites);
    for (int i = 0; i < kWrites; ++i) {
        ASSERT_EQ(store.GetSetting("Race", "child" + QString::number(i)), QString::number(i));
        ASSERT_EQ(store.GetSetting("Race", "parent" + QString::number(i)), QString::number(i));
    }
    EXPECT_FALSE(QFileInfo::exists(hive + ".bad"));
}

} // namespace
