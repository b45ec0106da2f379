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
TEST(RegHiveFormat, ValuesWrittenThenReadGiveTheSameBytes)
{
    const struct {
        QString name;
        std::uint32_t type;
        QByteArray data;
    } cases[] = {
        {"E", REG_SZ, QByteArray(1, '\0')},              // empty text
        {"Z", REG_SZ, QByteArray()},                     // zero-byte text
        {"", REG_SZ, QByteArray("def", 4)},              // the default value
        {"bad", REG_SZ, QByteArray("\xff\xfe", 3)},      // not valid UTF-8
        {"nul", REG_SZ, QByteArray("a\0b", 4)},          // a NUL inside
        {"d", REG_DWORD, QByteArray("\x01\x02", 2)},     // a short DWORD
        {"b", REG_BINARY, QByteArray(1000, '\x80')},     // long binary
        {"x", 0x1234567, QByteArray("\x09\x00\x07", 3)}, // a type of its own
    };
    for (const auto& c : cases) {
        RegKey root;
        root.ensureChild(QStringLiteral("Software"))
            ->ensureChild(QStringLiteral("[Odd] v1.2"))
            ->setValue(c.name, c.type, c.data);
        const QByteArray text = regWriteHive(root, kRoot);
        SCOPED_TRACE(text.constData());
        RegKey back;
        ASSERT_TRUE(regParseHive(text, kRoot, back));
        const RegValue* value = valueAt(back, QStringLiteral("software\\[odd] V1.2"), c.name);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, c.type);
        EXPECT_EQ(value->data, c.data);
    }
}

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

// Whatever the damage, the parser reads what it can and reports it.
TEST(RegHiveFormat, DamagedFilesReadWhatTheyCanAndReportTheDamage)
{
    const QByteArray start = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n";
    const struct {
        const char* label;
        QByteArray text;
        bool survives; ///< whether "a" in Software\T is read
    } cases[] = {
        {"no header", "[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n", true},
        {"not a hive", QByteArray("\x7f\x45LF\x01\x02\0\0garbage", 14), false},
        {"ini file", "[Software]\na=1\n", false},
        {"cut in text", start + "\"a\"=\"1\"\n\"b\"=\"tr", true},
        {"cut in hex", start + "\"a\"=\"1\"\n\"b\"=hex:01,\\", true},
        {"cut in section", start + "\"a\"=\"1\"\n[HKEY_CU", true},
        {"garbled lines", start + "#!?\n\"b\"=hex:zz\n\"\xff\"=\"1\"\n\"a\"=\"1\"\n", true},
        {"other root",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"1\"\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"="
         "\"1\"\n",
         true},
        {"value before section", "REGEDIT4\n\"a\"=\"1\"\n", false},
        {"empty file", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        RegKey root;
        EXPECT_FALSE(regParseHive(c.text, kRoot, root));
        EXPECT_EQ(valueAt(root, QStringLiteral("Software\\T"), "a") != nullptr, c.survives);
    }
}

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
