#include "platform/RegHiveFormat.h"
#include "platform/RegistryHive.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QString kRoot = QStringLiteral("HKEY_CURRENT_USER");

const RegValue* valueAt(const RegKey& root, const QString& path, const QString& name)
{
    const RegKey* key = &root;
    for (const QString& part : path.split(u'\\')) {
        if (!(key = key->child(part)))
            return nullptr;
    }
    const int i = key->valueIndex(name);
    return i < 0 ? nullptr : &key->values[size_t(i)];
}

// Texts with line breaks, quotes and non-ASCII go through the settings tests; these are the
// values only other programs write.
struct RoundTripCase {
    const char* label;
    QString name;
    std::uint32_t type;
    QByteArray data;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, WrittenThenReadGivesTheSameBytes)
{
    const RoundTripCase& c = GetParam();
    RegKey root;
    root.ensureChild(QStringLiteral("Software"))
        ->ensureChild(QStringLiteral("[Odd] v1.2"))
        ->setValue(c.name, c.type, c.data);
    const QByteArray text = regWriteHive(root, kRoot);
    RegKey back;
    ASSERT_TRUE(regParseHive(text, kRoot, back)) << text.constData();
    const RegValue* value = valueAt(back, QStringLiteral("software\\[odd] V1.2"), c.name);
    ASSERT_NE(value, nullptr) << text.constData();
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data) << text.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundTrip,
    ::testing::Values(RoundTripCase{"empty_text", "E", REG_SZ, QByteArray(1, '\0')},
                      RoundTripCase{"zero_byte_text", "Z", REG_SZ, QByteArray()},
                      RoundTripCase{"default_value", "", REG_SZ, QByteArray("def", 4)},
                      RoundTripCase{"invalid_utf8", "bad", REG_SZ, QByteArray("\xff\xfe", 3)},
                      RoundTripCase{"text_with_inner_nul", "nul", REG_SZ, QByteArray("a\0b", 4)},
                      RoundTripCase{"short_dword", "d", REG_DWORD, QByteArray("\x01\x02", 2)},
                      RoundTripCase{"long_binary", "b", REG_BINARY, QByteArray(1000, '\x80')},
                      RoundTripCase{"other_type", "x", 0x1234567, QByteArray("\x09\x00\x07", 3)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegHiveFormat, ReadsAnExportAsTheSystemWritesIt)
{
    const QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                            "@=\"default\"\r\n"
                            "\"Num\"=dword:0000002a\r\n"
                            "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\r\n"
                            "  10,11\r\n"
                            "\"Gone\"=-\r\n";
    RegKey root;
    EXPECT_TRUE(regParseHive(text, kRoot, root));
    const QString key = QStringLiteral("Software\\Test");
    ASSERT_NE(valueAt(root, key, QString()), nullptr);
    EXPECT_EQ(valueAt(root, key, QString())->data, QByteArray("default", 8));
    EXPECT_EQ(valueAt(root, key, "num")->data, QByteArray("\x2a\0\0\0", 4));
    EXPECT_EQ(valueAt(root, key, "Long")->data, QByteArray("\x00\x01\x02\x03\x04\x05\x06\x07\x08"
                                                           "\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11",
                                                           18));
    EXPECT_EQ(valueAt(root, key, "Gone"), nullptr);
}

struct DamageCase {
    const char* label;
    QByteArray text;
    bool survives; ///< whether "a" in Software\T is read
};

class Damaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damaged, ReadsWhatItCanAndReportsTheDamage)
{
    RegKey root;
    EXPECT_FALSE(regParseHive(GetParam().text, kRoot, root));
    EXPECT_EQ(valueAt(root, QStringLiteral("Software\\T"), "a") != nullptr, GetParam().survives);
}

const QByteArray kStart = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n";

INSTANTIATE_TEST_SUITE_P(
    Files, Damaged,
    ::testing::Values(
        DamageCase{"no_header", "[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n", true},
        DamageCase{"not_a_hive",
                   QByteArray("\x7f"
                              "ELF\x01\x02\0\0garbage",
                              14),
                   false},
        DamageCase{"ini_file", "[Software]\na=1\n", false},
        DamageCase{"cut_in_text", kStart + "\"a\"=\"1\"\n\"b\"=\"tr", true},
        DamageCase{"cut_in_hex", kStart + "\"a\"=\"1\"\n\"b\"=hex:01,\\", true},
        DamageCase{"cut_in_section", kStart + "\"a\"=\"1\"\n[HKEY_CU", true},
        DamageCase{"garbled_lines", kStart + "#!?\n\"b\"=hex:zz\n\"\xff\"=\"1\"\n\"a\"=\"1\"\n",
                   true},
        DamageCase{
            "other_root",
            "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"1\"\n[HKEY_CURRENT_USER\\Software\\T]"
            "\n\"a\"=\"1\"\n",
            true},
        DamageCase{"value_before_section", "REGEDIT4\n\"a\"=\"1\"\n", false},
        DamageCase{"empty_file", "", false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegHiveFormat, RefusesPathsDeeperThanTheLimit)
{
    QByteArray text = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (int i = 0; i < kMaxKeyDepth + 1; ++i)
        text += "\\k";
    text += "]\n\"a\"=\"1\"\n";
    RegKey root;
    EXPECT_FALSE(regParseHive(text, kRoot, root));
    EXPECT_TRUE(root.subKeys.empty());
}

} // namespace
