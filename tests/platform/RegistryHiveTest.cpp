#include "platform/RegistryHive.h"
#include "platform/RegHiveFormat.h"

#include "HiveFiles.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

/// A private home with its settings folder.
class RegistryHiveTest : public ::testing::Test {
protected:
    RegistryHiveTest() { EXPECT_TRUE(QDir().mkpath(QFileInfo(hive).path())); }
    TempHome home;
    QString hive = hivePath();
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

    // Names the file cannot hold.
    for (const QString& bad : {QStringLiteral("a\\\\b"), QStringLiteral("line\nbreak"),
                               QStringLiteral("\\lead"), QString(256, u'x')}) {
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, bad, {}, KEY_ALL_ACCESS, &key),
                  ERROR_INVALID_PARAMETER)
            << qPrintable(bad);
    }
    const HKEY n = createKey("Software\\N");
    EXPECT_EQ(setText(n, "line\nbreak", "x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(n);
    EXPECT_FALSE(readFile(hive).contains("break"));
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
    // Edited in place by hand: the same file, a new size.
    text.replace("\"new\"", "\"newer\"\r\n\"added\"=\"by hand\"");
    ASSERT_TRUE(writeFile(hive, text));
    EXPECT_EQ(query(k, "v"), QByteArray("newer", 6));
    EXPECT_EQ(query(k, "added"), QByteArray("by hand", 8));
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
    // Told once, with the name the copy will have (".bad", or ".bad.1" when that is taken).
    const QString report = RegTakeHiveDamageReport(HKEY_CURRENT_USER);
    EXPECT_TRUE(report.contains(u"begins with \""_qs + QFileInfo(hive).fileName() + u".bad\""))
        << report.toStdString();
    EXPECT_TRUE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).isEmpty());

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

// ---------------------------------------------------------------------------------------
// The settings file as hostile input: links, FIFOs, devices and files far larger than any the
// program writes, and files shaped to make a careless parser slow.

/// lstat's mode of `path` (type and permission bits), 0 when it does not exist.
mode_t modeOf(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

LSTATUS writeOneValue(const QString& text)
{
    HKEY key = 0;
    LSTATUS rc = RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\H", {}, KEY_ALL_ACCESS, &key);
    if (rc == ERROR_SUCCESS)
        rc = setText(key, "v", text.toUtf8());
    RegCloseKey(key);
    return rc;
}

bool keyExists(const QString& path)
{
    HKEY key = 0;
    const LSTATUS rc = RegOpenKeyEx(HKEY_CURRENT_USER, path, KEY_READ, &key);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

TEST(HostileHive, WhatIsNotARegularFileIsNeitherReadNorWrittenThroughButKeptAsideAndReplaced)
{
    enum Entry { LinkToFile, LinkToDevZero, Fifo, LinkToFifo };
    for (const Entry entry : {LinkToFile, LinkToDevZero, Fifo, LinkToFifo}) {
        SCOPED_TRACE(int(entry));
        const TempHome home;
        const QString hive = hivePath();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(hive).path()));
        const QByteArray victimText = "root:x:0:0:root:/root:/bin/bash\n";
        const QString victimPath = home.write("victim", victimText);
        const QByteArray path = QFile::encodeName(hive);
        const QByteArray fifo = QFile::encodeName(home.path("fifo"));
        const QByteArray victim = QFile::encodeName(victimPath);
        ::chmod(victim.constData(), 0644);
        if (entry == Fifo || entry == LinkToFifo) {
            ASSERT_EQ(::mkfifo((entry == Fifo ? path : fifo).constData(), 0600), 0);
        }
        if (entry != Fifo) {
            const QByteArray target = entry == LinkToFile   ? victim
                                      : entry == LinkToFifo ? fifo
                                                            : QByteArray("/dev/zero");
            ASSERT_EQ(::symlink(target.constData(), path.constData()), 0);
        }
        const mode_t type = modeOf(hive) & S_IFMT;
        // Reading neither hangs (FIFO) nor runs out of memory (/dev/zero): nothing is there.
        EXPECT_FALSE(keyExists("Software"));
        EXPECT_FALSE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).isEmpty());
        EXPECT_TRUE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).isEmpty()); // told once

        ASSERT_EQ(writeOneValue("mine"), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(hive) & S_IFMT, mode_t(S_IFREG));
        EXPECT_EQ(modeOf(hive) & 07777, 0600u);
        EXPECT_TRUE(readFile(hive).contains("\"v\"=\"mine\""));
        EXPECT_EQ(readFile(victimPath), victimText); // the link's target is never written
        EXPECT_EQ(modeOf(victimPath) & 07777, 0644u);
        EXPECT_EQ(modeOf(hive + ".bad") & S_IFMT, type); // the entry itself is kept, as it was
        EXPECT_TRUE(keyExists("Software\\H"));
    }
}

