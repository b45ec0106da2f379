// The settings file as hostile input: links, FIFOs, devices and files far larger than any the
// program writes, and files shaped to make a careless parser slow.
#include "platform/RegistryHive.h"

#include "HiveFiles.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

/// A private home with its settings folder, and a file that a link could point at.
struct PrivateHive {
    PrivateHive() { EXPECT_TRUE(QDir().mkpath(QFileInfo(hive).path())); }
    TempHome home;
    QString hive = hivePath();
    const QByteArray victimText = "root:x:0:0:root:/root:/bin/bash\n";
    QString victim = home.write("victim", victimText);
};

class HostileHiveTest : public ::testing::Test, protected PrivateHive {};

TEST(HostileHive, WhatIsNotARegularFileIsNeitherReadNorWrittenThroughButKeptAsideAndReplaced)
{
    enum Entry { LinkToFile, LinkToDevZero, Fifo, LinkToFifo };
    for (const Entry entry : {LinkToFile, LinkToDevZero, Fifo, LinkToFifo}) {
        SCOPED_TRACE(int(entry));
        const PrivateHive p;
        const QByteArray path = QFile::encodeName(p.hive);
        const QByteArray fifo = QFile::encodeName(p.home.path("fifo"));
        const QByteArray victim = QFile::encodeName(p.victim);
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
        const mode_t type = modeOf(p.hive) & S_IFMT;
        // Reading neither hangs (FIFO) nor runs out of memory (/dev/zero): nothing is there.
        EXPECT_FALSE(keyExists("Software"));
        EXPECT_FALSE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).isEmpty());
        EXPECT_TRUE(RegTakeHiveDamageReport(HKEY_CURRENT_USER).isEmpty()); // told once

        ASSERT_EQ(writeOneValue("mine"), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(p.hive) & S_IFMT, mode_t(S_IFREG));
        EXPECT_EQ(modeOf(p.hive) & 07777, 0600u);
        EXPECT_TRUE(readFile(p.hive).contains("\"v\"=\"mine\""));
        EXPECT_EQ(readFile(p.victim), p.victimText); // the link's target is never written
        EXPECT_EQ(modeOf(p.victim) & 07777, 0644u);
        EXPECT_EQ(modeOf(p.hive + ".bad") & S_IFMT, type); // the entry itself is kept, as it was
        EXPECT_TRUE(keyExists("Software\\H"));
    }
}

TEST_F(HostileHiveTest, ALockFileThatIsALinkIsRefusedNotFollowed)
{
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

TEST_F(HostileHiveTest, TheSettingsFolderIsMadePrivate)
{
    const QString folder = QFileInfo(hive).path();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_EQ(writeOneValue("x"), ERROR_SUCCESS);
    EXPECT_EQ(modeOf(folder) & 07777, 0700u);
    EXPECT_EQ(modeOf(hive) & 07777, 0600u);
    EXPECT_EQ(modeOf(hive + ".lock") & 07777, 0600u);
}

TEST_F(HostileHiveTest, AFileOverTheSizeCapIsDamagedAndKeptWhole)
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
TEST_F(HostileHiveTest, TwoHundredThousandValuesAndKeysReadBackWhole)
{
    constexpr int kCount = 200000;
    QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Many]\n";
    for (int i = 0; i < kCount; ++i)
        text += "\"Value" + QByteArray::number(i) + "\"=\"" + QByteArray::number(i) + "\"\n";
    text += "\"VALUE7\"=\"again\"\n"; // the same name in another case replaces the first
    for (int i = 0; i < kCount; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Keys\\K" + QByteArray::number(i) + "]\n";
    home.write(".config/kestrelfind/HKEY_CURRENT_USER.reg", text);

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

} // namespace
