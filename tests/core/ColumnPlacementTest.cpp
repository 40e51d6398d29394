#include "storage/portable/ColumnPlacement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace {

struct Placement {
    std::string what;
    std::vector<int> targets;
    std::vector<int> order;  // original indexes, left to right, after the moves
};

void PrintTo(const Placement& p, std::ostream* os)
{
    *os << p.what;
}

class ColumnOrderCase : public testing::TestWithParam<Placement> {};

TEST_P(ColumnOrderCase, PutsTheColumnsInTheExpectedOrder)
{
    EXPECT_EQ(ColumnOrderAfter(GetParam().targets), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(Stored, ColumnOrderCase,
                         testing::Values(Placement{"no columns", {}, {}}, Placement{"one column in place", {0}, {0}},
                                         Placement{"one column told to go elsewhere", {3}, {0}},
                                         Placement{"the designed order", {0, 1}, {0, 1}},
                                         Placement{"two columns swapped", {1, 0}, {1, 0}},
                                         Placement{"a rotation of three", {2, 0, 1}, {1, 2, 0}},
                                         Placement{"a reversal of four", {3, 2, 1, 0}, {3, 2, 1, 0}}));

INSTANTIATE_TEST_SUITE_P(Broken, ColumnOrderCase,
                         testing::Values(
                             // Only the second column has a stored index: the first keeps its own as
                             // its target and, coming first, claims position 0.
                             Placement{"second column claims the first one's place", {0, 0}, {0, 1}},
                             Placement{"both claim the second place: the first one goes there", {1, 1}, {1, 0}},
                             Placement{"a later claimant of an earlier place", {1, 1, 0}, {2, 0, 1}},
                             Placement{"target past the end", {5, 1}, {0, 1}},
                             Placement{"negative target", {-1, 0}, {1, 0}},
                             Placement{"target equal to the count", {2, 0}, {1, 0}},
                             // The first column goes last; the middle one is left where the moves
                             // push it.
                             Placement{"gaps in the targets", {2, 5, 0}, {2, 1, 0}}));

TEST(ColumnPlacement, RebuildsEveryPermutationOfFiveColumns)
{
    std::vector<int> targets(5);
    std::iota(targets.begin(), targets.end(), 0);
    do {
        std::vector<int> order = ColumnOrderAfter(targets);
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(order[targets[column]], column);
    } while (std::next_permutation(targets.begin(), targets.end()));
}

TEST(ColumnPlacement, ListsOnlyMovesThatChangeSomething)
{
    EXPECT_TRUE(PlanColumnMoves(std::vector<int>{0, 1, 2}).empty());
    EXPECT_EQ(PlanColumnMoves(std::vector<int>{1, 0}), (std::vector<TColumnMove>{{1, 0}}));
}

TEST(ColumnPlacement, GivesEachMoveFromTheIndexAfterTheEarlierMoves)
{
    // Column 2 goes to 0 first, which pushes column 0 to index 1; column 0
    // then goes from there to 2.
    EXPECT_EQ(PlanColumnMoves(std::vector<int>{2, 5, 0}), (std::vector<TColumnMove>{{2, 0}, {1, 2}}));
}

}  // namespace
