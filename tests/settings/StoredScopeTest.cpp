#include "settings/Presets.h"
#include "settings/SearchScope.h"
#include "settings/clsRegistry.h"

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
    const SearchScope scope = loadScope(store, QString());
    EXPECT_EQ(scope.boxes, (std::array<int, FolderBoxCount>{1, 1, 0, 2, 0, 0, 0, 1}));
    EXPECT_EQ(scope.fileType, 0);
    EXPECT_TRUE(scope.altFolders.isEmpty());
}

// One edited line made the list two thousand million entries long. A huge Number stops at the
// folders stored, and the gap before them is not filled with empty entries.
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

const QString kBase = kAppKey + u'\\';

class clsRegistryTest : public StoreTest {
protected:
    /// Makes a key (and its parents) below the application key.
    static void make(const QString& path) { RegCloseKey(createKey(kBase + path)); }

    clsRegistry reg;
};

// Across the listing's growth steps, for each count a fresh key.
TEST_F(clsRegistryTest, ListsEveryKeyAndValueAcrossGrowthSteps)
{
    for (const int count : {0, 200, 201}) {
        SCOPED_TRACE(count);
        const QString many = "Many" + QString::number(count);
        make(many);
        {
            RegistryBatch batch;
            for (int i = 0; i < count; ++i) {
                make(many + QStringLiteral("\\k%1").arg(i, 4, 10, QChar(u'0')));
                setRaw(many, QStringLiteral("v%1").arg(i), REG_SZ, QByteArray(1, '\0'));
            }
        }
        QStringList keys{"stale"}, values{"stale"};
        EXPECT_EQ(reg.EnumKeys(keys, kBase + many, HKEY_CURRENT_USER), count);
        EXPECT_EQ(reg.EnumValues(values, kBase + many, HKEY_CURRENT_USER), count);
        ASSERT_EQ(keys.size(), count);
        ASSERT_EQ(values.size(), count);
        if (count > 0) {
            EXPECT_EQ(keys.back(), QStringLiteral("k%1").arg(count - 1, 4, 10, QChar(u'0')));
        }
    }
}

TEST_F(clsRegistryTest, A255CharacterNameEndsTheListingAndGrandchildrenAreNotListed)
{
    make("Long\\a\\grandchild");
    make("Long\\b" + QString(254, u'x')); // 255 characters do not fit with their NUL
    make("Long\\c");
    QStringList names;
    EXPECT_EQ(reg.EnumKeys(names, kBase + "Long", HKEY_CURRENT_USER), 1);
    EXPECT_EQ(names, QStringList({"a"}));
    // "Long" cannot go; asking for the same undeletable child again would never end.
    EXPECT_FALSE(reg.DeleteKey(kBase, QString(), HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "Long", HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, DeleteKeyRemovesAWholeTreeDepthFirstButASubKeyOnlyAsALeaf)
{
    make("Tree\\a\\b\\c");
    make("Tree\\a\\b2");
    setRaw("Tree\\a\\b\\c", "v", REG_SZ, QByteArray("x", 2));
    make("Keep");
    EXPECT_TRUE(reg.DeleteKey(kBase + "Tree\\", QString(), HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.KeyExists(kBase + "tree", HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "Keep", HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.DeleteKey(kBase + "Tree", QString(), HKEY_CURRENT_USER));

    make("P\\leaf");
    make("P\\branch\\twig");
    EXPECT_FALSE(reg.DeleteKey(kBase + "P", "branch", HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "P\\branch\\twig", HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.DeleteKey(kBase + "P", "leaf", HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.KeyExists(kBase + "P\\leaf", HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, LoadValueTypesByRegistryTypeAndFallsBackToTheDefault)
{
    setRaw("L", "empty", REG_SZ, QByteArray(1, '\0'));
    setRaw("L", "zero", REG_SZ, QByteArray());
    setRaw("L", "dword", REG_DWORD, QByteArray("\xff\xff\xff\xff", 4));
    setRaw("L", "long_other", 11, QByteArray(8, '\x01'));
    const QVariant dflt = QStringLiteral("dflt");
    auto load = [&](const QString& name) {
        return reg.LoadValue(kBase + "L", name, dflt, HKEY_CURRENT_USER);
    };
    EXPECT_EQ(load("empty"), QVariant(QString()));
    EXPECT_EQ(load("zero"), dflt);
    EXPECT_EQ(load("dword"), QVariant(qint32(-1)));
    EXPECT_EQ(load("long_other"), dflt);
    EXPECT_EQ(load("missing"), dflt);
    EXPECT_FALSE(reg.LoadValue(kBase + "Nope", "v", {}, HKEY_CURRENT_USER).isValid());
}

TEST_F(clsRegistryTest, SaveValueReportsTrueOnFailureOnlyAndNormalisesThePath)
{
    EXPECT_FALSE(
        reg.SaveValue("\\" + kBase + "New\\Key", "t", QStringLiteral("x"), HKEY_CURRENT_USER));
    EXPECT_EQ(reg.LoadValue(kBase + "New\\Key", "t", {}, HKEY_CURRENT_USER),
              QVariant(QStringLiteral("x")));
    EXPECT_FALSE(reg.SaveValue(kBase + "N", "d", 0x12345678, HKEY_CURRENT_USER, true));
    EXPECT_EQ(reg.LoadValue(kBase + "N", "d", {}, HKEY_CURRENT_USER), QVariant(0x12345678));
    EXPECT_FALSE(reg.SaveValue(kBase + "N", "b", 0x01020304, HKEY_CURRENT_USER, false));
    EXPECT_EQ(reg.LoadValue(kBase + "N", "b", {}, HKEY_CURRENT_USER),
              QVariant(QByteArray("\x04\x03\x02\x01", 4)));
    // What is no 32-bit number cannot be saved as one.
    EXPECT_TRUE(reg.SaveValue(kBase + "N", "x", qlonglong(1) << 40, HKEY_CURRENT_USER, true));
    EXPECT_TRUE(reg.SaveValue(kBase + "N", "x", QVariant(), HKEY_CURRENT_USER, true));

    BlockedConfigFolder blocked;
    EXPECT_TRUE(reg.SaveValue(kBase + "N", "t", QStringLiteral("x"), HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, WithoutARootKeyNothingHappens)
{
    make("Z\\child");
    setRaw("Z", "v", REG_SZ, QByteArray("x", 2));
    const QString path = kBase + "Z";
    EXPECT_FALSE(reg.KeyExists(kBase + "Nope", HKEY_CURRENT_USER));
    QStringList names{"stale"};
    EXPECT_EQ(reg.EnumKeys(names, path), 0);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(reg.DeleteKey(path));
    EXPECT_FALSE(reg.DeleteValue(path, "v"));
    EXPECT_EQ(reg.LoadValue(path, "v", 5), QVariant(5));
    EXPECT_TRUE(reg.SaveValue(path, "w", QStringLiteral("x")));
    EXPECT_FALSE(reg.KeyExists(path));
    // All of it still there, nothing added.
    EXPECT_TRUE(reg.KeyExists(path + "\\child", HKEY_CURRENT_USER));
    EXPECT_EQ(reg.LoadValue(path, "v", {}, HKEY_CURRENT_USER), QVariant(QStringLiteral("x")));
    EXPECT_FALSE(reg.LoadValue(path, "w", {}, HKEY_CURRENT_USER).isValid());
}

} // namespace
