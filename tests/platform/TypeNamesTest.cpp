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

TEST(TypeNames, TheFallbackUpperCasesTheLastExtension)
{
    const char* const cases[][2] = {{"data.xyz", "XYZ File"},   {"data", "File"},
                                    {"trailing.", "File"},      {"x.y.", "Y File"},
                                    {".hidden", "HIDDEN File"}, {"straße.äbc", "ÄBC File"}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(TypeNames::extensionFallback(QString::fromUtf8(name)),
                  QString::fromUtf8(expected))
            << name;
}

TEST(TypeNames, NamesThatDecideByMoreThanTheLastExtensionAreNotMixedUp)
{
    // Each plain name comes first and shares its last extension with the next, which fits a
    // longer, wildcard or whole-name glob: a cache keyed by the extension alone answers wrong.
    const char* const names[] = {"first.gz",       "second.tar.gz", "third.gz",
                                 "Makefile",       "Other",         "notes.md",
                                 "README.md",      "config.am",     "Makefile.am",
                                 "backup.txt",     "backup.txt~",   "abc.vdr",
                                 "123.vdr",        "page.txt",      "page.3",
                                 "libz.2",         "libz.so.2",     "list.txt",
                                 "CMakeLists.txt", "x.env",         "SConscript.env",
                                 "plain.v",        "history.c,v",   "data.xyzzyq",
                                 "holiday.png",    "HOLIDAY.PNG",   "qqzz-no-extension",
                                 "MAKEFILE",       "readme",        "README.txt",
                                 "main.c",         "main.C",        "a.b.",
                                 "report.txt.",    "report.txt",    "ARCHIVE.TAR.GZ",
                                 "libx.so.1",      "straße.txt",    "notes.txt~",
                                 ".bashrc",        "...",           "qqzz.Z"};
    const QMimeDatabase db;
    ASSERT_FALSE(db.mimeTypeForName(u"image/png"_qs).comment().isEmpty()); // the system's data
    TypeNames& typeNames = TypeNames::instance();
    const auto expected = [&](const char* name) {
        const QString text = QString::fromUtf8(name);
        const QList<QMimeType> types = db.mimeTypesForFileName(text);
        return !types.isEmpty() && !types.first().comment().isEmpty()
                   ? types.first().comment()
                   : TypeNames::extensionFallback(text);
    };
    // A walking thread's own cache in front of the shared one must not mix them up either,
    // whichever name of a pair it sees first.
    TypeNames::Local local(typeNames);
    for (const char* name : names) {
        EXPECT_EQ(local.typeName(name, false), expected(name)) << name;
        EXPECT_EQ(typeNames.typeName(name, false), expected(name)) << name;
    }
    TypeNames::Local backwards(typeNames);
    for (auto it = std::rbegin(names); it != std::rend(names); ++it)
        EXPECT_EQ(backwards.typeName(*it, false), expected(*it)) << *it;
    EXPECT_EQ(local.typeName("photo.png", true), u"File Folder"_qs);
    EXPECT_EQ(typeNames.typeName("photo.png", true), u"File Folder"_qs);
}

TEST(TypeNames, EqualTypesShareOneStringAcrossThreads)
{
    TypeNames& names = TypeNames::instance();
    std::vector<QString> results(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            // Half ask the shared cache, half through a cache of their own.
            TypeNames::Local local(names);
            results[i] =
                i % 2 ? local.typeName("shared.qqzz", false) : names.typeName("shared.qqzz", false);
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (const QString& result : results) {
        EXPECT_EQ(result, u"QQZZ File"_qs);
        EXPECT_TRUE(result.isSharedWith(names.typeName("again.qqzz", false)));
    }
}

} // namespace
