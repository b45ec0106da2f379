#include "platform/RegistryHive.h"

#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contents);
}

/// Opens (creating) a key below HKEY_CURRENT_USER with full access.
HKEY create(const QString& path)
{
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, {}, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    return key;
}

LSTATUS setText(HKEY key, const QString& name, const QByteArray& text)
{
    const QByteArray data = text + '\0';
    return RegSetValueEx(key, name, REG_SZ, data.constData(), std::uint32_t(data.size()));
}

QByteArray query(HKEY key, const QString& name, LSTATUS* rc = nullptr)
{
    std::uint32_t size = 0;
    LSTATUS r = RegQueryValueEx(key, name, nullptr, nullptr, &size);
    QByteArray data(qsizetype(size), '\0');
    if (r == ERROR_SUCCESS)
        r = RegQueryValueEx(key, name, nullptr, data.data(), &size);
    if (rc)
        *rc = r;
    return r == ERROR_SUCCESS ? data : QByteArray();
}

class RegistryHiveTest : public ::testing::Test {
protected:
    TempHome home;
    QString hive = RegHiveFilePath(HKEY_CURRENT_USER);
};

TEST_F(RegistryHiveTest, HiveFileFollowsTheConfigFolderOfTheMoment)
{
    EXPECT_EQ(hive, home.path(".config/kestrelfind/HKEY_CURRENT_USER.reg"));
    EXPECT_TRUE(RegHiveFilePath(HKEY_LOCAL_MACHINE).endsWith(u"/HKEY_LOCAL_MACHINE.reg"));
    EXPECT_TRUE(RegHiveFilePath(0x1234).isEmpty());
}

