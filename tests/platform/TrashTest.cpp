#include "platform/Trash.h"

#include "ByteFiles.h"
#include "ScriptedFileUi.h"

#include <gtest/gtest.h>

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

TEST_F(TrashTest, ItemsGoToTheHomeTrashWithPercentEncodedRecords)
{
    const QList<QByteArray> names = {"plain", "bad\xff", "line\nbreak", "100% sure"};
    QList<QByteArray> paths;
    for (const QByteArray& name : names) {
        paths.append(m_root + '/' + name);
        bf::write(paths.last(), name);
    }
    bf::mkdir(m_root + "/folder");
    bf::write(m_root + "/folder/inside", "i");
    paths.append(m_root + "/folder");
    ScriptedFileUi ui;
    const FileOpOutcome outcome = runFileJob({FileOpRequest::Kind::Delete, paths, {}}, ui);
    EXPECT_EQ(outcome.done, paths);
    const QByteArray trash = m_data + "/Trash";
    for (const QByteArray& name : names) {
        EXPECT_FALSE(bf::exists(m_root + '/' + name));
        EXPECT_EQ(bf::read(trash + "/files/" + name), name);
        const QByteArray record = info(trash, name);
        EXPECT_TRUE(record.startsWith(QByteArray(
            "[Trash Info]\nPath=" + QByteArray(m_root + "/" + name).toPercentEncoding("/") + "\n")))
            << record.constData();
        EXPECT_TRUE(record.contains("\nDeletionDate=20")) << record.constData();
    }
    EXPECT_EQ(bf::read(trash + "/files/folder/inside"), QByteArray("i"));

    bf::write(m_root + "/plain", "second");
    EXPECT_TRUE(Trash().moveToTrash(m_root + "/plain"));
    EXPECT_EQ(bf::read(trash + "/files/plain.2"), QByteArray("second"));
    EXPECT_EQ(bf::read(trash + "/files/plain"), QByteArray("plain"));
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

} // namespace
