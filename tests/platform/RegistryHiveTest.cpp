#include "platform/RegistryHive.h"

#include "HiveFiles.h"
#include "TempHome.h"

#include <gtest/gtest.h>

namespace {

/// The value's bytes, or "<rc N>" with the result code when it cannot be read.
QByteArray query(HKEY key, const QString& name)
{
    std::uint32_t size = 0;
    LSTATUS r = RegQueryValueEx(key, name, nullptr, nullptr, &size);
    QByteArray data(qsizetype(size), '\0');
    if (r == ERROR_SUCCESS)
        r = RegQueryValueEx(key, name, nullptr, data.data(), &size);
    return r == ERROR_SUCCESS ? data : "<rc " + QByteArray::number(qint64(r)) + '>';
}

class RegistryHiveTest : public ::testing::Test {
protected:
    TempHome home;
    QString hive = RegHiveFilePath(HKEY_CURRENT_USER);
};

TEST_F(RegistryHiveTest, ResultCodesOfTheOriginalCalls)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nope", KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyEx(0x4242, "", KEY_READ, &key), ERROR_INVALID_HANDLE);

    const HKEY k = createKey("Software\\T");
    ASSERT_EQ(setText(k, "Name", "value"), ERROR_SUCCESS);
    char small[3];
    std::uint32_t size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegDeleteValue(k, "Other"), ERROR_FILE_NOT_FOUND);

    HKEY readOnly = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\T", KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(setText(readOnly, "x", "y"), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);

    // A key with sub-keys cannot be deleted; the root key never.
    RegCloseKey(createKey("Software\\T\\Child"));
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\T"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(k, "child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(k, "child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(k, ""), ERROR_SUCCESS);
    EXPECT_EQ(query(k, "Name"), "<rc " + QByteArray::number(ERROR_KEY_DELETED) + '>');
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryHiveTest, NamesIgnoreCaseKeepTheirSpellingAndEnumerateInOrder)
{
    const HKEY k = createKey("Software\\Order");
    std::uint32_t disposition = 0;
    HKEY again = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\order", {}, KEY_ALL_ACCESS, &again,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2"})
        RegCloseKey(createKey(QStringLiteral("Software\\Order\\") + QLatin1String(name)));
    for (const char* name : {"z", "A", "m"})
        setText(k, QLatin1String(name), "x");
    ASSERT_EQ(setText(again, "a", "2"), ERROR_SUCCESS); // the same value as "A"
    EXPECT_EQ(query(k, "a"), QByteArray("2", 2));

    QStringList keys, values;
    QString name;
    std::uint32_t chars = 256;
    for (std::uint32_t i = 0; RegEnumKeyEx(k, i, &name, &chars) == ERROR_SUCCESS; ++i, chars = 256)
        keys << name;
    for (std::uint32_t i = 0;
         RegEnumValue(k, i, &name, &chars, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, chars = 256)
        values << name;
    EXPECT_EQ(keys, QStringList({"Alpha", "ALPHA2", "beta", "gamma"}));
    EXPECT_EQ(values, QStringList({"z", "A", "m"}));
    chars = 5; // "Alpha" and its NUL need 6
    EXPECT_EQ(RegEnumKeyEx(k, 0, &name, &chars), ERROR_MORE_DATA);
    RegCloseKey(k);
    RegCloseKey(again);
}

TEST_F(RegistryHiveTest, NamesTheFileCannotHoldAreRefused)
{
    HKEY key = 0;
    for (const QString& bad : {QStringLiteral("a\\\\b"), QStringLiteral("line\nbreak"),
                               QStringLiteral("\\lead"), QString(256, u'x')}) {
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, bad, {}, KEY_ALL_ACCESS, &key),
                  ERROR_INVALID_PARAMETER)
            << qPrintable(bad);
    }
    const HKEY k = createKey("Software\\N");
    EXPECT_EQ(setText(k, "line\nbreak", "x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(k);
    EXPECT_FALSE(readFile(hive).contains("break"));
}

TEST_F(RegistryHiveTest, AnotherWriterIsSeenAtTheNextCall)
{
    const HKEY k = createKey("Software\\Live");
    ASSERT_EQ(setText(k, "v", "old"), ERROR_SUCCESS);
    EXPECT_EQ(query(k, "v"), QByteArray("old", 4));
    // Same size, so only the file's identity and times tell the versions apart.
    QByteArray text = readFile(hive);
    text.replace("\"old\"", "\"new\"");
    ASSERT_TRUE(writeFile(hive + ".tmp", text));
    ASSERT_TRUE(QFile::remove(hive));
    ASSERT_TRUE(QFile::rename(hive + ".tmp", hive));
    EXPECT_EQ(query(k, "v"), QByteArray("new", 4));
    RegCloseKey(k);
}

TEST_F(RegistryHiveTest, DamagedFileIsKeptAsideAtTheFirstWriteOnly)
{
    const QByteArray damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\D]\n\"kept\"=\"yes\"\n"
                               "\"cut\"=hex:01,02,\\";
    ASSERT_TRUE(writeFile(hive, damaged));
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\D", KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    EXPECT_EQ(query(k, "kept"), QByteArray("yes", 4));
    EXPECT_FALSE(QFileInfo::exists(hive + ".bad")); // reading alone changes nothing

    ASSERT_EQ(setText(k, "new", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setText(k, "new", "2"), ERROR_SUCCESS);
    EXPECT_EQ(readFile(hive + ".bad"), damaged);
    EXPECT_FALSE(QFileInfo::exists(hive + ".bad.1"));
    EXPECT_EQ(query(k, "kept"), QByteArray("yes", 4));
    RegCloseKey(k);

    // A later damaged file does not replace the first one kept aside.
    ASSERT_TRUE(writeFile(hive, "garbage"));
    RegCloseKey(createKey("Software\\Again"));
    EXPECT_EQ(readFile(hive + ".bad"), damaged);
    EXPECT_EQ(readFile(hive + ".bad.1"), QByteArray("garbage"));
}

TEST_F(RegistryHiveTest, BatchWritesOnceAtTheEndAndDropsItsChangesWhenThatFails)
{
    const HKEY k = createKey("Software\\B");
    const QByteArray before = readFile(hive);
    {
        RegistryBatch batch;
        ASSERT_EQ(setText(k, "7", "7"), ERROR_SUCCESS);
        EXPECT_EQ(query(k, "7"), QByteArray("7", 2));
        {
            RegistryBatch inner;
            setText(k, "inner", "x");
        }
        EXPECT_EQ(readFile(hive), before); // the outer batch decides
        EXPECT_EQ(batch.commit(), ERROR_SUCCESS);
    }
    EXPECT_TRUE(readFile(hive).contains("\"inner\"=\"x\""));
    {
        RegistryBatch batch;
        ASSERT_EQ(setText(k, "v", "lost"), ERROR_SUCCESS);
        const QString dir = QFileInfo(hive).path(); // a file in its way stops even root
        ASSERT_TRUE(QDir().rename(dir, dir + ".real"));
        ASSERT_TRUE(writeFile(dir, "x"));
        EXPECT_EQ(batch.commit(), ERROR_WRITE_FAULT);
        ASSERT_TRUE(QFile::remove(dir) && QDir().rename(dir + ".real", dir));
    }
    EXPECT_EQ(query(k, "v"), "<rc " + QByteArray::number(ERROR_FILE_NOT_FOUND) + '>');
    RegCloseKey(k);
}

} // namespace
