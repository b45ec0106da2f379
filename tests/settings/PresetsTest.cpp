#include "settings/Presets.h"

#include "HiveText.h"
#include "TempHome.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

SearchScope sampleScope(int folders)
{
    SearchScope scope;
    scope.boxes = {0, 0, 1, 1, 0, 1, 0, 0};
    scope.fileType = 4;
    scope.customFilter = QStringLiteral("*.txt");
    scope.altFolders.clear();
    for (int i = 0; i < folders; ++i)
        scope.altFolders.append({QStringLiteral("/data/f%1").arg(i), i % 2 == 0});
    return scope;
}

class PresetsTest : public ::testing::Test {
protected:
    TempHome home;
    CRegSettings store = CRegSettings::forProgram();
    Presets presets;
};

TEST_F(PresetsTest, SaveListLoadRoundTrip)
{
    EXPECT_TRUE(presets.list().isEmpty());
    ASSERT_TRUE(presets.save("Work", sampleScope(3)));
    ASSERT_TRUE(presets.save("Home", sampleScope(0)));
    EXPECT_EQ(presets.list(), (QStringList{"Home", "Work"})); // the store's name order
    EXPECT_EQ(presets.load("Work"), sampleScope(3));
    EXPECT_EQ(presets.load("Home"), sampleScope(0));
    EXPECT_TRUE(presets.load("Home").altFolders.isEmpty());
    EXPECT_EQ(HiveText::values("Presets\\Home\\Alt Folders"), QStringList{"\"Number\"=\"0\""});
}

TEST_F(PresetsTest, SectionsAreWrittenInTheStoredOrderAndThePresetKeyHoldsNoValues)
{
    ASSERT_TRUE(presets.save("P", sampleScope(1)));
    EXPECT_TRUE(HiveText::hasKey("Presets\\P"));
    EXPECT_TRUE(HiveText::values("Presets\\P").isEmpty());
    EXPECT_EQ(
        HiveText::values("Presets\\P\\Search Folders"),
        (QStringList{"\"Desktop\"=\"0\"", "\"Start Menu Programs\"=\"0\"", "\"Favorites\"=\"1\"",
                     "\"My Documents\"=\"1\"", "\"Send To\"=\"0\"", "\"App Data\"=\"1\"",
                     "\"Internet Cache\"=\"0\"", "\"Recent Docs\"=\"0\""}));
    EXPECT_EQ(HiveText::values("Presets\\P\\Alt Folders"),
              (QStringList{"\"Number\"=\"1\"", "\"Folder0\"=\"/data/f0|1\""}));
}

TEST_F(PresetsTest, SavingOverALongerListLeavesOnlyTheNewFolders)
{
    ASSERT_TRUE(presets.save("Work", sampleScope(5)));
    ASSERT_TRUE(presets.save("Work", sampleScope(2)));
    EXPECT_EQ(HiveText::values("Presets\\Work\\Alt Folders"),
              (QStringList{"\"Number\"=\"2\"", "\"Folder0\"=\"/data/f0|1\"",
                           "\"Folder1\"=\"/data/f1|0\""}));
    EXPECT_EQ(presets.load("Work"), sampleScope(2));
}

TEST_F(PresetsTest, MissingSectionsGiveTheFirstStartScope)
{
    ASSERT_TRUE(store.SaveSetting("Presets\\Bare\\Search Filter", "Custom Filter", "*.x"));
    SearchScope expected;
    expected.customFilter = QStringLiteral("*.x");
    EXPECT_EQ(presets.load("Bare"), expected);
    EXPECT_EQ(presets.load("Never Saved"), SearchScope{});
    EXPECT_EQ(presets.load("Never Saved").altFolders, QList<AltFolder>{AltFolder{}});
}

TEST_F(PresetsTest, OutOfRangeValuesKeepTheDefaults)
{
    const QString p = Presets::sectionPrefix("Odd");
    ASSERT_TRUE(store.SaveSetting(p + "Search Folders", "Desktop", "7"));
    ASSERT_TRUE(store.SaveSetting(p + "Search Folders", "Favorites", "0"));
    ASSERT_TRUE(store.SaveSetting(p + "Search Filter", "Filetype", "12"));
    ASSERT_TRUE(store.SaveSetting(p + "Alt Folders", "Number", "100000"));
    ASSERT_TRUE(store.SaveSetting(p + "Alt Folders", "Folder0", "/a|1"));
    ASSERT_TRUE(store.SaveSetting(p + "Alt Folders", "Folder1", "D:\\Data1"));
    SearchScope scope = presets.load("Odd");
    EXPECT_EQ(scope.boxes[0], 1);
    EXPECT_EQ(scope.boxes[2], 0);
    EXPECT_EQ(scope.fileType, 0);
    EXPECT_EQ(scope.altFolders, (QList<AltFolder>{{"/a", true}, {"D:\\Data1", true}}));

    ASSERT_TRUE(store.SaveSetting(p + "Alt Folders", "Number", "abc"));
    EXPECT_TRUE(presets.load("Odd").altFolders.isEmpty());
}

TEST_F(PresetsTest, NamesDifferingInCaseAreOnePreset)
{
    ASSERT_TRUE(presets.save("Work", sampleScope(1)));
    ASSERT_TRUE(presets.save("work", sampleScope(2)));
    EXPECT_EQ(presets.list(), QStringList{"Work"}); // the spelling it was created with
    EXPECT_EQ(presets.load("WORK"), sampleScope(2));
    EXPECT_EQ(Presets::indexOfName({"Home", "Work"}, "work"), 1);
    EXPECT_EQ(Presets::indexOfName({"Home", "Work"}, "Wor"), -1);
    EXPECT_EQ(Presets::indexOfName({"Ärger"}, "ärger"), 0);
    EXPECT_TRUE(presets.remove("wORK"));
    EXPECT_TRUE(presets.list().isEmpty());
}

