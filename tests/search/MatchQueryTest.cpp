#include "search/MatchQuery.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct MatchCase {
    const char* text;
    bool matchCase;
    const char* name;
    bool matches;
};

class NameMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NameMatch, ContainsTheText)
{
    const MatchCase& c = GetParam();
    const MatchQuery query(QString::fromUtf8(c.text), c.matchCase);
    EXPECT_EQ(query.matchesName(QByteArrayView(c.name)), c.matches)
        << "text " << c.text << " name " << c.name << " matchCase " << c.matchCase;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NameMatch,
    ::testing::Values(
        MatchCase{"readme", false, "README.TXT", true},
        MatchCase{"readme", true, "README.TXT", false},
        MatchCase{"README", true, "README.TXT", true}, MatchCase{"", false, "anything", true},
        MatchCase{"", true, "x", true}, MatchCase{"txt", false, "notes.TxT", true},
        MatchCase{"abc", false, "xaxbxc", false}, MatchCase{"ÄBC", false, "xäbc.txt", true},
        MatchCase{"äbc", false, "ÄBC", true}, MatchCase{"äbc", true, "ÄBC", false},
        MatchCase{"äbc", true, "äbc", true},
        MatchCase{"äbc", false, "abc", false}, // a non-ASCII text is never in an ASCII name
        MatchCase{"straße", false, "STRASSE", false},
        MatchCase{"k", false,
                  "\xe2\x84\xaa"
                  "elvin",
                  true},                                  // KELVIN SIGN lower-cases to k
        MatchCase{"ΣΊΣΥΦΟΣ", false, "σίσυφος.txt", true}, // final sigma folds to sigma
        MatchCase{"bad", false, "BAD\xff\xfe.bin", true}, // not valid UTF-8, still found
        MatchCase{"x", false, "\xff\xfe", false}, MatchCase{"line", false, "two\nlines", true},
        MatchCase{"-rf", true, "-rf", true}, MatchCase{"日本", false, "日本語.txt", true}));

TEST(MatchQuery, TextsLikeAddressesMatchButEmptyOnesNever)
{
    const MatchQuery query(u"example"_qs, false);
    EXPECT_TRUE(query.matchesText(u"https://EXAMPLE.org/"_qs));
    EXPECT_FALSE(query.matchesText(u"https://other.org/"_qs));
    EXPECT_FALSE(MatchQuery(QString(), false).matchesText(QString()));
    EXPECT_TRUE(MatchQuery(QString(), false).matchesText(u"a"_qs));
    EXPECT_FALSE(MatchQuery(u"Example"_qs, true).matchesText(u"example.org"_qs));
}

TEST(LiveQuery, ReadersSeeEveryPublishedChange)
{
    LiveQuery live;
    LiveQuery::Reader reader(live);
    EXPECT_EQ(reader.current().text(), QString());
    live.setSearchText(u"abc"_qs);
    EXPECT_EQ(reader.current().text(), u"abc"_qs);
    EXPECT_FALSE(reader.current().matchCase());
    live.setMatchCase(true);
    EXPECT_TRUE(reader.current().matchCase());
    EXPECT_FALSE(reader.current().matchesName("ABC"));

    // Another thread publishing while this one reads: every read is a whole query.
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i)
            live.setSearchText(i % 2 ? u"odd"_qs : u"even"_qs);
    });
    for (int i = 0; i < 2000; ++i) {
        const QString text = reader.current().text();
        EXPECT_TRUE(text == u"odd"_qs || text == u"even"_qs || text == u"abc"_qs);
    }
    writer.join();
}

} // namespace
