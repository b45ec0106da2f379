#include "search/FileFilter.h"

#include <gtest/gtest.h>

namespace {

TEST(FileFilter, PatternsFollowTheWildcardRules)
{
    const struct {
        const char* pattern;
        const char* name;
        bool accepted;
    } cases[] = {
        {"*.*", "readme", true}, // also names without a dot
        {"*.*", ".hidden", true},
        {"*.gif", "Photo.GIF", true},
        {"*.gif", "photo.gift", false},
        {"*.gif", "gif", false},
        {"*.txt;*.doc", "a.txt", false}, // one pattern, not a list
        {"*.txt;*.doc", "a.txt;b.doc", true},
        {"report?.txt", "report12.txt", false},
        {"report?.txt", "reporté.txt", true}, // '?' is one character, not a byte
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"abc.*", "abc", true}, // a trailing ".*" also fits a name without a dot
        {"abc.*", "abcd", false},
        {"ÄB*", "äbc.txt", true},
        {"*.url", "bad\xff.URL", true},
        {"b?d*", "b\377d", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileFilter::fromPattern(QString::fromUtf8(c.pattern)).accepts(c.name), c.accepted)
            << "pattern " << c.pattern << " name " << c.name;
    }
}

} // namespace
