#include "settings/SearchScope.h"
#include "settings/CRegSettings.h"

#include "HiveText.h"
#include "TempHome.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct SuffixCase {
    const char* stored;
    const char* path;
    bool ticked;
};

class AltFolderSuffixTest : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(AltFolderSuffixTest, DropsTheSuffixAndTicksByTheLastCharacter)
{
    const SuffixCase& c = GetParam();
    const AltFolder folder = decodeAltFolder(QString::fromUtf8(c.stored));
    EXPECT_EQ(folder.path, QString::fromUtf8(c.path)) << c.stored;
    EXPECT_EQ(folder.ticked, c.ticked) << c.stored;
}

INSTANTIATE_TEST_SUITE_P(
    Stored, AltFolderSuffixTest,
    ::testing::Values(SuffixCase{"/home/u/Data|1", "/home/u/Data", true},
                      SuffixCase{"/home/u/Data|0", "/home/u/Data", false},
                      SuffixCase{"D:\\Data1", "D:\\Data1", true}, // no suffix: whole, ticked
                      SuffixCase{"D:\\Data", "D:\\Data", false}, SuffixCase{"", "", false},
                      SuffixCase{"|1", "", true}, SuffixCase{"|0", "", false},
                      SuffixCase{"x|1|0", "x|1", false}, SuffixCase{"a|", "a|", false},
                      SuffixCase{"a|2", "a|2", false},
                      SuffixCase{"/tmp/Grüße|1", "/tmp/Grüße", true}));

TEST(AltFolderCoding, EncodesRoundTrip)
{
    for (const AltFolder& f :
         {AltFolder{QStringLiteral("/a"), true}, AltFolder{QStringLiteral("/a"), false},
          AltFolder{QStringLiteral("/x|1"), false}, AltFolder{QStringLiteral("/y1"), false},
          AltFolder{QString(), false}, AltFolder{QStringLiteral("/line\nbreak"), true}}) {
        EXPECT_EQ(decodeAltFolder(encodeAltFolder(f)), f) << f.path.toStdString();
    }
    EXPECT_EQ(encodeAltFolder({QStringLiteral("/a"), true}), QStringLiteral("/a|1"));
    EXPECT_EQ(encodeAltFolder({QStringLiteral("/a"), false}), QStringLiteral("/a|0"));
}

class StoredScopeTest : public ::testing::Test {
protected:
    TempHome home;
    CRegSettings store = CRegSettings::forProgram();

    void put(const QString& section, const QString& key, const QString& value)
    {
        ASSERT_TRUE(store.SaveSetting(section, key, value));
    }
};

TEST_F(StoredScopeTest, NothingStoredGivesTheFirstStartScope)
{
    const SearchScope scope = loadScope(store, QString());
    EXPECT_EQ(scope, SearchScope{});
    ASSERT_EQ(scope.altFolders.size(), 1);
    EXPECT_EQ(scope.altFolders[0], AltFolder{});
}

TEST_F(StoredScopeTest, OutOfRangeAndMalformedValuesKeepTheDefaults)
{
    put("Search Folders", "Desktop", "7");
    put("Search Folders", "Start Menu Programs", "abc");
    put("Search Folders", "Favorites", "0");
    put("Search Folders", "My Documents", "2"); // a grey tick is a valid box value
    put("Search Folders", "Send To", "-1");
    put("Search Folders", "Recent Docs", " 0 ");
    put("Search Filter", "Filetype", "12");
    put("Search Filter", "Custom Filter", "*.txt;*.doc");
    put("Alt Folders", "Number", "abc");
    put("Alt Folders", "Folder0", "/kept|1");

    const SearchScope scope = loadScope(store, QString());
    const std::array<int, FolderBoxCount> boxes{1, 1, 0, 2, 0, 0, 0, 0};
    EXPECT_EQ(scope.boxes, boxes);
    EXPECT_EQ(scope.fileType, 0);
    EXPECT_EQ(scope.customFilter, QStringLiteral("*.txt;*.doc"));
    EXPECT_TRUE(scope.altFolders.isEmpty()); // malformed "Number" reads as 0
}

TEST_F(StoredScopeTest, HugeNumberStopsAtTheStoredFolders)
{
    put("Alt Folders", "Number", "100000");
    put("Alt Folders", "Folder0", "/one|1");
    put("Alt Folders", "Folder1", "/two|0");
    const SearchScope scope = loadScope(store, QString());
    const QList<AltFolder> expected{{"/one", true}, {"/two", false}};
    EXPECT_EQ(scope.altFolders, expected);
}

