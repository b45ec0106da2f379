#include "platform/Trash.h"

#include "ByteFiles.h"
#include "ScriptedFileUi.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace bf = bytefiles;

namespace {

/// Points XDG_DATA_HOME at a folder that does not exist yet, for one test.
class TrashTest : public ::testing::Test {
protected:
    TrashTest()
        : m_saved(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", m_data);
    }
    ~TrashTest() override { qputenv("XDG_DATA_HOME", m_saved); }

    QByteArray info(const QByteArray& trash, const QByteArray& entry) const
    {
        return bf::read(trash + "/info/" + entry + ".trashinfo").value_or("missing");
    }

    bf::TempFolder m_dir;
    QByteArray m_root = m_dir.path();
    QByteArray m_data = m_root + "/not yet/share";
    QByteArray m_saved;
};

TEST_F(TrashTest, AJobPutsFilesAndFoldersInTheHomeTrash)
{
    // Names of every byte go straight to the trash in the record test; here through a job.
    const QByteArray file = m_root + "/bad\xff";
    bf::write(file, "first");
    bf::mkdir(m_root + "/folder");
    bf::write(m_root + "/folder/inside", "i");
    const QList<QByteArray> paths = {file, m_root + "/folder"};
    ScriptedFileUi ui;
    EXPECT_EQ(runFileJob({FileOpRequest::Kind::Delete, paths, {}}, ui).done, paths);
    const QByteArray trash = m_data + "/Trash";
    EXPECT_FALSE(bf::exists(file) || bf::exists(m_root + "/folder"));
    EXPECT_EQ(bf::read(trash + "/files/folder/inside"), QByteArray("i"));
    EXPECT_NE(info(trash, "folder"), "missing");
    EXPECT_NE(info(trash, "bad\xff"), "missing");

    // Another Trash object finds the name taken on the disk and never overwrites it.
    bf::write(file, "second");
    EXPECT_TRUE(Trash().moveToTrash(file));
    EXPECT_EQ(bf::read(trash + "/files/bad\xff.2"), QByteArray("second"));
    EXPECT_EQ(bf::read(trash + "/files/bad\xff"), QByteArray("first"));
}

TEST_F(TrashTest, AnItemOnAnotherFileSystemGoesToItsTopDirectoryTrash)
{
    bf::TmpfsMount disk;
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    bf::mkdir(disk.path() + "/sub");
    bf::write(disk.path() + "/sub/f\xff", "x");
    EXPECT_TRUE(Trash().moveToTrash(disk.path() + "/sub/f\xff"));
    const QByteArray trash = disk.path() + "/.Trash-" + QByteArray::number(::getuid());
    EXPECT_EQ(bf::read(trash + "/files/f\xff"), QByteArray("x"));
    EXPECT_TRUE(info(trash, "f\xff").startsWith("[Trash Info]\nPath=sub/f%FF\n"));
    EXPECT_FALSE(bf::exists(disk.path() + "/sub/f\xff"));

    // No trash can be made on a read-only file system: the item stays.
    bf::write(disk.path() + "/stays", "s");
    ::rename(trash.constData(), QByteArray(disk.path() + "/old-trash").constData());
    ASSERT_TRUE(disk.makeReadOnly());
    const Trash::Result result = Trash().moveToTrash(disk.path() + "/stays");
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(bf::read(disk.path() + "/stays"), QByteArray("s"));
}

TEST_F(TrashTest, RecordsKeepEveryByteOfThePathAndTheTimeOfDeletion)
{
    // Every byte a name can hold, in two names short enough for their records' names.
    QByteArray low, high;
    for (int c = 1; c < 128; ++c) {
        if (c != '/')
            low += char(c);
    }
    for (int c = 128; c < 256; ++c)
        high += char(c);
    const QList<QByteArray> names = {low, high, "same", "same", "same"};
    Trash trash; // one object for all, as a job uses it
    const time_t before = ::time(nullptr);
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray path = m_root + '/' + names[i];
        bf::write(path, QByteArray::number(i));
        const Trash::Result result = trash.moveToTrash(path);
        EXPECT_TRUE(result) << i << ' ' << qPrintable(result.message);
        EXPECT_FALSE(bf::exists(path)) << i;
    }
    const time_t after = ::time(nullptr);
    const QByteArray home = m_data + "/Trash";
    const QList<QByteArray> entries = {low, high, "same", "same.2", "same.3"};
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(bf::read(home + "/files/" + entries[i]), QByteArray::number(i)) << i;
        const QList<QByteArray> lines = info(home, entries[i]).split('\n');
        ASSERT_EQ(lines.size(), 4) << i;
        EXPECT_EQ(lines[0], "[Trash Info]");
        EXPECT_EQ(lines[1], "Path=" + QByteArray(m_root + '/' + names[i]).toPercentEncoding("/"));
        ASSERT_TRUE(lines[2].startsWith("DeletionDate=")) << lines[2].constData();
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)),
                                                     QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        ASSERT_TRUE(when.isValid()) << lines[2].constData();
        EXPECT_GE(when.toSecsSinceEpoch(), qint64(before));
        EXPECT_LE(when.toSecsSinceEpoch(), qint64(after));
        EXPECT_TRUE(lines[3].isEmpty());
    }
    // Nothing half-done is left: one record per trashed item.
    EXPECT_EQ(bf::list(home + "/info").size(), entries.size());
    EXPECT_EQ(bf::list(home + "/files").size(), entries.size());
}

/// The DeletionDate is the local wall-clock time, also across daylight-saving changes.
TEST(TrashDeletionDate, IsTheLocalTimeOfTheSecond)
{
    const QByteArray saved = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const char* const zones[] = {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "<+0530>-5:30", "<-03>3"};
    const time_t seconds[] = {0, 951782400, 1711846799, 1711846800, 1729990800, 2000000000};
    for (const char* zone : zones) {
        qputenv("TZ", zone);
        ::tzset();
        for (const time_t second : seconds) {
            const QString expected = QDateTime::fromSecsSinceEpoch(second, Qt::LocalTime)
                                         .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
            EXPECT_EQ(Trash::deletionDate(second), expected.toLatin1())
                << zone << ' ' << qint64(second);
        }
    }
    if (hadZone)
        qputenv("TZ", saved);
    else
        qunsetenv("TZ");
    ::tzset();
}

} // namespace