TEST_F(RegistryHiveTest, ResultCodesOfTheOriginalCalls)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nope", KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(RegOpenKeyEx(0x4242, "", KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(0x4242), ERROR_INVALID_HANDLE);

    const HKEY k = create("Software\\T");
    ASSERT_NE(k, 0u);
    ASSERT_EQ(setText(k, "Name", "value"), ERROR_SUCCESS);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(k, "NAME", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    char small[3];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueEx(k, "Other", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(k, "Other"), ERROR_FILE_NOT_FOUND);

    // Reading needs read access, writing write access.
    HKEY readOnly = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\T", KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(setText(readOnly, "x", "y"), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);

    // A key with sub-keys cannot be deleted; the root key never.
    RegCloseKey(create("Software\\T\\Child"));
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\T"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(k, "child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(k, "child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(k, ""), ERROR_SUCCESS); // the open key itself
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryHiveTest, NamesIgnoreCaseButKeepTheirSpelling)
{
    HKEY k = create("Software\\MixedCase");
    std::uint32_t disposition = 0;
    HKEY again = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\mixedcase", {}, KEY_ALL_ACCESS, &again,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    ASSERT_EQ(setText(k, "Value", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setText(again, "VALUE", "2"), ERROR_SUCCESS); // the same value
    QString name;
    std::uint32_t chars = 100;
    ASSERT_EQ(RegEnumValue(k, 0, &name, &chars, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(name, "Value");
    chars = 100;
    EXPECT_EQ(RegEnumValue(k, 1, &name, &chars, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(query(k, "value"), QByteArray("2", 2));
    chars = 100;
    ASSERT_EQ(RegEnumKeyEx(HKEY_CURRENT_USER, 0, &name, &chars), ERROR_SUCCESS);
    EXPECT_EQ(name, "Software");
    RegCloseKey(k);
    RegCloseKey(again);
}

TEST_F(RegistryHiveTest, EnumerationOrderAndBufferSizes)
{
    const HKEY k = create("Software\\Order");
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2"})
        RegCloseKey(create(QStringLiteral("Software\\Order\\") + QLatin1String(name)));
    for (const char* name : {"z", "a", "m"})
        setText(k, QLatin1String(name), "x");
    QStringList keys, values;
    for (std::uint32_t i = 0;; ++i) {
        QString name;
        std::uint32_t chars = 256;
        if (RegEnumKeyEx(k, i, &name, &chars) != ERROR_SUCCESS)
            break;
        EXPECT_EQ(chars, std::uint32_t(name.size()));
        keys << name;
    }
    for (std::uint32_t i = 0;; ++i) {
        QString name;
        std::uint32_t chars = 256;
        if (RegEnumValue(k, i, &name, &chars, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        values << name;
    }
    EXPECT_EQ(keys, QStringList({"Alpha", "ALPHA2", "beta", "gamma"}));
    EXPECT_EQ(values, QStringList({"z", "a", "m"}));

    QString name;
    std::uint32_t chars = 5; // "Alpha" and its NUL need 6
    EXPECT_EQ(RegEnumKeyEx(k, 0, &name, &chars), ERROR_MORE_DATA);

    std::uint32_t subKeys = 0, longestKey = 0, count = 0, longestName = 0, longestData = 0;
    ASSERT_EQ(RegQueryInfoKey(k, &subKeys, &longestKey, &count, &longestName, &longestData),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    EXPECT_EQ(longestKey, 6u);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(longestName, 1u);
    EXPECT_EQ(longestData, 2u);
    RegCloseKey(k);
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
    const HKEY k = create("Software\\N");
    EXPECT_EQ(setText(k, "line\nbreak", "x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(k);
    // Nothing of that reached the file.
    EXPECT_FALSE(readFile(hive).contains("break"));
}

TEST_F(RegistryHiveTest, AnotherWriterIsSeenAtTheNextCall)
{
    const HKEY k = create("Software\\Live");
    ASSERT_EQ(setText(k, "v", "old"), ERROR_SUCCESS);
    EXPECT_EQ(query(k, "v"), QByteArray("old", 4));
    // Same size, so only the file's identity and times tell the versions apart.
    QByteArray text = readFile(hive);
    text.replace("\"old\"", "\"new\"");
    const QString other = hive + ".tmp";
    writeFile(other, text);
    ASSERT_TRUE(QFile::remove(hive));
    ASSERT_TRUE(QFile::rename(other, hive));
    EXPECT_EQ(query(k, "v"), QByteArray("new", 4));
    RegCloseKey(k);
}

TEST_F(RegistryHiveTest, DamagedFileIsKeptAsideBeforeTheFirstWrite)
{
    const QByteArray damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\D]\n\"kept\"=\"yes\"\n"
                               "\"cut\"=hex:01,02,\\";
    writeFile(hive, damaged);
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\D", KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    EXPECT_EQ(query(k, "kept"), QByteArray("yes", 4));
    EXPECT_FALSE(QFileInfo::exists(hive + ".bad")); // reading alone changes nothing
    EXPECT_EQ(readFile(hive), damaged);

    ASSERT_EQ(setText(k, "new", "1"), ERROR_SUCCESS);
    EXPECT_EQ(readFile(hive + ".bad"), damaged);
    EXPECT_EQ(query(k, "kept"), QByteArray("yes", 4));
    // The rewritten file is whole, so a second write keeps nothing aside again.
    ASSERT_EQ(setText(k, "new", "2"), ERROR_SUCCESS);
    EXPECT_FALSE(QFileInfo::exists(hive + ".bad.1"));
    RegCloseKey(k);

    // A later damaged file does not replace the first one kept aside.
    writeFile(hive, "garbage");
    RegCloseKey(create("Software\\Again"));
    EXPECT_EQ(readFile(hive + ".bad"), damaged);
    EXPECT_EQ(readFile(hive + ".bad.1"), QByteArray("garbage"));
}

TEST_F(RegistryHiveTest, FailedWriteLeavesTheFileAndReportsAFault)
{
    const HKEY k = create("Software\\W");
    ASSERT_EQ(setText(k, "v", "before"), ERROR_SUCCESS);
    const QByteArray before = readFile(hive);
    // Tests run as root, where permissions stop nothing: put a plain file where the hive's
    // folder was, which no one can write through.
    const QString dir = QFileInfo(hive).path();
    ASSERT_TRUE(QDir(dir).rename(dir, dir + ".real"));
    ASSERT_TRUE(QFile(dir + ".real").exists());
    writeFile(dir, "not a folder"); // the config folder is now a plain file
    EXPECT_EQ(setText(k, "v", "after"), ERROR_WRITE_FAULT);
    HKEY created = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\New", {}, KEY_ALL_ACCESS, &created),
              ERROR_WRITE_FAULT);
    EXPECT_EQ(created, 0u);
    // Put the old folder back: the old file is intact and the failed value was not kept.
    ASSERT_TRUE(QFile::remove(dir));
    ASSERT_TRUE(QDir().rename(dir + ".real", dir));
    EXPECT_EQ(readFile(hive), before);
    EXPECT_EQ(query(k, "v"), QByteArray("before", 7));
    RegCloseKey(k);
}

TEST_F(RegistryHiveTest, UnreadableHiveIsNeverReplaced)
{
    // A folder where the file should be cannot be read or kept aside: writes must fail.
    QDir().mkpath(hive);
    HKEY k = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\X", {}, KEY_ALL_ACCESS, &k),
              ERROR_WRITE_FAULT);
    EXPECT_TRUE(QFileInfo(hive).isDir());
}

TEST_F(RegistryHiveTest, BatchWritesOnceAndReadsSeeItsChanges)
{
    const HKEY k = create("Software\\B");
    const QByteArray before = readFile(hive);
    {
        RegistryBatch batch;
        for (int i = 0; i < 10; ++i)
            ASSERT_EQ(setText(k, QString::number(i), QByteArray::number(i)), ERROR_SUCCESS);
        EXPECT_EQ(query(k, "7"), QByteArray("7", 2));
        EXPECT_EQ(readFile(hive), before); // nothing written yet
        {
            RegistryBatch inner;
            setText(k, "inner", "x");
        }
        EXPECT_EQ(readFile(hive), before); // the outer batch decides
        EXPECT_EQ(batch.commit(), ERROR_SUCCESS);
    }
    EXPECT_TRUE(readFile(hive).contains("\"9\"=\"9\""));
    EXPECT_TRUE(readFile(hive).contains("\"inner\"=\"x\""));
    RegCloseKey(k);
}

TEST_F(RegistryHiveTest, FailedBatchDropsItsChanges)
{
    const HKEY k = create("Software\\B");
    const QString dir = QFileInfo(hive).path();
    {
        RegistryBatch batch;
        ASSERT_EQ(setText(k, "v", "lost"), ERROR_SUCCESS);
        // Take the hive's folder away so that the final write cannot succeed.
        ASSERT_TRUE(QDir().rename(dir, dir + ".moved"));
        writeFile(dir, "plain file");
        EXPECT_EQ(batch.commit(), ERROR_WRITE_FAULT);
    }
    ASSERT_TRUE(QFile::remove(dir));
    ASSERT_TRUE(QDir().rename(dir + ".moved", dir));
    LSTATUS rc = 0;
    query(k, "v", &rc);
    EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

} // namespace
