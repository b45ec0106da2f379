#include "settings/SearchHistory.h"

#include "StoreFixture.h"

#include <gtest/gtest.h>

using namespace StoreFixture;

namespace {

const QString kSection = QStringLiteral("Search terms");

class SearchHistoryTest : public StoreTest {
protected:
    QString get(const QString& key) { return store.GetSetting(kSection, key, "<missing>"); }
};

TEST_F(SearchHistoryTest, RepeatedTermsEmptyTextAndLetterCase)
{
    EXPECT_EQ(SearchHistory::loadForStartUp(store), QStringList{QString()});
    EXPECT_EQ(SearchHistory::record(store, QString()), std::nullopt);
    EXPECT_EQ(SearchHistory::record(store, "abc"), QStringList{"abc"});
    EXPECT_EQ(SearchHistory::record(store, "abc"), std::nullopt);
    EXPECT_EQ(get("Number"), "1");
    EXPECT_EQ(SearchHistory::record(store, "ABC"), (QStringList{"ABC", "abc"}));
    EXPECT_EQ(SearchHistory::record(store, "abc"), std::nullopt); // does not move up
    EXPECT_EQ(SearchHistory::loadForStartUp(store), (QStringList{"ABC", "abc"}));
}

TEST_F(SearchHistoryTest, TenthTermPushesTheOldestToTheUnreadKey)
{
    for (int i = 1; i <= 9; ++i)
        ASSERT_TRUE(SearchHistory::record(store, QStringLiteral("t%1").arg(i)));
    const std::optional<QStringList> list = SearchHistory::record(store, "t10");
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (QStringList{"t10", "t9", "t8", "t7", "t6", "t5", "t4", "t3", "t2"}));
    EXPECT_EQ(get("Number"), "9");
    EXPECT_EQ(get("Term9"), "t1");
    EXPECT_EQ(SearchHistory::loadForStartUp(store), *list);
    EXPECT_TRUE(SearchHistory::record(store, "t1")); // Term9 is not part of the history
}

TEST_F(SearchHistoryTest, MalformedNumberCountsAsEmptyAndGapsReadEmpty)
{
    put(kSection, "Number", "abc");
    put(kSection, "Term0", "old");
    EXPECT_TRUE(SearchHistory::loadForStartUp(store).isEmpty());
    EXPECT_EQ(SearchHistory::record(store, "old"), QStringList{"old"});

    put(kSection, "Number", "3");
    put(kSection, "Term0", "a");
    put(kSection, "Term2", "c");
    EXPECT_EQ(SearchHistory::loadForStartUp(store), (QStringList{"a", "", "c"}));
    EXPECT_EQ(SearchHistory::record(store, "b"), (QStringList{"b", "a", "", "c"}));
    EXPECT_EQ(get("Term3"), "c");

    put(kSection, "Number", "50"); // held at nine
    EXPECT_EQ(SearchHistory::loadForStartUp(store).size(), 9);
}

} // namespace
