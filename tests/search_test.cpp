// The searches in-process: quiescence, the node prologue, the main search and the driver,
// with the console silenced.
#include "search/search.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/output.h"
#include "engine/timecontrol.h"
#include "eval/evaluate.h"
#include "harness.h"
#include "search/movepick.h"
#include "search/tt.h"
#include "test_util.h"

namespace {

class SearchTest : public testing::Test {
protected:
    void SetUp() override {
        ttClear();
        clearSearchTables();
        resetSearchLimits();
        consoleMuted = true;
    }
    void TearDown() override { consoleMuted = false; }

    // Runs the driver as "go depth N" would on the position.
    void goDepth(const std::string& fen, const std::string& moves, int depth) {
        auto pos = positionFrom(fen, moves);
        ASSERT_TRUE(pos) << fen;
        enginePosition = *pos;
        enginePositionValid = true;
        resetSearchLimits();
        setSearchLimits(0, depth, 0);
        searchDriver();
    }
};

constexpr char kMateInOne[] = "3k5/R8/9/9/9/9/9/9/1R7/4K4 w";
constexpr char kMated[] = "4k3R/R8/9/9/9/9/9/9/9/3K5 b";

}  // namespace

TEST_F(SearchTest, QuietPositionReturnsTheEvaluation) {
    auto pos = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w");
    Move pv[256];
    pv[0] = 0x1234;
    EXPECT_EQ(quiescence(*pos, -30000, 30000, 1, pv), evaluate(-30000, 30000, *pos));
    EXPECT_EQ(pv[0], 0);
    // Depth 0 of the main search is exactly the quiescence search.
    auto start = positionFrom(kStartFen);
    EXPECT_EQ(searchNode(*start, -30000, 30000, 0, 1, pv, false),
              quiescence(*start, -30000, 30000, 1, pv));
}

TEST_F(SearchTest, MatedSidesScoreByPly) {
    auto pos = positionFrom(kMated);
    Move pv[256];
    EXPECT_TRUE(isCheckmated(*pos));
    EXPECT_EQ(quiescence(*pos, -30000, 30000, 3, pv), -29997);
    EXPECT_EQ(searchNode(*pos, -30000, 30000, 3, 7, pv, false), -29993);
    // Nothing is stored for a mated node.
    ProbeResult entry;
    EXPECT_FALSE(ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), entry));
}

TEST_F(SearchTest, RepetitionsScoreBeforeAnythingElse) {
    Move pv[256];
    auto quiet = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w", "e0e1 d9d8 e1e0 d8d9 e0e1");
    ASSERT_TRUE(quiet);
    // The side to move at the root always scores a repetition as -20 for itself.
    EXPECT_EQ(quiescence(*quiet, -30000, 30000, 0, pv), -20);
    quiet->rootCount--;
    EXPECT_EQ(quiescence(*quiet, -30000, 30000, 1, pv), 20);
    EXPECT_EQ(searchNode(*quiet, -30000, 30000, 4, 1, pv, false), 20);
    // Checking throughout loses like being mated: in the first cycle red (to move) gave
    // every check, in the second black (to move) faces the one who did.
    auto checker = positionFrom("4k4/9/9/9/9/9/9/9/4R4/3K5 b", "e9f9 e1f1 f9e9 f1e1 e9f9");
    ASSERT_TRUE(checker);
    checker->rootCount -= 2;
    EXPECT_EQ(quiescence(*checker, -30000, 30000, 2, pv), 2 - 30000);
    auto checked = positionFrom("4k4/9/9/9/9/9/9/9/5R3/3K5 w", "f1e1 e9f9 e1f1 f9e9 f1e1");
    ASSERT_TRUE(checked);
    checked->rootCount -= 3;
    EXPECT_EQ(quiescence(*checked, -30000, 30000, 3, pv), 30000 - 3);
    EXPECT_EQ(repetitionScore(7, 3), 0);
}

