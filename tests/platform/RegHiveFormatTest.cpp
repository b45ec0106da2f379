#include "platform/RegHiveFormat.h"
#include "platform/RegistryHive.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QString kRoot = QStringLiteral("HKEY_CURRENT_USER");

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

const RegKey* at(const RegKey& root, const QString& path)
{
    const RegKey* key = &root;
    for (const QString& name : path.split(u'\\')) {
        key = key->child(name);
        if (!key)
            return nullptr;
    }
    return key;
}

const RegValue* valueAt(const RegKey& root, const QString& path, const QString& name)
{
    const RegKey* key = at(root, path);
    if (!key)
        return nullptr;
    const int i = key->valueIndex(name);
    return i < 0 ? nullptr : &key->values[size_t(i)];
}

// Every kind of value survives writing and reading back byte for byte.
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
    root.ensureChild(QStringLiteral("Software"))->setValue(c.name, c.type, c.data);
    const QByteArray text = regWriteHive(root, kRoot);

    RegKey back;
    ASSERT_TRUE(regParseHive(text, kRoot, back)) << text.constData();
    const RegValue* value = valueAt(back, QStringLiteral("Software"), c.name);
    ASSERT_NE(value, nullptr) << text.constData();
    EXPECT_EQ(value->name, c.name);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data) << text.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundTrip,
    ::testing::Values(RoundTripCase{"plain", "Name", REG_SZ, QByteArray("text", 5)},
                      RoundTripCase{"empty_text", "E", REG_SZ, QByteArray(1, '\0')},
                      RoundTripCase{"zero_byte_text", "Z", REG_SZ, QByteArray()},
                      RoundTripCase{"default_value", "", REG_SZ, QByteArray("def", 4)},
                      RoundTripCase{"quotes_backslashes", "a\"b\\c", REG_SZ,
                                    QByteArray("say \"hi\" C:\\dir\\", 17)},
                      RoundTripCase{"line_breaks_tabs", "n", REG_SZ,
                                    QByteArray("a\nb\r\nc\td", 10)},
                      RoundTripCase{"utf8", QString::fromUtf8("Grüße"), REG_SZ,
                                    QByteArray("\xc3\xa9t\xc3\xa9 \xe2\x82\xac", 10)},
                      RoundTripCase{"invalid_utf8", "bad", REG_SZ, QByteArray("\xff\xfe", 3)},
                      RoundTripCase{"text_without_nul", "nonul", REG_SZ, QByteArray("abc")},
                      RoundTripCase{"text_with_inner_nul", "nul", REG_SZ, QByteArray("a\0b", 4)},
                      RoundTripCase{"dword", "d", REG_DWORD, bytes({0x2a, 0, 0, 0})},
                      RoundTripCase{"dword_high", "d", REG_DWORD, bytes({0xff, 0xff, 0xff, 0xff})},
                      RoundTripCase{"short_dword", "d", REG_DWORD, bytes({1, 2})},
                      RoundTripCase{"binary", "b", REG_BINARY, bytes({0, 1, 0xff, 0x80})},
                      RoundTripCase{"empty_binary", "b", REG_BINARY, QByteArray()},
                      RoundTripCase{"long_binary", "b", REG_BINARY, QByteArray(1000, '\x5a')},
                      RoundTripCase{"other_type", "x", 0x1234567, bytes({9, 8, 7})},
                      RoundTripCase{"expand_sz", "x", REG_EXPAND_SZ, QByteArray("%HOME%", 7)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegHiveFormat, KeysWithoutValuesAndOddNamesAreKept)
{
    RegKey root;
    RegKey* k = root.ensureChild(QStringLiteral("Software"))
                    ->ensureChild(QStringLiteral("Dotted.Name v1.2"))
                    ->ensureChild(QStringLiteral("[brackets] and ] more"));
    Q_UNUSED(k);
    RegKey back;
    ASSERT_TRUE(regParseHive(regWriteHive(root, kRoot), kRoot, back));
    const RegKey* found =
        at(back, QStringLiteral("software\\dotted.name V1.2\\[BRACKETS] and ] more"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, QStringLiteral("[brackets] and ] more"));
}

TEST(RegHiveFormat, ReadsAnExportAsTheSystemWritesIt)
{
    const QByteArray text =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\Program Files\\\\X\"\r\n"
        "\"Num\"=dword:0000002a\r\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,\\\r\n"
        "  12,13\r\n"
        "\"Multi\"=hex(7):61,00,00,00\r\n"
        "\"Gone\"=-\r\n";
    RegKey root;
    EXPECT_TRUE(regParseHive(text, kRoot, root));
    const QString key = QStringLiteral("Software\\Test");
    ASSERT_NE(valueAt(root, key, QString()), nullptr);
    EXPECT_EQ(valueAt(root, key, QString())->data, QByteArray("default", 8));
    EXPECT_EQ(valueAt(root, key, "path")->data, QByteArray("C:\\Program Files\\X", 19));
    EXPECT_EQ(valueAt(root, key, "Num")->data, bytes({0x2a, 0, 0, 0}));
    QByteArray twenty;
    for (int i = 0; i < 20; ++i)
        twenty += char(i);
    EXPECT_EQ(valueAt(root, key, "Long")->data, twenty);
    EXPECT_EQ(valueAt(root, key, "Multi")->type, 7u);
    EXPECT_EQ(valueAt(root, key, "Gone"), nullptr);
}

// Damaged input: whatever can be read is kept, and the damage is reported.
struct DamageCase {
    const char* label;
    QByteArray text;
    const char* survivor; ///< a value name in Software\T expected to be read, or null
};

class Damaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damaged, ReadsWhatItCanAndReportsTheRest)
{
    RegKey root;
    EXPECT_FALSE(regParseHive(GetParam().text, kRoot, root));
    if (GetParam().survivor) {
        EXPECT_NE(valueAt(root, QStringLiteral("Software\\T"), GetParam().survivor), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Damaged,
    ::testing::Values(
        DamageCase{"no_header", "[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n", "a"},
        DamageCase{"not_a_hive",
                   QByteArray("\x7f"
                              "ELF\x01\x02\0\0garbage",
                              14),
                   nullptr},
        DamageCase{"cut_in_text",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n\"b\"=\"tr", "a"},
        DamageCase{"cut_in_hex",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n\"b\"=hex:01,\\", "a"},
        DamageCase{"cut_in_section",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n[HKEY_CU", "a"},
        DamageCase{"garbled_line", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n#!?\n\"a\"=\"1\"\n",
                   "a"},
        DamageCase{"bad_hex",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"b\"=hex:zz\n\"a\"=\"1\"\n", "a"},
        DamageCase{
            "bad_dword",
            "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"b\"=dword:123456789\n\"a\"=\"1\"\n",
            "a"},
        DamageCase{"other_root",
                   "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"b\"=\"1\"\n[HKEY_CURRENT_"
                   "USER\\Software\\T]\n\"a\"=\"1\"\n",
                   "a"},
        DamageCase{"empty_key_name", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\\\T]\n\"b\"=\"1\"\n",
                   nullptr},
        DamageCase{"value_before_section", "REGEDIT4\n\"b\"=\"1\"\n", nullptr},
        DamageCase{"invalid_utf8_name",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"\xff\"=\"1\"\n\"a\"=\"1\"\n",
                   "a"},
        DamageCase{"empty_file", "", nullptr}),
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

TEST(RegHiveFormat, SubKeysAreWrittenInCaseInsensitiveOrderAndValuesInCreationOrder)
{
    RegKey root;
    RegKey* s = root.ensureChild(QStringLiteral("S"));
    s->ensureChild(QStringLiteral("beta"));
    s->ensureChild(QStringLiteral("Alpha"));
    s->ensureChild(QStringLiteral("GAMMA"));
    s->setValue(QStringLiteral("z"), REG_SZ, QByteArray("1", 2));
    s->setValue(QStringLiteral("a"), REG_SZ, QByteArray("2", 2));
    const QByteArray text = regWriteHive(root, kRoot);
    const qsizetype alpha = text.indexOf("\\Alpha]");
    const qsizetype beta = text.indexOf("\\beta]");
    const qsizetype gamma = text.indexOf("\\GAMMA]");
    EXPECT_TRUE(alpha > 0 && alpha < beta && beta < gamma) << text.constData();
    EXPECT_LT(text.indexOf("\"z\""), text.indexOf("\"a\""));
}

} // namespace
