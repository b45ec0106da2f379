#include "search/PathHelpers.h"
#include "search/RowText.h"

#include <QDateTime>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

struct PartCase {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
};

class GetFilenameTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(GetFilenameTest, SplitsLikeTheProgramExpects)
{
    const PartCase& c = GetParam();
    const QString path = QString::fromUtf8(c.path);
    EXPECT_EQ(GetFilename(path, PathPart::Drive), QString());
    EXPECT_EQ(GetFilename(path, PathPart::Folder), QString::fromUtf8(c.folder)) << c.path;
    EXPECT_EQ(GetFilename(path, PathPart::Name), QString::fromUtf8(c.name)) << c.path;
    EXPECT_EQ(GetFilename(path, PathPart::Extension), QString::fromUtf8(c.extension)) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GetFilenameTest,
    ::testing::Values(PartCase{"/a/b.txt", "/a/", "b", ".txt"},
                      PartCase{"archive.tar.gz", "", "archive.tar", ".gz"},
                      PartCase{".profile", "", "", ".profile"},
                      PartCase{"readme", "", "readme", ""},
                      PartCase{"file.", "", "file", ""},
                      PartCase{"a:b.txt", "", "a:b", ".txt"}, // no drives here
                      PartCase{"/home/u/My.Folder", "/home/u/", "My", ".Folder"},
                      PartCase{"/dir.d/plain", "/dir.d/", "plain", ""},
                      PartCase{"/x/Grüße.ТЕКСТ", "/x/", "Grüße", ".ТЕКСТ"}));

TEST(PathHelpers, TrimnullAndTrailingSeparator)
{
    EXPECT_EQ(trimnull(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(trimnull(QString::fromUtf8("ab\0cd", 5)), QStringLiteral("ab"));
    EXPECT_EQ(trimnull(QString()), QString());
    EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/tmp")), QStringLiteral("/tmp/"));
    EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(AddTrailingBackslash(QByteArray("/a\xff")), QByteArray("/a\xff/"));
}

TEST(RowTextTest, SizeIsKilobytesRoundedHalfToEvenWithGrouping)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(sizeText(0), QStringLiteral("0 KB"));
    EXPECT_EQ(sizeText(499), QStringLiteral("0 KB"));
    EXPECT_EQ(sizeText(500), QStringLiteral("0 KB"));
    EXPECT_EQ(sizeText(1500), QStringLiteral("2 KB"));
    EXPECT_EQ(sizeText(2500), QStringLiteral("2 KB"));
    EXPECT_EQ(sizeText(2501), QStringLiteral("3 KB"));
    EXPECT_EQ(sizeText(1234567), QStringLiteral("1,235 KB"));
    EXPECT_EQ(sizeText(Q_INT64_C(5000000000000)), QStringLiteral("5,000,000,000 KB"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(sizeText(1234567), QStringLiteral("1.235 KB"));
    QLocale::setDefault(QLocale::c());
}

TEST(RowTextTest, NameFollowsShowExtensionsAndKeepsBytes)
{
    ResultRow row;
    row.path = QByteArray("/t/archive.tar.gz");
    row.nameOffset = 3;
    EXPECT_EQ(RowText::name(row, true), QStringLiteral("archive.tar.gz"));
    EXPECT_EQ(RowText::name(row, false), QStringLiteral("archive.tar"));
    EXPECT_EQ(RowText::location(row), QStringLiteral("/t/"));
    row.path = QByteArray("/t/bad\xff.txt");
    EXPECT_EQ(RowText::name(row, false), QString::fromUtf8("bad\xef\xbf\xbd"));
    EXPECT_EQ(row.name(), QByteArrayView("bad\xff.txt"));
}

TEST(RowTextTest, DateIsLocalAndEmptyWhenUnknown)
{
    EXPECT_EQ(FileDateText(ResultRow::NoTime), QString());
    const QDateTime noon(QDate(2005, 3, 4), QTime(12, 0));
    EXPECT_EQ(FileDateText(noon.toMSecsSinceEpoch()),
              QLocale().toString(QDate(2005, 3, 4), QLocale::ShortFormat));
}

} // namespace