TEST_F(SearchTest, MateDistancePruning) {
    auto pos = positionFrom(kStartFen);
    Move pv[256];
    EXPECT_EQ(quiescence(*pos, 29990, 30000, 12, pv), 29987);
    EXPECT_EQ(searchNode(*pos, 29990, 30000, 5, 12, pv, true), 29987);
}

TEST_F(SearchTest, FindsAMateInOneAndStops) {
    goDepth(kMateInOne, "", 10);
    EXPECT_EQ(textOf(Move(searchProgress.bestMove)), "b1b9");
    EXPECT_EQ(searchProgress.bestScore, 29999);
    EXPECT_EQ(searchProgress.reportDepth, 1);
    EXPECT_EQ(searchProgress.pv[1], 0);
}

TEST_F(SearchTest, FindsAMateInTwo) {
    // The rook on d7 and the cannon on e1 mate in two moves: d7e7, then e7e8.
    goDepth("4k4/9/3R5/9/9/9/9/9/4C4/4K4 w", "", 8);
    EXPECT_EQ(textOf(Move(searchProgress.bestMove)), "d7e7");
    EXPECT_EQ(searchProgress.bestScore, 30000 - 3);
}

TEST_F(SearchTest, OneLegalMoveIsSearchedToDepthFour) {
    goDepth("4k4/9/9/9/9/9/9/9/4R4/3K5 b", "", 20);
    EXPECT_EQ(textOf(Move(searchProgress.bestMove)), "e9f9");
    EXPECT_LE(searchProgress.reportDepth, 4);
    EXPECT_TRUE(searchLimits.depthLimited);
    EXPECT_EQ(searchLimits.depthLimit, 4);
}

TEST_F(SearchTest, NoLegalMoveRecordsNoMove) {
    goDepth("3k5/4R4/9/9/9/9/9/9/9/4K4 b", "", 8);
    EXPECT_EQ(searchProgress.bestMove, 0u);
    EXPECT_EQ(searchProgress.boundType, 0);
}

TEST_F(SearchTest, SearchLeavesTheEnginePositionAlone) {
    auto pos = positionFrom(kStartFen, "h2e2 h9g7 h0g2 i9h9");
    enginePosition = *pos;
    enginePositionValid = true;
    Position before = enginePosition;
    resetSearchLimits();
    setSearchLimits(0, 6, 0);
    searchDriver();
    EXPECT_EQ(
        0, std::memcmp(&before, &enginePosition,
                       offsetof(Position, moveHistory) + sizeof(MoveRecord) * before.historyCount));
    // An aborted search (a time limit of 0 ends it at the first poll after iteration 1).
    resetSearchLimits();
    setSearchLimits(1, 0, 1);
    searchLimits.pollInterval = 64;
    searchDriver();
    EXPECT_NE(searchProgress.bestMove, 0u);
    EXPECT_EQ(
        0, std::memcmp(&before, &enginePosition,
                       offsetof(Position, moveHistory) + sizeof(MoveRecord) * before.historyCount));
    EXPECT_EQ(enginePosition.rootCount, before.rootCount);
}

TEST_F(SearchTest, IterationOneOrdersRootMovesByExactScores) {
    goDepth(kStartFen, "h2e2 h9g7", 1);
    for (int i = 1; i < rootMoves.count; i++)
        EXPECT_GE(rootMoves.scores[i - 1], rootMoves.scores[i]);
    EXPECT_EQ(rootMoves.moves[0], Move(searchProgress.bestMove));
    EXPECT_EQ(rootMoves.count, rootLegalMoves.count);
}

TEST(Bench, SignatureIsStable) {
    // The total node count of qarn-bench at depth 4: any change of search behaviour
    // changes it, and a change meant as a pure speed-up must keep it.
    ChildProcess bench(toolPath("qarn-bench"), {"4"});
    std::string output = bench.readRest(120000);
    EXPECT_EQ(bench.waitExit(), 0);
    size_t last = output.rfind("bench nodes ");
    ASSERT_NE(last, std::string::npos) << output;
    EXPECT_EQ(output.substr(last, output.find(' ', last + 12) - last), "bench nodes 250301");
}
