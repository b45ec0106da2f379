#include "platform/TypeNames.h"

#include <QMimeDatabase>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

/// The private test home hides the system's MIME database; the type names need it, so the
/// system data folders (never the user's home) are put back before anything loads it.
class SystemMimeData : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("XDG_DATA_DIRS", qgetenv("XDG_DATA_DIRS") + ":/usr/local/share:/usr/share");
    }
};
const auto* const systemMimeData = ::testing::AddGlobalTestEnvironment(new SystemMimeData);

struct FallbackCase {
    const char* name;
    const char* expected;
};

class ExtensionFallback : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(ExtensionFallback, UpperCasesTheLastExtension)
{
    EXPECT_EQ(TypeNames::extensionFallback(QString::fromUtf8(GetParam().name)),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Names, ExtensionFallback,
                         ::testing::Values(FallbackCase{"data.xyz", "XYZ File"},
                                           FallbackCase{"data", " File"},
                                           FallbackCase{"trailing.", " File"},
                                           FallbackCase{"x.y.", "Y File"},
                                           FallbackCase{".hidden", "HIDDEN File"},
                                           FallbackCase{"straße.äbc", "ÄBC File"}));

TEST(TypeNames, FoldersUnknownAndKnownTypes)
{
    TypeNames& names = TypeNames::instance();
    EXPECT_EQ(names.typeName("photo.png", true), u"File Folder"_qs);
    EXPECT_EQ(names.typeName("data.xyzzyq", false), u"XYZZYQ File"_qs);
    EXPECT_EQ(names.typeName("noextension", false), u" File"_qs);
    const QMimeDatabase db;
    const QString png = db.mimeTypeForName(u"image/png"_qs).comment();
    ASSERT_FALSE(png.isEmpty());
    EXPECT_EQ(names.typeName("holiday.png", false), png);
    EXPECT_EQ(names.typeName("HOLIDAY.PNG", false), png);
}

TEST(TypeNames, NamesThatDecideByMoreThanTheLastExtensionAreNotMixedUp)
{
    TypeNames& names = TypeNames::instance();
    const QMimeDatabase db;
    ASSERT_FALSE(db.mimeTypesForFileName(u"a.gz"_qs).isEmpty());
    ASSERT_FALSE(db.mimeTypesForFileName(u"a.tar.gz"_qs).isEmpty());
    ASSERT_FALSE(db.mimeTypesForFileName(u"Makefile"_qs).isEmpty());
    const QString gzip = db.mimeTypesForFileName(u"a.gz"_qs).first().comment();
    const QString tarGzip = db.mimeTypesForFileName(u"a.tar.gz"_qs).first().comment();
    ASSERT_NE(gzip, tarGzip);
    EXPECT_EQ(names.typeName("first.gz", false), gzip);
    EXPECT_EQ(names.typeName("second.tar.gz", false), tarGzip);
    EXPECT_EQ(names.typeName("third.gz", false), gzip);
    const QString makefile = db.mimeTypesForFileName(u"Makefile"_qs).first().comment();
    EXPECT_EQ(names.typeName("Makefile", false), makefile);
    EXPECT_EQ(names.typeName("Other", false), u" File"_qs);
}

TEST(TypeNames, NamesFitByWildcardGlobsGetTheirOwnTypeNotTheirExtensions)
{
    // Each pair shares its last extension; the second fits a glob with wildcards or a whole
    // name, so a cache keyed by the extension alone would answer it wrongly.
    const char* const names[] = {
        "notes.md", "README.md",      "config.am", "Makefile.am",    "backup.txt", "backup.txt~",
        "abc.vdr",  "123.vdr",        "page.txt",  "page.3",         "libz.2",     "libz.so.2",
        "list.txt", "CMakeLists.txt", "x.env",     "SConscript.env", "plain.v",    "history.c,v"};
    const QMimeDatabase db;
    TypeNames& typeNames = TypeNames::instance();
    for (const char* name : names) {
        const QString text = QString::fromLatin1(name);
        const QList<QMimeType> types = db.mimeTypesForFileName(text);
        const QString expected = !types.isEmpty() && !types.first().comment().isEmpty()
                                     ? types.first().comment()
                                     : TypeNames::extensionFallback(text);
        EXPECT_EQ(typeNames.typeName(name, false), expected) << name;
    }
}

TEST(TypeNames, EqualTypesShareOneStringAcrossThreads)
{
    TypeNames& names = TypeNames::instance();
    std::vector<QString> results(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = names.typeName("shared.qqzz", false); });
    for (std::thread& t : threads)
        t.join();
    for (const QString& result : results) {
        EXPECT_EQ(result, u"QQZZ File"_qs);
        EXPECT_TRUE(result.isSharedWith(names.typeName("again.qqzz", false)));
    }
}

} // namespace
