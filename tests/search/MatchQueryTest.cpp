#include "search/MatchQuery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

namespace {

// Given as bytes, as the command line does: valid UTF-8 is text, and any other text is matched
// by its bytes (ASCII letters in either case), never taken for U+FFFD.
TEST(MatchQuery, NameContainsTheText)
{
    const struct {
        QByteArray text;
        bool matchCase;
        QByteArray name;
        bool matches;
    } cases[] = {
        {"readme", false, "README.TXT", true},
        {"readme", true, "README.TXT", false},
        {"README", true, "README.TXT", true},
        {"", false, "anything", true},
        {"abc", false, "xaxbxc", false},
        {"ÄBC", false, "xäbc.txt", true},
        {"äbc", true, "ÄBC", false},
        {"äbc", false, "abc", false}, // a non-ASCII text is never in an ASCII name
        {"straße", false, "STRASSE", false},
        {"k", false, "\342\204\252elvin", true},          // KELVIN SIGN lower-cases to k
        {"istanbul", false, "\304\260stanbul.txt", true}, // capital dotted I lower-cases to i
        {"\304\260STANBUL", false, "istanbul", true},
        {"\360\220\220\200", false, "x\360\220\220\250", true}, // a pair of surrogates
        {"ΣΊΣΥΦΟΣ", false, "σίσυφος.txt", true},                // final sigma folds to sigma
        {"bad", false, "BAD\xff\xfe.bin", true},                // not valid UTF-8, still found
        {"日本", false, "日本語.txt", true},
        {"a\xff", false, "xA\xff", true},
        {"A\xff", true, "a\xff", false},
        {"\xc3\xa9\xff", false, "\xc3\x89\xff", false}, // other bytes exact
        {"\xc3\xa9\xff", true, "caf\xc3\xa9\xff", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchQuery::fromBytes(c.text, c.matchCase).matchesName(c.name), c.matches)
            << "text " << c.text.toHex().constData() << " name " << c.name.toHex().constData()
            << " matchCase " << c.matchCase;
    }
}

/// The scan of a whole folder's names never passes over a folder holding a match, whatever
/// the text, case rule or names (long runs cross the scan's chunks), and does pass over
/// folders of ASCII names without one.
TEST(MatchQuery, FolderScanNeverMissesAMatchingName)
{
    const quint32 seed = 4711;
    std::mt19937 random(seed);
    const char* const pieces[] = {"img_", "IMG_", "Invoice", "x",      "\342\204\252", "ä", "Ä",
                                  "\xff", "σ",    "ς",       "readme", ".url",         "e"};
    std::vector<MatchQuery> queries;
    for (const bool matchCase : {false, true}) {
        for (const char* text : {"img_", "IMG_", "invoice", "k", "ä", "ΣΊΣ", "", "e_x"})
            queries.emplace_back(QString::fromUtf8(text), matchCase);
        queries.push_back(MatchQuery::fromBytes("\xffimg", matchCase));
    }
    int passedOver = 0;
    for (int folder = 0; folder < 400; ++folder) {
        std::vector<QByteArray> names(size_t(1 + random() % (folder % 10 == 0 ? 900 : 12)));
        for (QByteArray& name : names) {
            for (int k = int(1 + random() % 4); k > 0; --k)
                name += pieces[random() % std::size(pieces)];
        }
        QByteArray all;
        bool ascii = true;
        for (const QByteArray& name : names) {
            all += name;
            ascii = ascii && std::all_of(name.begin(), name.end(), [](char c) { return c >= 0; });
        }
        for (const MatchQuery& query : queries) {
            const bool any = std::any_of(names.begin(), names.end(),
                                         [&](const QByteArray& n) { return query.matchesName(n); });
            const bool may = query.mayMatchAmong(all, ascii);
            ASSERT_TRUE(may || !any) << "seed " << seed << " folder " << folder << " text "
                                     << query.text().toStdString() << " names " << all.constData();
            passedOver += may ? 0 : 1;
        }
    }
    EXPECT_GT(passedOver, 400) << "seed " << seed;
}

TEST(MatchQuery, TextsLikeAddressesMatchButEmptyOnesNever)
{
    EXPECT_FALSE(MatchQuery(u"Example"_qs, true).matchesText(u"example.org"_qs));
    EXPECT_FALSE(MatchQuery(QString(), false).matchesText(QString()));
    EXPECT_TRUE(MatchQuery(QString(), false).matchesText(u"a"_qs));
    // An address is always valid text: a text of bytes is never in it.
    EXPECT_FALSE(MatchQuery::fromBytes("\xff", false).matchesText(QStringLiteral("\uFFFD")));
}

TEST(LiveQuery, ReadersSeeOnlyWholePublishedQueries)
{
    LiveQuery live;
    live.setSearchText(u"abc"_qs);
    live.setMatchCase(true);
    LiveQuery::Reader reader(live);
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i)
            live.setSearchText(i % 2 ? u"odd"_qs : u"even"_qs);
    });
    for (int i = 0; i < 2000; ++i) {
        const MatchQuery& query = reader.current();
        const QString text = query.text();
        EXPECT_TRUE(text == u"odd"_qs || text == u"even"_qs || text == u"abc"_qs);
        EXPECT_TRUE(query.matchCase());
    }
    writer.join();
}

} // namespace
