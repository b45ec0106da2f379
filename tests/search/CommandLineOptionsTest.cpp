#include "search/CommandLineOptions.h"

#include <gtest/gtest.h>

namespace {

using Action = FindOptions::Action;
using Format = FindOptions::Format;

TEST(FindOptions, ParsesEveryOptionInAnyOrder)
{
    const struct {
        QList<QByteArray> arguments;
        Action action;
        QByteArray text;
        QList<QByteArray> folders;
        Format format;
        bool matchCase;
        bool noSubfolders;
        const char* pattern; // nullptr: none
    } cases[] = {
        {{"--find", "abc", "/a"},
         Action::Search,
         "abc",
         {"/a"},
         Format::Lines,
         false,
         false,
         nullptr},
        {{"--match-case", "--find", "abc", "/a", "/b"},
         Action::Search,
         "abc",
         {"/a", "/b"},
         Format::Lines,
         true,
         false,
         nullptr},
        {{"/a", "--find", "-draft", "--no-subfolders"},
         Action::Search,
         "-draft",
         {"/a"},
         Format::Lines,
         false,
         true,
         nullptr},
        {{"--find", "--help"}, Action::Search, "--help", {}, Format::Lines, false, false, nullptr},
        {{"--find=x=y", "-0"}, Action::Search, "x=y", {}, Format::Nul, false, false, nullptr},
        {{"--find=", "--columns"}, Action::Search, "", {}, Format::Columns, false, false, nullptr},
        {{"--pattern", "*.txt", "--find", "a"},
         Action::Search,
         "a",
         {},
         Format::Lines,
         false,
         false,
         "*.txt"},
        {{"--pattern=*.c", "--find", "a", "--", "-folder", "--find"},
         Action::Search,
         "a",
         {"-folder", "--find"},
         Format::Lines,
         false,
         false,
         "*.c"},
        {{"--find", "a", "-"}, Action::Search, "a", {"-"}, Format::Lines, false, false, nullptr},
        {{"--help"}, Action::Help, {}, {}, Format::Lines, false, false, nullptr},
        {{"--find", "a", "-h"}, Action::Help, "a", {}, Format::Lines, false, false, nullptr},
        {{"--version"}, Action::Version, {}, {}, Format::Lines, false, false, nullptr},
    };
    for (const auto& c : cases) {
        const QByteArray what = c.arguments.join(' ');
        const ParsedFindOptions parsed = parseFindOptions(c.arguments);
        ASSERT_TRUE(parsed.options) << what.constData() << ": " << parsed.error.constData();
        const FindOptions& o = *parsed.options;
        EXPECT_EQ(o.action, c.action) << what.constData();
        if (c.action == Action::Search || o.text) {
            EXPECT_EQ(o.text.value_or("<none>"), c.text) << what.constData();
        }
        EXPECT_EQ(o.folders, c.folders) << what.constData();
        EXPECT_EQ(o.format, c.format) << what.constData();
        EXPECT_EQ(o.matchCase, c.matchCase) << what.constData();
        EXPECT_EQ(o.noSubfolders, c.noSubfolders) << what.constData();
        EXPECT_EQ(o.pattern.has_value(), c.pattern != nullptr) << what.constData();
        if (c.pattern) {
            EXPECT_EQ(o.pattern.value_or(QString()), QString::fromUtf8(c.pattern));
        }
    }
}

TEST(FindOptions, ErrorsWhereverTheyStand)
{
    const struct {
        QList<QByteArray> arguments;
        const char* error;
    } cases[] = {
        {{}, "--find needs a search text"},
        {{"/a"}, "--find needs a search text"},
        {{"--find"}, "--find needs a value"},
        {{"--find", "a", "--pattern"}, "--pattern needs a value"},
        {{"--bogus", "--find", "a"}, "unknown option '--bogus'"},
        {{"--find", "a", "/x", "-z"}, "unknown option '-z'"},
        {{"--help", "--bogus"}, "unknown option '--bogus'"},
        {{"--findx", "a"}, "unknown option '--findx'"},
        {{"--find", "a", "--find=b"}, "--find given twice"},
    };
    for (const auto& c : cases) {
        const ParsedFindOptions parsed = parseFindOptions(c.arguments);
        EXPECT_FALSE(parsed.options) << c.arguments.join(' ').constData();
        EXPECT_EQ(parsed.error, QByteArray(c.error)) << c.arguments.join(' ').constData();
    }
}

TEST(FindOptions, AnyListHoldingFindHelpOrVersionIsForTheFinder)
{
    const struct {
        QList<QByteArray> arguments;
        bool wanted;
    } cases[] = {
        {{"--find", "a"}, true},
        {{"--match-case", "--find", "a", "/d"}, true},
        {{"--find=a"}, true},
        {{"-h"}, true},
        {{"--help"}, true},
        {{"--version"}, true},
        {{}, false},
        {{"-platform", "offscreen"}, false},
        {{"--", "--find"}, false},
        {{"--findings"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findOptionsWanted(c.arguments), c.wanted) << c.arguments.join(' ').constData();
}

} // namespace
