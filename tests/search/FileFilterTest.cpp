#include "search/FileFilter.h"

#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char* pattern;
    const char* name;
    bool accepted;
};

class PatternFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(PatternFilter, FollowsTheWildcardRules)
{
    const FilterCase& c = GetParam();
    const FileFilter filter = FileFilter::fromPattern(QString::fromUtf8(c.pattern));
    EXPECT_EQ(filter.accepts(QByteArrayView(c.name)), c.accepted)
        << "pattern " << c.pattern << " name " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, PatternFilter,
    ::testing::Values(
        FilterCase{"*.*", "readme", true}, FilterCase{"*.*", "a.b", true},
        FilterCase{"*.*", ".hidden", true}, FilterCase{"*", "anything", true},
        FilterCase{"*.gif", "Photo.GIF", true}, FilterCase{"*.gif", "photo.gift", false},
        FilterCase{"*.gif", "gif", false}, FilterCase{"*.GIF", "x.gif", true},
        FilterCase{"*.txt;*.doc", "a.txt", false}, // one pattern, not a list
        FilterCase{"*.txt;*.doc", "a.txt;b.doc", true},
        FilterCase{"report?.txt", "report1.txt", true},
        FilterCase{"report?.txt", "report12.txt", false},
        FilterCase{"report?.txt", "reporté.txt", true}, // '?' is one character, not a byte
        FilterCase{"a*b*c", "aXXbYYc", true}, FilterCase{"a*b*c", "aXXbYY", false},
        FilterCase{"abc.*", "abc", true}, // a trailing ".*" also fits a name without a dot
        FilterCase{"abc.*", "abcd", false}, FilterCase{"ÄB*", "äbc.txt", true},
        FilterCase{"*.desktop", "firefox.desktop", true},
        FilterCase{"*.desktop", "x.desktop.bak", false}, FilterCase{"-*", "-rf", true},
        FilterCase{"*.url", "bad\xff.URL", true},
        FilterCase{"b?d*",
                   "b\xff"
                   "d",
                   true}));

TEST(FileFilter, EmptyPatternAndNoChoiceLetNothingThrough)
{
    EXPECT_TRUE(FileFilter().matchesNothing());
    EXPECT_FALSE(FileFilter().accepts("a.txt"));
    EXPECT_TRUE(FileFilter::fromChoice(FileFilter::Custom, QString()).matchesNothing());
    EXPECT_TRUE(FileFilter::fromChoice(-1).matchesNothing());
    EXPECT_TRUE(FileFilter::fromChoice(7).matchesNothing());
}

TEST(FileFilter, ChoicesMapToTheirPatterns)
{
    EXPECT_TRUE(FileFilter::fromChoice(FileFilter::AllFiles).accepts("no-dot"));
    EXPECT_TRUE(FileFilter::fromChoice(FileFilter::Shortcuts).accepts("app.desktop"));
    EXPECT_FALSE(FileFilter::fromChoice(FileFilter::Shortcuts).accepts("site.url"));
    EXPECT_TRUE(FileFilter::fromChoice(FileFilter::InternetShortcuts).accepts("site.URL"));
    EXPECT_FALSE(FileFilter::fromChoice(FileFilter::InternetShortcuts).accepts("hurl"));
    const FileFilter apps = FileFilter::fromChoice(FileFilter::Applications);
    EXPECT_TRUE(apps.needsExecutable());
    EXPECT_TRUE(apps.accepts("anything")); // the walk checks the execute bit
    const FileFilter custom = FileFilter::fromChoice(FileFilter::Custom, u"*.gif"_qs);
    EXPECT_TRUE(custom.accepts("a.gif"));
    EXPECT_FALSE(custom.accepts("a.png"));
}

} // namespace
