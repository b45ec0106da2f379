#include "search/PathHelpers.h"
#include "search/RowText.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(PathHelpers, GetFilenameSplitsFolderNameAndLastExtension)
{
    const struct {
        const char* path;
        const char* parts; // drive|folder|name|extension
    } cases[] = {
        {"/a/b.txt", "|/a/|b|.txt"},
        {"archive.tar.gz", "||archive.tar|.gz"},
        {".profile", "|||.profile"},
        {"file.", "||file|"},
        {"/dir.d/plain", "|/dir.d/|plain|"}, // a dot in the folder is no extension
        {"/x/Grüße.ТЕКСТ", "|/x/|Grüße|.ТЕКСТ"},
    };
    for (const auto& c : cases) {
        QStringList parts;
        for (const PathPart part :
             {PathPart::Drive, PathPart::Folder, PathPart::Name, PathPart::Extension})
            parts.append(GetFilename(QString::fromUtf8(c.path), part));
        EXPECT_EQ(parts.join(u'|'), QString::fromUtf8(c.parts)) << c.path;
    }
}

TEST(RowTextTest, SizeIsKilobytesRoundedHalfToEvenWithLocaleGrouping)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const struct {
        qint64 bytes;
        const char* text;
    } cases[] = {{500, "0 KB"},         {1500, "2 KB"},
                 {2500, "2 KB"},        {2501, "3 KB"},
                 {1234567, "1,235 KB"}, {Q_INT64_C(5000000000000), "5,000,000,000 KB"}};
    for (const auto& c : cases)
        EXPECT_EQ(sizeText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(sizeText(1234567), u"1.235 KB"_qs);
    QLocale::setDefault(QLocale::c());
}

TEST(PathHelpers, TrimnullAndTrailingSeparator)
{
    EXPECT_EQ(trimnull(QString::fromUtf8("ab\0cd", 5)), u"ab"_qs);
    EXPECT_EQ(trimnull(u"abc"_qs), u"abc"_qs);
    EXPECT_EQ(AddTrailingBackslash(u"/tmp"_qs), u"/tmp/"_qs);
    EXPECT_EQ(AddTrailingBackslash(u"/"_qs), u"/"_qs);
    EXPECT_EQ(AddTrailingBackslash(QByteArray("/a\xff")), QByteArray("/a\xff/"));
}

} // namespace