TEST_F(PresetsTest, RemoveDeletesEveryKey)
{
    ASSERT_TRUE(presets.save("Keep", sampleScope(1)));
    ASSERT_TRUE(presets.save("Drop", sampleScope(3)));
    EXPECT_TRUE(presets.remove("Drop"));
    const QString text = HiveText::file();
    EXPECT_FALSE(text.contains("Drop")) << text.toStdString();
    EXPECT_EQ(presets.list(), QStringList{"Keep"});
    EXPECT_EQ(presets.load("Keep"), sampleScope(1));
    EXPECT_TRUE(presets.remove("Keep"));
    EXPECT_TRUE(presets.list().isEmpty());
    EXPECT_TRUE(presets.remove("Keep")); // nothing of that name remains
}

TEST_F(PresetsTest, RemoveAlsoTakesStrayKeysBelowThePreset)
{
    ASSERT_TRUE(presets.save("Messy", sampleScope(1)));
    ASSERT_TRUE(store.SaveSetting("Presets\\Messy\\Search Folders\\Extra", "x", "1"));
    ASSERT_TRUE(store.SaveSetting("Presets\\Messy\\Other", "y", "2"));
    EXPECT_TRUE(presets.remove("Messy"));
    EXPECT_FALSE(HiveText::file().contains("Messy"));
}

TEST_F(PresetsTest, RefusedNamesWriteNothing)
{
    ASSERT_TRUE(presets.save("Keep", sampleScope(1)));
    for (const QString& name :
         {QString(), QStringLiteral("a\\b"), QStringLiteral("two\nlines"), QString(300, u'x')}) {
        EXPECT_FALSE(presets.save(name, sampleScope(1)));
        EXPECT_FALSE(presets.remove(name));
        EXPECT_EQ(presets.load(name), SearchScope{});
    }
    EXPECT_EQ(presets.list(), QStringList{"Keep"});
    EXPECT_FALSE(HiveText::file().contains("lines"));
}

TEST_F(PresetsTest, LongAndNonAsciiNamesWithinTheLimitWork)
{
    const QString longest(Presets::MaxNameLength, u'n');
    const QString unicode = QStringLiteral("Grüße 日本 \"q\" [x] é");
    ASSERT_TRUE(presets.save(longest, sampleScope(1)));
    ASSERT_TRUE(presets.save(unicode, sampleScope(2)));
    const QStringList names = presets.list();
    EXPECT_EQ(names.size(), 2);
    EXPECT_GE(Presets::indexOfName(names, longest), 0);
    EXPECT_GE(Presets::indexOfName(names, unicode), 0);
    EXPECT_EQ(presets.load(unicode), sampleScope(2));
    EXPECT_EQ(Presets(CRegSettings::forProgram()).load(longest), sampleScope(1));
}

struct NameCase {
    const char* name;
    Presets::NameProblem problem;
};

class PresetNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PresetNameTest, ChecksAndExplains)
{
    const NameCase& c = GetParam();
    const QString name = Presets::normalizeName(QString::fromUtf8(c.name));
    EXPECT_EQ(Presets::checkName(name), c.problem) << c.name;
    EXPECT_EQ(Presets::problemText(c.problem).isEmpty(), c.problem == Presets::NameProblem::None);
}

INSTANTIATE_TEST_SUITE_P(Names, PresetNameTest,
                         ::testing::Values(NameCase{"Work", Presets::NameProblem::None},
                                           NameCase{"  Work  ", Presets::NameProblem::None},
                                           NameCase{"", Presets::NameProblem::Empty},
                                           NameCase{"   ", Presets::NameProblem::Empty},
                                           NameCase{"a\\b", Presets::NameProblem::Backslash},
                                           NameCase{"\\", Presets::NameProblem::Backslash},
                                           NameCase{"a\tb", Presets::NameProblem::ControlCharacter},
                                           NameCase{"a\r\nb",
                                                    Presets::NameProblem::ControlCharacter},
                                           NameCase{"a/b", Presets::NameProblem::None},
                                           NameCase{"日本語", Presets::NameProblem::None}));

TEST(PresetNames, NormalizeDropsBlanksAtTheEndsOnly)
{
    EXPECT_EQ(Presets::normalizeName("  My  Work "), QStringLiteral("My  Work"));
    EXPECT_EQ(Presets::checkName(QString(Presets::MaxNameLength, u'x')),
              Presets::NameProblem::None);
    EXPECT_EQ(Presets::checkName(QString(Presets::MaxNameLength + 1, u'x')),
              Presets::NameProblem::TooLong);
    EXPECT_EQ(Presets::checkName(QString(300, u'é')), Presets::NameProblem::TooLong);
    EXPECT_TRUE(Presets::problemText(Presets::NameProblem::TooLong).contains("254"));
}

TEST_F(PresetsTest, SaveReportsASettingsFileThatCannotBeWritten)
{
    ASSERT_TRUE(presets.save("Before", sampleScope(1)));
    const QString file = RegHiveFilePath(HKEY_CURRENT_USER);
    const QString folder = QFileInfo(file).path();
    const QString aside = folder + QStringLiteral(".aside");
    ASSERT_TRUE(QDir().rename(folder, aside));
    home.write(QDir(home.home()).relativeFilePath(folder), "not a folder");
    EXPECT_FALSE(presets.save("After", sampleScope(2)));
    EXPECT_TRUE(presets.list().isEmpty() || presets.list() == QStringList{"Before"});
    // The old file is untouched.
    QFile::remove(folder);
    ASSERT_TRUE(QDir().rename(aside, folder));
    EXPECT_EQ(presets.list(), QStringList{"Before"});
}

} // namespace