TEST_F(StoredScopeTest, NumberCountsEntriesAndGapsReadEmpty)
{
    put("Alt Folders", "Number", "3");
    put("Alt Folders", "Folder0", "/a|1");
    put("Alt Folders", "Folder2", "/c|0");
    put("Alt Folders", "Folder3", "/beyond|1"); // past "Number": not listed
    put("Alt Folders", "Folder01", "/odd|1");   // not a name the program writes
    QList<AltFolder> expected{{"/a", true}, {"", false}, {"/c", false}};
    EXPECT_EQ(loadScope(store, QString()).altFolders, expected);

    // Entries past the last stored folder would only be empty: the list ends there.
    put("Alt Folders", "Number", "2");
    EXPECT_EQ(loadScope(store, QString()).altFolders, (QList<AltFolder>{{"/a", true}}));

    put("Alt Folders", "Folder1", "/b|1");
    put("Alt Folders", "Number", "2.5"); // rounds half to even
    EXPECT_EQ(loadScope(store, QString()).altFolders,
              (QList<AltFolder>{{"/a", true}, {"/b", true}}));
    put("Alt Folders", "Number", "3.5");
    EXPECT_EQ(loadScope(store, QString()).altFolders,
              (QList<AltFolder>{{"/a", true}, {"/b", true}, {"/c", false}, {"/beyond", true}}));

    put("Alt Folders", "Number", "-3");
    EXPECT_TRUE(loadScope(store, QString()).altFolders.isEmpty());
    put("Alt Folders", "Number", "0");
    EXPECT_TRUE(loadScope(store, QString()).altFolders.isEmpty());
}

TEST_F(StoredScopeTest, NumberWithoutStoredFoldersKeepsOneEmptyEntry)
{
    put("Alt Folders", "Number", "5");
    EXPECT_EQ(loadScope(store, QString()).altFolders, QList<AltFolder>{AltFolder{}});
}

TEST_F(StoredScopeTest, SaveAndLoadRoundTripUnderAPrefix)
{
    SearchScope scope;
    scope.boxes = {0, 1, 0, 1, 1, 0, 2, 0};
    scope.fileType = 4;
    scope.customFilter = QStringLiteral("*.\"q\"\\x");
    scope.altFolders = {{"/srv/data", true}, {"/tmp/Grüße 日本", false}, {"", true}};
    const QString prefix = QStringLiteral("Presets\\Mine\\");
    ASSERT_TRUE(saveScope(store, prefix, scope));
    EXPECT_EQ(loadScope(store, prefix), scope);
    EXPECT_EQ(loadScope(store, QString()), SearchScope{}); // the window's own is untouched

    EXPECT_EQ(HiveText::values("Presets\\Mine\\Search Folders").size(), FolderBoxCount);
    EXPECT_EQ(HiveText::values("Presets\\Mine\\Search Filter"),
              (QStringList{"\"Filetype\"=\"4\"", "\"Custom Filter\"=\"*.\\\"q\\\"\\\\x\""}));
}

TEST_F(StoredScopeTest, EmptyListStoresNumberZero)
{
    SearchScope scope;
    scope.altFolders.clear();
    ASSERT_TRUE(saveScope(store, QString(), scope));
    EXPECT_EQ(HiveText::values("Alt Folders"), QStringList{"\"Number\"=\"0\""});
    EXPECT_TRUE(loadScope(store, QString()).altFolders.isEmpty());
}

TEST_F(StoredScopeTest, SavingAShorterListLeavesOnlyTheNewKeys)
{
    SearchScope scope;
    for (int i = 0; i < 5; ++i)
        scope.altFolders.append({QStringLiteral("/old%1").arg(i), true});
    ASSERT_TRUE(saveScope(store, QString(), scope));
    scope.altFolders = {{"/new0", false}, {"/new1", true}};
    ASSERT_TRUE(saveScope(store, QString(), scope));
    EXPECT_EQ(
        HiveText::values("Alt Folders"),
        (QStringList{"\"Number\"=\"2\"", "\"Folder0\"=\"/new0|0\"", "\"Folder1\"=\"/new1|1\""}));
}

TEST_F(StoredScopeTest, StaleFoldersGoEvenWhenTheSectionCannotBeRemoved)
{
    put("Alt Folders", "Folder7", "/stale|1");
    put("Alt Folders\\Stray", "x", "y"); // a sub-key keeps the section key from going
    SearchScope scope;
    scope.altFolders = {{"/only", true}};
    ASSERT_TRUE(saveScope(store, QString(), scope));
    EXPECT_EQ(HiveText::values("Alt Folders"),
              (QStringList{"\"Number\"=\"1\"", "\"Folder0\"=\"/only|1\""}));
}

TEST_F(StoredScopeTest, SaveReportsAFileThatCannotBeWritten)
{
    const QString folder = QFileInfo(RegHiveFilePath(HKEY_CURRENT_USER)).path();
    QDir(folder).removeRecursively();
    home.write(QDir(home.home()).relativeFilePath(folder), "not a folder");
    EXPECT_FALSE(saveScope(store, QString(), SearchScope{}));
    EXPECT_EQ(loadScope(store, QString()), SearchScope{});
}

} // namespace
