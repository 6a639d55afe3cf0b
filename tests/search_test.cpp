// The search's special scores (mates, repetitions, perpetual check, mate-distance pruning)
// and its root: a search leaves the root position as it found it, also when stopped.
#include "search/search.h"

#include <gtest/gtest.h>

#include "engine/parser.h"
#include "engine/timecontrol.h"
#include "search/movepick.h"
#include "search/progress.h"
#include "search/score.h"
#include "search/tt.h"
#include "test_util.h"

class SearchScores : public testing::Test {
protected:
    void SetUp() override {
        ttClear();
        clearSearchTables();
        resetSearchLimits();
    }
};

TEST_F(SearchScores, MatesRepetitionsAndPruning) {
    Move pv[256];
    auto mated = positionFrom("4k3R/R8/9/9/9/9/9/9/9/3K5 b");
    EXPECT_EQ(quiescence(*mated, -30000, 30000, 3, pv), -29997);
    EXPECT_EQ(searchNode(*mated, -30000, 30000, 3, 7, pv, false), -29993);
    ProbeResult entry;
    EXPECT_FALSE(ttProbe(uint32_t(mated->key), uint32_t(mated->key >> 32), entry));
    // The side to move at the root scores a repetition as -20 for itself, others +20.
    auto quiet = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w", "e0e1 d9d8 e1e0 d8d9 e0e1");
    EXPECT_EQ(quiescence(*quiet, -30000, 30000, 0, pv), -20);
    quiet->rootCount--;
    EXPECT_EQ(quiescence(*quiet, -30000, 30000, 1, pv), 20);
    EXPECT_EQ(searchNode(*quiet, -30000, 30000, 4, 1, pv, false), 20);
    // Checking throughout loses like being mated, for the side that gave every check.
    auto checker = positionFrom("4k4/9/9/9/9/9/9/9/4R4/3K5 b", "e9f9 e1f1 f9e9 f1e1 e9f9");
    checker->rootCount -= 2;
    EXPECT_EQ(quiescence(*checker, -30000, 30000, 2, pv), 2 - 30000);
    auto checked = positionFrom("4k4/9/9/9/9/9/9/9/5R3/3K5 w", "f1e1 e9f9 e1f1 f9e9 f1e1");
    checked->rootCount -= 3;
    EXPECT_EQ(quiescence(*checked, -30000, 30000, 3, pv), 30000 - 3);
    EXPECT_EQ(repetitionScore(7, 3), 0);
    // Mate-distance pruning.
    auto start = positionFrom(kStartFen);
    EXPECT_EQ(quiescence(*start, 29990, 30000, 12, pv), 29987);
    EXPECT_EQ(searchNode(*start, 29990, 30000, 5, 12, pv, true), 29987);
}

TEST_F(SearchScores, TheSearchLeavesItsRootAlone) {
    auto root = positionFrom(kStartFen, "h2e2 h9g7 h0g2 i9h9");
    Position before = *root;
    setSearchLimits(e_GoDepth, 6, 0);
    EXPECT_TRUE(iterativeDeepening(*root));
    EXPECT_TRUE(samePosition(before, *root));
    // A stop heard once iteration 1 is complete aborts the search at that poll.
    resetSearchLimits();
    setSearchLimits(e_GoDepth, 20, 0);
    searchLimits.pollInterval = 64;
    searchHooks.pollInput = [] { return searchLimits.abortArmed; };
    EXPECT_FALSE(iterativeDeepening(*root));
    searchHooks.pollInput = nullptr;
    EXPECT_GT(searchProgress.iterationDepth, 1);
    EXPECT_NE(searchProgress.bestMove, 0u);
    EXPECT_TRUE(samePosition(before, *root));
}
