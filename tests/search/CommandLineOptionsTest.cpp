#include "search/CommandLineOptions.h"

#include <gtest/gtest.h>

namespace {

using Action = FindOptions::Action;
using Format = FindOptions::Format;

/// The parsed options in one line: action, text, folders, format and the flags that are set.
QByteArray describe(const FindOptions& o)
{
    static const char* const actions[] = {"search", "help", "version"};
    static const char* const formats[] = {"lines", "nul", "columns"};
    QByteArray line = QByteArray(actions[int(o.action)]) + " text=" + o.text.value_or("<none>") +
                      " folders=" + o.folders.join(',') + ' ' + formats[int(o.format)];
    if (o.matchCase)
        line += " case";
    if (o.noSubfolders)
        line += " no-sub";
    if (o.pattern)
        line += " pattern=" + o.pattern->toUtf8();
    return line;
}

TEST(FindOptions, ParsesEveryOptionInAnyOrder)
{
    // A text starting with a dash, --no-subfolders and --pattern: the finder's own tests.
    const struct {
        QList<QByteArray> arguments;
        const char* expected;
    } cases[] = {
        {{"--match-case", "--find", "abc", "/a", "/b"}, "search text=abc folders=/a,/b lines case"},
        {{"--find=x=y", "-0"}, "search text=x=y folders= nul"},
        {{"--find=", "--columns"}, "search text= folders= columns"},
        {{"--pattern=*.c", "--find", "a", "--", "-folder", "--find"},
         "search text=a folders=-folder,--find lines pattern=*.c"},
        {{"--find", "a", "-"}, "search text=a folders=- lines"},
        {{"--help"}, "help text=<none> folders= lines"},
        {{"--find", "a", "-h"}, "help text=a folders= lines"},
        {{"--version"}, "version text=<none> folders= lines"},
    };
    for (const auto& c : cases) {
        const ParsedFindOptions parsed = parseFindOptions(c.arguments);
        const QByteArray what = c.arguments.join(' ');
        ASSERT_TRUE(parsed.options) << what.constData() << ": " << parsed.error.constData();
        EXPECT_EQ(describe(*parsed.options), c.expected) << what.constData();
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