// What stops a write is named as the reason and left as it is, a link never followed; once it
// is gone, the next write works.
TEST_F(RegistryHiveTest, WhatStopsAWriteIsNamedAndLeftAsItIs)
{
    const QString folder = QFileInfo(hive).path();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(writeFile(folder, "mine")); // a file where the settings folder belongs
    // Told at start-up, once, not only when the settings are saved at the end.
    EXPECT_TRUE(RegTakeHiveDamageReport(HKEY_CURRENT_USER)
                    .contains(u'"' + folder + u"\" is a file, not a folder"));
    EXPECT_TRUE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).isEmpty());
    EXPECT_EQ(writeOneValue("x"), ERROR_WRITE_FAULT);
    EXPECT_TRUE(RegHiveWriteError(HKEY_CURRENT_USER)
                    .contains(u'"' + folder + u"\" is a file, not a folder"))
        << RegHiveWriteError(HKEY_CURRENT_USER).toStdString();
    EXPECT_EQ(readFile(folder), "mine");
    ASSERT_TRUE(QFile::remove(folder) && QDir().mkpath(folder));

    const QString lockTarget = home.path("made-through-link");
    ASSERT_EQ(::symlink(QFile::encodeName(lockTarget).constData(),
                        QFile::encodeName(hive + ".lock").constData()),
              0);
    EXPECT_EQ(writeOneValue("x"), ERROR_WRITE_FAULT);
    EXPECT_FALSE(QFileInfo::exists(lockTarget));
    EXPECT_TRUE(RegHiveWriteError(HKEY_CURRENT_USER).contains(".lock"));
    EXPECT_EQ(modeOf(hive) & S_IFMT, 0u);
    ASSERT_TRUE(QFile::remove(hive + ".lock"));
    EXPECT_EQ(writeOneValue("x"), ERROR_SUCCESS);
    EXPECT_TRUE(RegHiveWriteError(HKEY_CURRENT_USER).isEmpty());
}

// The settings folder and the files the program makes are private; later the file's
// permissions are the user's. A write killed half way leaves no litter for good.
TEST_F(RegistryHiveTest, TheUsersModeIsKeptAReadOnlyFileIsNotWrittenAndLeftoversGo)
{
    const QString folder = QFileInfo(hive).path();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_EQ(writeOneValue("x"), ERROR_SUCCESS);
    EXPECT_EQ(modeOf(folder) & 07777, 0700u);
    EXPECT_EQ(modeOf(hive) & 07777, 0600u);
    EXPECT_EQ(modeOf(hive + ".lock") & 07777, 0600u);
    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0640), 0);
    ASSERT_EQ(writeOneValue("y"), ERROR_SUCCESS);
    EXPECT_EQ(modeOf(hive) & 07777, 0640u);

    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0440), 0);
    const QByteArray pinned = readFile(hive);
    EXPECT_EQ(writeOneValue("z"), ERROR_WRITE_FAULT);
    EXPECT_TRUE(RegHiveWriteError(HKEY_CURRENT_USER).contains("read-only"));
    EXPECT_EQ(readFile(hive), pinned);
    EXPECT_EQ(modeOf(hive) & 07777, 0440u);
    ASSERT_EQ(::chmod(QFile::encodeName(hive).constData(), 0600), 0);

    // What a killed write leaves goes at the next write; look-alikes that are not stay.
    ASSERT_TRUE(writeFile(hive + ".saving-a1B2c3", "half a file"));
    // The user's own copies are never taken for one.
    const QStringList kept = {".bad.10", ".backup", ".before", ".saving-a1-2c3", ".saving-x"};
    for (const QString& suffix : kept)
        ASSERT_TRUE(writeFile(hive + suffix, "mine"));
    ASSERT_TRUE(QDir().mkdir(hive + ".saving-Folder"));
    ASSERT_EQ(writeOneValue("z"), ERROR_SUCCESS);
    EXPECT_FALSE(QFileInfo::exists(hive + ".saving-a1B2c3"));
    for (const QString& suffix : kept)
        EXPECT_EQ(readFile(hive + suffix), "mine") << suffix.toStdString();
    EXPECT_TRUE(QFileInfo(hive + ".saving-Folder").isDir());
}

