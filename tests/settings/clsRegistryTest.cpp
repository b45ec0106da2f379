#include "settings/clsRegistry.h"

#include "StoreFixture.h"

#include <gtest/gtest.h>

using namespace StoreFixture;

namespace {

const QString kBase = kAppKey + u'\\';

class clsRegistryTest : public ::testing::Test {
protected:
    /// Makes a key (and its parents) below the application key.
    static void make(const QString& path) { RegCloseKey(createKey(kBase + path)); }

    TempHome home;
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
