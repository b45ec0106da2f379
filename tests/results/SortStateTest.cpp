#include "results/SortState.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// One header click (replayed or the user's) and the state expected after it.
struct Step {
    int column;
    bool replay, sortAscending, listAscending;
    int arrow; ///< the arrow's column, negative when pointing down; 0: no arrow
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
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(testing::Message() << "column " << step.column << " replay " << step.replay);
        state.ApplyingStoredSort = step.replay;
        state.ListView1_ColumnClick(step.column);
        EXPECT_FALSE(state.ApplyingStoredSort);
        EXPECT_EQ(state.SortAscending, step.sortAscending);
        // List column N sorts model key N - 1; an ignored click leaves the list unsorted.
        EXPECT_EQ(state.listSortKey(), step.column >= 1 && step.column <= 6 ? step.column - 1 : -1);
        EXPECT_EQ(state.listAscending(), step.listAscending);
        EXPECT_EQ(state.arrowColumn(), std::abs(step.arrow));
        EXPECT_EQ(step.arrow != 0 && state.arrowUp(), step.arrow > 0); // up only with an arrow
    }
}

constexpr bool T = true, F = false;

INSTANTIATE_TEST_SUITE_P(
    Clicks, SortStateSequence,
    ::testing::Values(
        // The user's clicks on Name, Date and URL, and the end of a search's replay: the list's
        // header tests. Here the replays at start-up, where the stored direction is not shown.
        Sequence{"StartupReplayThenName", T, {{1, T, T, T, 0}, {1, F, F, F, -1}}},
        Sequence{"StartupReplayDescending", F, {{3, T, F, T, 0}, {3, F, T, T, 3}}},
        Sequence{"StartupDateReplay", F, {{4, T, F, T, 0}, {4, F, T, T, 4}}},
        // Date reverses on every click: after a descending Name it is oldest first.
        Sequence{
            "DateAfterDescendingName", T, {{1, F, T, T, 1}, {1, F, F, F, -1}, {4, F, T, T, 4}}},
        Sequence{"OutOfRangeIgnored", T, {{0, T, T, T, 0}, {7, F, T, T, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