TEST_F(RegistryHiveTest, AFileOverTheSizeCapIsDamagedAndKeptWhole)
{
    const QByteArray head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Big]\n\"a\"=\"1\"\n";
    {
        QFile f(hive);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(head);
        ASSERT_TRUE(f.resize(65 * 1024 * 1024)); // sparse: the rest reads as NULs
    }
    EXPECT_FALSE(keyExists("Software\\Big"));
    EXPECT_TRUE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).contains("large"));
    ASSERT_EQ(writeOneValue("x"), ERROR_SUCCESS);
    EXPECT_EQ(QFileInfo(hive + ".bad").size(), 65 * 1024 * 1024);
    EXPECT_TRUE(readFile(hive + ".bad").startsWith(head));
}

// A parser that looks each name up by walking the key's list takes minutes here (it grows
// with the square of the count); an index makes it a fraction of a second. The test checks
// the content; the time is measured by settings_bench.
TEST_F(RegistryHiveTest, TwoHundredThousandValuesAndKeysReadBackWhole)
{
    constexpr int kCount = 200000;
    QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Many]\n";
    for (int i = 0; i < kCount; ++i)
        text += "\"Value" + QByteArray::number(i) + "\"=\"" + QByteArray::number(i) + "\"\n";
    text += "\"VALUE7\"=\"again\"\n"; // the same name in another case replaces the first
    for (int i = 0; i < kCount; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Keys\\K" + QByteArray::number(i) + "]\n";
    ASSERT_TRUE(writeFile(hive, text));

    HKEY many = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Many", KEY_READ, &many), ERROR_SUCCESS);
    std::uint32_t values = 0;
    ASSERT_EQ(RegQueryInfoKey(many, nullptr, nullptr, &values, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(values, std::uint32_t(kCount));
    char buffer[16];
    for (const auto& [name, expected] :
         {std::pair{"value0", "0"}, std::pair{"Value199999", "199999"},
          std::pair{"value7", "again"}}) {
        std::uint32_t size = sizeof buffer;
        ASSERT_EQ(RegQueryValueEx(many, name, nullptr, buffer, &size), ERROR_SUCCESS) << name;
        EXPECT_STREQ(buffer, expected);
    }
    RegCloseKey(many);

    HKEY keys = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Keys", KEY_READ, &keys), ERROR_SUCCESS);
    int listed = 0;
    QString name;
    std::uint32_t chars = 256;
    for (std::uint32_t i = 0; RegEnumKeyEx(keys, i, &name, &chars) == ERROR_SUCCESS;
         ++i, chars = 256)
        ++listed;
    EXPECT_EQ(listed, kCount);
    RegCloseKey(keys);
}

// ---------------------------------------------------------------------------------------
// The file's text format, read and written without the file.

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
        // Read, but not as text the program could write back unchanged.
        {"text not UTF-8", start + "\"a\"=\"1\"\n\"c\"=\"bad\xffname\"\n", true},
        {"other root",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"1\"\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"="
         "\"1\"\n",
         true},
        {"value before section", "REGEDIT4\n\"a\"=\"1\"\n", false},
        // Cut where what is left still looks like a value: it must not be read as one.
        {"number cut short", start + "\"a\"=\"1\"\n\"b\"=dword:0000", true},
        {"last byte cut short", start + "\"a\"=\"1\"\n\"b\"=hex(1):61,62,0a,6", true},
        {"cut after a comma", start + "\"a\"=\"1\"\n\"b\"=hex:01,02,", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        RegKey root;
        EXPECT_FALSE(regParseHive(c.text, kRoot, root));
        EXPECT_EQ(valueAt(root, QStringLiteral("Software\\T"), "a") != nullptr, c.survives);
        EXPECT_EQ(valueAt(root, QStringLiteral("Software\\T"), "b"), nullptr);
    }
    // A file emptied to start afresh holds nothing to lose.
    for (const QByteArray& blank : {QByteArray(), QByteArray("\xef\xbb\xbf \r\n\n\t")}) {
        RegKey root;
        EXPECT_TRUE(regParseHive(blank, kRoot, root));
    }
    // A path deeper than the limit is refused whole.
    const QByteArray deep =
        "REGEDIT4\n[HKEY_CURRENT_USER" + QByteArray("\\k").repeated(kMaxKeyDepth + 1);
    RegKey root;
    EXPECT_FALSE(regParseHive(deep + "]\n\"a\"=\"1\"\n", kRoot, root));
    EXPECT_TRUE(root.subKeys.empty());
}

} // namespace
