#include "settings/Presets.h"
#include "settings/SearchScope.h"

#include "StoreFixture.h"

#include <gtest/gtest.h>

using namespace StoreFixture;

namespace {

TEST(AltFolderSuffix, DropsAPipeSuffixAndTicksByTheLastCharacter)
{
    const struct {
        const char* stored;
        const char* path;
        bool ticked;
    } cases[] = {{"/home/u/Data|1", "/home/u/Data", true},
                 {"/home/u/Data|0", "/home/u/Data", false},
                 {"D:\\Data1", "D:\\Data1", true}, // no suffix: whole, ticked by the last
                 {"D:\\Data", "D:\\Data", false},
                 {"", "", false},
                 {"x|1|0", "x|1", false},
                 {"a|2", "a|2", false},
                 {"/tmp/Grüße\n|1", "/tmp/Grüße\n", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const AltFolder folder = decodeAltFolder(QString::fromUtf8(c.stored));
        EXPECT_EQ(folder, (AltFolder{QString::fromUtf8(c.path), c.ticked}));
        EXPECT_EQ(decodeAltFolder(encodeAltFolder(folder)), folder);
    }
}

SearchScope sampleScope(int folders)
{
    SearchScope scope;
    scope.boxes = {0, 0, 1, 1, 0, 1, 2, 0};
    scope.fileType = 4;
    scope.customFilter = QStringLiteral("*.\"q\"\\x");
    scope.altFolders.clear();
    for (int i = 0; i < folders; ++i)
        scope.altFolders.append({QStringLiteral("/data/f%1").arg(i), i % 2 == 0});
    return scope;
}

using StoredScopeTest = StoreTest;

TEST_F(StoredScopeTest, OutOfRangeAndMalformedValuesKeepTheDefaults)
{
    put("Search Folders", "Desktop", "7");
    put("Search Folders", "Start Menu Programs", "abc");
    put("Search Folders", "Favorites", "0");
    put("Search Folders", "My Documents", "2"); // a grey tick is a valid box value
    put("Search Filter", "Filetype", "12");
    put("Alt Folders", "Number", "abc");
    put("Alt Folders", "Folder0", "/ignored|1");
    SearchScope scope = loadScope(store, QString());
    EXPECT_EQ(scope.boxes, (std::array<int, FolderBoxCount>{1, 1, 0, 2, 0, 0, 0, 1}));
    EXPECT_EQ(scope.fileType, 0);
    EXPECT_TRUE(scope.altFolders.isEmpty());

    // A huge Number stops at the folders stored; gaps are not filled with empty entries.
    put("Alt Folders", "Number", "100000");
    put("Alt Folders", "Folder2", "D:\\Data1");
    EXPECT_EQ(loadScope(store, QString()).altFolders,
              (QList<AltFolder>{{"/ignored", true}, {"D:\\Data1", true}}));
}

// One edited line made the list two thousand million entries long.
TEST_F(StoredScopeTest, AHugeNumberWithAFarFolderReadsOnlyTheFolderStored)
{
    for (const QString& prefix : {QString(), Presets::sectionPrefix("P")}) {
        const QByteArray section = (kAppKey + u'\\' + prefix + u"Alt Folders").toUtf8();
        const QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + section +
                                "]\n\"Number\"=\"2147483647\"\n\"Folder2147483646\"=\"/far|1\"\n";
        ASSERT_TRUE(writeFile(hivePath(), text));
        const SearchScope scope = prefix.isEmpty() ? loadScope(store, prefix) : Presets().load("P");
        EXPECT_EQ(scope.altFolders, QList<AltFolder>{(AltFolder{"/far", true})});
        EXPECT_EQ(scope.droppedAltFolders, 0);
        ASSERT_TRUE(saveScope(store, prefix, scope));
        EXPECT_EQ(store.GetSetting(prefix + "Alt Folders", "Number"), "1");
        EXPECT_EQ(store.GetAllSettings(prefix + "Alt Folders").size(), 2);
    }
}

TEST_F(StoredScopeTest, TheFolderListIsBoundedAndSaysHowManyWereLeftOut)
{
    const int stored = MaxAltFolders + 250;
    {
        RegistryBatch batch;
        put("Alt Folders", "Number", QString::number(stored + 5));
        for (int i = stored - 1; i >= 0; --i) // stored backwards: the index decides the order
            put("Alt Folders", "Folder" + QString::number(i), "/f" + QString::number(i) + "|0");
    }
    const SearchScope scope = loadScope(store, QString());
    ASSERT_EQ(scope.altFolders.size(), MaxAltFolders);
    EXPECT_EQ(scope.altFolders.front(), (AltFolder{"/f0", false}));
    EXPECT_EQ(scope.altFolders.back().path, "/f" + QString::number(MaxAltFolders - 1));
    EXPECT_EQ(scope.droppedAltFolders, 250);
    SearchScope same = scope;
    same.droppedAltFolders = 0; // what was left out while loading is no part of the scope
    EXPECT_EQ(same, scope);
}

TEST_F(StoredScopeTest, SavingOverALongerListLeavesOnlyTheNewKeys)
{
    Presets presets;
    ASSERT_TRUE(presets.save("Work", sampleScope(5)));
    put("Presets\\Work\\Alt Folders\\Stray", "x", "y"); // keeps the section key from going
    ASSERT_TRUE(presets.save("Work", sampleScope(2)));
    EXPECT_EQ(store.GetAllSettings("Presets\\Work\\Alt Folders"),
              (QList<QPair<QString, QString>>{
                  {"Number", "2"}, {"Folder0", "/data/f0|1"}, {"Folder1", "/data/f1|0"}}));
    EXPECT_EQ(presets.load("Work"), sampleScope(2));
    EXPECT_EQ(loadScope(store, QString()), SearchScope{}); // the window's own is untouched
}

TEST_F(StoredScopeTest, PresetNamesIgnoreCaseAndRemoveDeletesEveryKey)
{
    Presets presets;
    ASSERT_TRUE(presets.save("Work", sampleScope(1)));
    ASSERT_TRUE(presets.save("work", sampleScope(3)));
    ASSERT_TRUE(presets.save("Keep", sampleScope(0)));
    EXPECT_EQ(presets.list(), (QStringList{"Keep", "Work"})); // first spelling kept
    EXPECT_EQ(presets.load("WORK"), sampleScope(3));
    EXPECT_EQ(Presets::indexOfName({"Home", "Ärger"}, "ärger"), 1);
    put("Presets\\Work\\Other", "y", "2");
    EXPECT_TRUE(presets.remove("wORK"));
    EXPECT_FALSE(QString::fromUtf8(readFile(hivePath())).contains("Work"));
    EXPECT_EQ(presets.list(), QStringList{"Keep"});
    EXPECT_EQ(presets.load("Keep"), sampleScope(0));
}

TEST_F(StoredScopeTest, LongAndNonAsciiNamesWithinTheLimitWorkAndOthersWriteNothing)
{
    Presets presets;
    const QString longest(Presets::MaxNameLength, u'n');
    const QString unicode = QStringLiteral("Grüße 日本 \"q\" [x]");
    ASSERT_TRUE(presets.save(longest, sampleScope(1)));
    ASSERT_TRUE(presets.save(unicode, sampleScope(2)));
    EXPECT_EQ(Presets().load(longest), sampleScope(1));
    EXPECT_EQ(Presets().load(unicode), sampleScope(2));
    for (const QString& bad :
         {QString(), QStringLiteral("a\\b"), QStringLiteral("two\nlines"), QString(300, u'x')}) {
        EXPECT_FALSE(presets.save(bad, sampleScope(1)));
        EXPECT_FALSE(presets.remove(bad));
    }
    EXPECT_EQ(presets.list().size(), 2);
}

} // namespace
