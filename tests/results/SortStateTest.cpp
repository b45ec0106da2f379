#include "results/SortState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One header click (replayed or the user's) and the state expected after it.
struct Step {
    int column;
    bool replay;
    bool sortAscending;
    int listKey;
    bool listAscending;
    int arrowColumn; ///< 0: no arrow
    bool arrowUp;
};

struct Sequence {
    const char* name;
    bool storedAscending; // SortAscending before the first step
    std::vector<Step> steps;
};

class SortStateSequence : public ::testing::TestWithParam<Sequence> {};

TEST_P(SortStateSequence, FollowsTheColumnClickRules)
{
    SortState state;
    state.SortAscending = GetParam().storedAscending;
    int stepNo = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++stepNo << " column " << step.column);
        state.ApplyingStoredSort = step.replay;
        state.ListView1_ColumnClick(step.column);
        EXPECT_FALSE(state.ApplyingStoredSort);
        EXPECT_EQ(state.SortAscending, step.sortAscending);
        EXPECT_EQ(state.listSortKey(), step.listKey);
        EXPECT_EQ(state.listAscending(), step.listAscending);
        EXPECT_EQ(state.arrowColumn(), step.arrowColumn);
        if (step.arrowColumn != 0) {
            EXPECT_EQ(state.arrowUp(), step.arrowUp);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, SortStateSequence,
    ::testing::Values(
        // Name ascending, Name again reverses; Size and URL keep the direction and take the
        // arrow alone.
        Sequence{"SecondClickReversesOtherColumnsKeep",
                 true,
                 {{1, false, true, 0, true, 1, true},
                  {1, false, false, 0, false, 1, false},
                  {2, false, false, 1, false, 2, false},
                  {6, false, false, 5, false, 6, false}}},
        // Start-up replays Name: no arrow; the first user click on Name reverses.
        Sequence{"StartupReplayThenName",
                 true,
                 {{1, true, true, 0, true, 0, true}, {1, false, false, 0, false, 1, false}}},
        // Stored descending: the replay keeps the list's own ascending direction.
        Sequence{"StartupReplayDescendingKeepsListDirection",
                 false,
                 {{3, true, false, 2, true, 0, true}, {3, false, true, 2, true, 3, true}}},
        // After an ascending Name, Date is newest first; every Date click reverses.
        Sequence{"DateAfterNameIsNewestFirst",
                 true,
                 {{1, false, true, 0, true, 1, true},
                  {4, false, false, 3, false, 4, false},
                  {4, false, true, 3, true, 4, true},
                  {4, false, false, 3, false, 4, false}}},
        // After a descending Name the first Date click gives oldest first.
        Sequence{"DateAfterDescendingName",
                 true,
                 {{1, false, true, 0, true, 1, true},
                  {1, false, false, 0, false, 1, false},
                  {4, false, true, 3, true, 4, true}}},
        // The end of a search replays Date: order and arrow stay as they were.
        Sequence{"EndOfSearchDateReplay",
                 true,
                 {{4, false, false, 3, false, 4, false}, {4, true, false, 3, false, 4, false}}},
        // Start-up replay of Date: the stored direction stays, the list ascending, no arrow.
        Sequence{"StartupDateReplay",
                 false,
                 {{4, true, false, 3, true, 0, true}, {4, false, true, 3, true, 4, true}}},
        // A stored column out of range is ignored and the replay flag still cleared.
        Sequence{"OutOfRangeIgnored",
                 true,
                 {{0, true, true, -1, true, 0, true}, {7, false, true, -1, true, 0, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
