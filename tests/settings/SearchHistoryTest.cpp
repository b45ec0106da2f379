#include "settings/SearchHistory.h"
#include "settings/CRegSettings.h"

#include "HiveText.h"
#include "TempHome.h"

#include <gtest/gtest.h>

namespace {

const QString kSection = QStringLiteral("Search terms");

class SearchHistoryTest : public ::testing::Test {
protected:
    TempHome home;
    CRegSettings store = CRegSettings::forProgram();

    QString get(const QString& key) { return store.GetSetting(kSection, key, "<missing>"); }
    void put(const QString& key, const QString& value)
    {
        ASSERT_TRUE(store.SaveSetting(kSection, key, value));
    }
};

TEST_F(SearchHistoryTest, FirstStartListsOneEmptyEntry)
{
    EXPECT_EQ(SearchHistory::loadForStartUp(store), QStringList{QString()});
}

TEST_F(SearchHistoryTest, RepeatedTermLeavesTheHistoryAndCaseCounts)
{
    EXPECT_EQ(SearchHistory::record(store, "abc"), QStringList{"abc"});
    EXPECT_EQ(get("Number"), "1");
    EXPECT_EQ(SearchHistory::record(store, "abc"), std::nullopt);
    EXPECT_EQ(get("Number"), "1");
    EXPECT_EQ(get("Term1"), "<missing>");
    EXPECT_EQ(SearchHistory::record(store, "ABC"), (QStringList{"ABC", "abc"}));
    EXPECT_EQ(SearchHistory::loadForStartUp(store), (QStringList{"ABC", "abc"}));
    // A repeated older term does not move to the top.
    EXPECT_EQ(SearchHistory::record(store, "abc"), std::nullopt);
    EXPECT_EQ(get("Term0"), "ABC");
}

TEST_F(SearchHistoryTest, EmptyTextNeverEntersTheHistory)
{
    EXPECT_EQ(SearchHistory::record(store, QString()), std::nullopt);
    EXPECT_FALSE(HiveText::hasKey(kSection));
}

TEST_F(SearchHistoryTest, TenthTermPushesTheOldestToTheUnreadKey)
{
    for (int i = 1; i <= 9; ++i)
        ASSERT_TRUE(SearchHistory::record(store, QStringLiteral("t%1").arg(i)));
    EXPECT_EQ(get("Number"), "9");
    const std::optional<QStringList> list = SearchHistory::record(store, "t10");
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (QStringList{"t10", "t9", "t8", "t7", "t6", "t5", "t4", "t3", "t2"}));
    EXPECT_EQ(get("Number"), "9");
    EXPECT_EQ(get("Term9"), "t1");
    EXPECT_EQ(SearchHistory::loadForStartUp(store), *list);
    // The term under "Term9" is not part of the history: searching it again adds it.
    EXPECT_TRUE(SearchHistory::record(store, "t1"));
    EXPECT_EQ(get("Term9"), "t2");
}

TEST_F(SearchHistoryTest, MalformedNumberCountsAsEmpty)
{
    put("Number", "abc");
    put("Term0", "old");
    EXPECT_TRUE(SearchHistory::loadForStartUp(store).isEmpty());
    EXPECT_EQ(SearchHistory::record(store, "old"), QStringList{"old"}); // not compared
    EXPECT_EQ(get("Number"), "1");
    EXPECT_EQ(get("Term1"), "<missing>");
}

TEST_F(SearchHistoryTest, GapsReadAsEmptyTerms)
{
    put("Number", "3");
    put("Term0", "a");
    put("Term2", "c");
    EXPECT_EQ(SearchHistory::loadForStartUp(store), (QStringList{"a", "", "c"}));
    EXPECT_EQ(SearchHistory::record(store, "b"), (QStringList{"b", "a", "", "c"}));
    EXPECT_EQ(get("Term1"), "a");
    EXPECT_EQ(get("Term2"), "");
    EXPECT_EQ(get("Term3"), "c");
}

TEST_F(SearchHistoryTest, NumberAboveNineIsHeldAtNine)
{
    put("Number", "50");
    for (int i = 0; i < 12; ++i)
        put(QStringLiteral("Term%1").arg(i), QStringLiteral("s%1").arg(i));
    EXPECT_EQ(SearchHistory::loadForStartUp(store).size(), 9);
    EXPECT_EQ(SearchHistory::record(store, "s10"), // beyond the listed terms: new
              (QStringList{"s10", "s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7"}));
    EXPECT_EQ(get("Number"), "9");
    EXPECT_EQ(get("Term9"), "s8");
    EXPECT_EQ(get("Term10"), "s10"); // untouched: nothing writes past the tenth key
}

TEST_F(SearchHistoryTest, NegativeAndFractionalNumbers)
{
    put("Number", "-2");
    EXPECT_TRUE(SearchHistory::loadForStartUp(store).isEmpty());
    put("Number", "1.5");
    put("Term0", "x");
    put("Term1", "y");
    EXPECT_EQ(SearchHistory::loadForStartUp(store), (QStringList{"x", "y"}));
}

TEST_F(SearchHistoryTest, TermsWithLineBreaksAndQuotesSurvive)
{
    const QString odd = QStringLiteral("two\nlines \"and\" \\ back");
    ASSERT_TRUE(SearchHistory::record(store, odd));
    CRegSettings other = CRegSettings::forProgram(); // a fresh reader sees the same
    EXPECT_EQ(SearchHistory::loadForStartUp(other), QStringList{odd});
}

} // namespace
