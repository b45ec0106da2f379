#include "settings/clsRegistry.h"

#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kBase = QStringLiteral("Software\\Willow Brookes\\Kestrelfind");

class clsRegistryTest : public ::testing::Test {
protected:
    /// Makes a key (and its parents) below the base key.
    void make(const QString& path)
    {
        HKEY key = 0;
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kBase + u'\\' + path, {}, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void setRaw(const QString& path, const QString& name, std::uint32_t type,
                const QByteArray& data)
    {
        make(path);
        HKEY key = 0;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kBase + u'\\' + path, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(key, name, type, data.constData(), std::uint32_t(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    TempHome home;
    clsRegistry reg;
};

TEST_F(clsRegistryTest, EnumKeysListsPresetsInNameOrder)
{
    QStringList names{"stale"};
    EXPECT_EQ(reg.EnumKeys(names, kBase + "\\Presets", HKEY_CURRENT_USER), 0);
    EXPECT_TRUE(names.isEmpty());
    make("Presets");
    names = {"stale"};
    EXPECT_EQ(reg.EnumKeys(names, kBase + "\\Presets", HKEY_CURRENT_USER), 0);
    EXPECT_TRUE(names.isEmpty());
    for (const char* name : {"work", "Home", "all.files v2", "Zeta"})
        make(QStringLiteral("Presets\\") + QLatin1String(name));
    make("Presets\\work\\Search Folders"); // grandchildren are not listed
    EXPECT_EQ(reg.EnumKeys(names, kBase + "\\Presets", HKEY_CURRENT_USER), 4);
    EXPECT_EQ(names, QStringList({"all.files v2", "Home", "work", "Zeta"}));
}

class EnumCount : public clsRegistryTest, public ::testing::WithParamInterface<int> {};

TEST_P(EnumCount, ListsEveryNameAcrossGrowthSteps)
{
    const int count = GetParam();
    {
        RegistryBatch batch;
        for (int i = 0; i < count; ++i) {
            make(QStringLiteral("Many\\k%1").arg(i, 4, 10, QChar(u'0')));
            setRaw("Many", QStringLiteral("v%1").arg(i), REG_SZ, QByteArray(1, '\0'));
        }
    }
    QStringList keys, values;
    EXPECT_EQ(reg.EnumKeys(keys, kBase + "\\Many", HKEY_CURRENT_USER), count);
    EXPECT_EQ(reg.EnumValues(values, kBase + "\\Many", HKEY_CURRENT_USER), count);
    ASSERT_EQ(keys.size(), count);
    ASSERT_EQ(values.size(), count);
    EXPECT_EQ(keys.back(), QStringLiteral("k%1").arg(count - 1, 4, 10, QChar(u'0')));
    EXPECT_EQ(values.back(), QStringLiteral("v%1").arg(count - 1));
}

INSTANTIATE_TEST_SUITE_P(Sizes, EnumCount, ::testing::Values(1, 199, 200, 201, 401));

TEST_F(clsRegistryTest, A255CharacterNameEndsTheListing)
{
    make("Long\\a");
    make("Long\\b" + QString(254, u'x')); // 255 characters: does not fit with its NUL
    make("Long\\c");
    make("Long\\" + QString(254, u'y')); // 254 characters fit
    QStringList names;
    EXPECT_EQ(reg.EnumKeys(names, kBase + "\\Long", HKEY_CURRENT_USER), 1);
    EXPECT_EQ(names, QStringList({"a"}));
}

TEST_F(clsRegistryTest, EnumValuesNamesTheDefaultValueEmpty)
{
    setRaw("V", "second", REG_SZ, QByteArray("2", 2));
    setRaw("V", "", REG_SZ, QByteArray("d", 2));
    QStringList names;
    EXPECT_EQ(reg.EnumValues(names, kBase + "\\V", HKEY_CURRENT_USER), 2);
    EXPECT_EQ(names, QStringList({"second", ""}));
}

TEST_F(clsRegistryTest, DeleteKeyRemovesAWholeTreeDepthFirst)
{
    make("Tree\\a\\b\\c");
    make("Tree\\a\\b2");
    setRaw("Tree\\a\\b\\c", "v", REG_SZ, QByteArray("x", 2));
    make("Keep");
    EXPECT_TRUE(reg.DeleteKey(kBase + "\\Tree\\", QString(), HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.KeyExists(kBase + "\\Tree", HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "\\Keep", HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.DeleteKey(kBase + "\\Tree", QString(), HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, DeleteKeyOfOneSubKeyNeedsItToBeALeaf)
{
    make("P\\leaf");
    make("P\\branch\\twig");
    EXPECT_FALSE(reg.DeleteKey(kBase + "\\P", "branch", HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "\\P\\branch\\twig", HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.DeleteKey(kBase + "\\P", "leaf", HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.KeyExists(kBase + "\\P\\leaf", HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, DeleteKeyStopsWhenAChildCannotBeListed)
{
    // A child whose name does not fit the listing buffer cannot be removed; the call must
    // give up rather than ask for the same child again and again.
    make("Stuck\\mid\\" + QString(255, u'n'));
    EXPECT_FALSE(reg.DeleteKey(kBase + "\\Stuck", QString(), HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "\\Stuck", HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, DeleteValue)
{
    setRaw("D", "v", REG_SZ, QByteArray("x", 2));
    EXPECT_TRUE(reg.DeleteValue(kBase + "\\D\\", "V", HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.DeleteValue(kBase + "\\D", "v", HKEY_CURRENT_USER));
    EXPECT_FALSE(reg.DeleteValue(kBase + "\\Nope", "v", HKEY_CURRENT_USER));
}

// LoadValue types each value by its registry type.
struct LoadCase {
    const char* label;
    std::uint32_t type;
    QByteArray data;
    QVariant expected; ///< invalid: the default comes back
};

class LoadValue : public clsRegistryTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadValue, TypedByRegistryType)
{
    setRaw("L", "v", GetParam().type, GetParam().data);
    const QVariant dflt = QStringLiteral("dflt");
    const QVariant got = reg.LoadValue(kBase + "\\L", "v", dflt, HKEY_CURRENT_USER);
    const QVariant expected = GetParam().expected.isValid() ? GetParam().expected : dflt;
    EXPECT_EQ(got.typeId(), expected.typeId());
    EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Types, LoadValue,
    ::testing::Values(
        LoadCase{"text", REG_SZ, QByteArray("abc", 4), QStringLiteral("abc")},
        LoadCase{"empty_text", REG_SZ, QByteArray(1, '\0'), QString()},
        LoadCase{"zero_byte_text", REG_SZ, QByteArray(), QVariant()},
        LoadCase{"dword", REG_DWORD, QByteArray("\x2a\0\0\0", 4), QVariant(qint32(42))},
        LoadCase{"dword_all_ones", REG_DWORD, QByteArray("\xff\xff\xff\xff", 4),
                 QVariant(qint32(-1))},
        LoadCase{"binary", REG_BINARY, QByteArray("\0\x01\xff", 3),
                 QVariant(QByteArray("\0\x01\xff", 3))},
        LoadCase{"empty_binary", REG_BINARY, QByteArray(), QVariant()},
        LoadCase{"short_other", 11, QByteArray("\x01\x02", 2), QVariant(qint32(0x0201))},
        LoadCase{"long_other", 11, QByteArray(8, '\x01'), QVariant()}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(clsRegistryTest, LoadValueFailuresGiveTheDefaultOrTheOmittedMarker)
{
    EXPECT_EQ(reg.LoadValue(kBase + "\\Nope", "v", 7, HKEY_CURRENT_USER), QVariant(7));
    EXPECT_FALSE(reg.LoadValue(kBase + "\\Nope", "v", {}, HKEY_CURRENT_USER).isValid());
    make("L");
    EXPECT_FALSE(reg.LoadValue(kBase + "\\L", "missing", {}, HKEY_CURRENT_USER).isValid());
}

TEST_F(clsRegistryTest, SaveValueReportsTrueOnFailureOnly)
{
    EXPECT_FALSE(
        reg.SaveValue("\\" + kBase + "\\New\\Key", "t", QStringLiteral("text"), HKEY_CURRENT_USER));
    EXPECT_TRUE(reg.KeyExists(kBase + "\\New\\Key", HKEY_CURRENT_USER));
    EXPECT_EQ(reg.LoadValue(kBase + "\\New\\Key", "t", {}, HKEY_CURRENT_USER),
              QVariant(QStringLiteral("text")));

    EXPECT_FALSE(reg.SaveValue(kBase + "\\N", "d", 0x12345678, HKEY_CURRENT_USER, true));
    EXPECT_EQ(reg.LoadValue(kBase + "\\N", "d", {}, HKEY_CURRENT_USER), QVariant(0x12345678));

    // A number saved as byte data: its four little-endian bytes.
    EXPECT_FALSE(reg.SaveValue(kBase + "\\N", "b", 0x01020304, HKEY_CURRENT_USER, false));
    EXPECT_EQ(reg.LoadValue(kBase + "\\N", "b", {}, HKEY_CURRENT_USER),
              QVariant(QByteArray("\x04\x03\x02\x01", 4)));

    // Byte data saves as itself.
    EXPECT_FALSE(reg.SaveValue(kBase + "\\N", "raw", QByteArray("\0z", 2), HKEY_CURRENT_USER));
    EXPECT_EQ(reg.LoadValue(kBase + "\\N", "raw", {}, HKEY_CURRENT_USER),
              QVariant(QByteArray("\0z", 2)));

    // What is no 32-bit number cannot be saved.
    EXPECT_TRUE(reg.SaveValue(kBase + "\\N", "x", QVariant(), HKEY_CURRENT_USER, true));
    EXPECT_TRUE(reg.SaveValue(kBase + "\\N", "x", qlonglong(1) << 40, HKEY_CURRENT_USER, true));
    EXPECT_TRUE(reg.SaveValue(kBase + "\\N", "x", QStringList{"a"}, HKEY_CURRENT_USER, true));
}

TEST_F(clsRegistryTest, SaveValueFailsWhenTheHiveCannotBeWritten)
{
    const QString dir = QFileInfo(RegHiveFilePath(HKEY_CURRENT_USER)).path();
    QDir().mkpath(QFileInfo(dir).path());
    QFile blocker(dir);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a plain file where the folder goes
    blocker.close();
    EXPECT_TRUE(reg.SaveValue(kBase, "t", QStringLiteral("x"), HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, KeyExistsTellsTheTruth)
{
    EXPECT_FALSE(reg.KeyExists(kBase + "\\Nope", HKEY_CURRENT_USER));
    make("Here");
    EXPECT_TRUE(reg.KeyExists(kBase + "\\here", HKEY_CURRENT_USER));
}

TEST_F(clsRegistryTest, WithoutARootKeyNothingHappens)
{
    make("Z\\child");
    setRaw("Z", "v", REG_SZ, QByteArray("x", 2));
    const QString path = kBase + "\\Z";
    QStringList names{"stale"};
    EXPECT_EQ(reg.EnumKeys(names, path), 0);
    EXPECT_TRUE(names.isEmpty());
    names = {"stale"};
    EXPECT_EQ(reg.EnumValues(names, path), 0);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(reg.DeleteKey(path));
    EXPECT_FALSE(reg.DeleteKey(path, "child"));
    EXPECT_FALSE(reg.DeleteValue(path, "v"));
    EXPECT_EQ(reg.LoadValue(path, "v", 5), QVariant(5));
    EXPECT_TRUE(reg.SaveValue(path, "w", QStringLiteral("x")));
    EXPECT_FALSE(reg.KeyExists(path));
    // All of it still there.
    EXPECT_TRUE(reg.KeyExists(path + "\\child", HKEY_CURRENT_USER));
    EXPECT_EQ(reg.LoadValue(path, "v", {}, HKEY_CURRENT_USER), QVariant(QStringLiteral("x")));
    EXPECT_FALSE(reg.LoadValue(path, "w", {}, HKEY_CURRENT_USER).isValid());
}

} // namespace
