// Move ordering: killers, history and the cut-off statistics, and what the picker hands out
// with each move.
#include <gtest/gtest.h>

#include "search/movepick.h"
#include "test_util.h"

// The halvings at 16384 are rarely reached by the searches the other tests run.
TEST(MoveOrdering, KillersHistoryAndCutoffStatistics) {
    clearSearchTables();
    auto pos = positionFrom(kStartFen);
    auto index = [&](Move mv) { return (pieceKindOf[pos->board[moveFrom(mv)]] << 8) + moveTo(mv); };
    Move k = moveOf("b0c2"), m = moveOf("h0g2");
    for (Move mv : {k, m, m, moveOf("h2h9")}) updateKillersAndHistory(mv, *pos, 3, 5);
    EXPECT_EQ(std::vector<Move>({killerMoves[5][0], killerMoves[5][1]}), std::vector<Move>({m, k}));
    EXPECT_EQ(historyScore[index(m)], 18);
    historyScore[7] = 1;
    historyScore[index(k)] = 16384 - 9;
    updateKillersAndHistory(k, *pos, 3, 6);  // the whole table halves: h becomes (h + 1) / 2
    EXPECT_EQ(std::vector<int>({historyScore[index(k)], historyScore[index(m)], historyScore[7]}),
              std::vector<int>({8192, 9, 1}));
    clearSearchTables();
    recordTried(m, *pos);
    recordTried(moveOf("h2h9"), *pos);  // captures are not counted
    recordCutoff(k, *pos);
    EXPECT_EQ(std::vector<int>({triedCount[index(m)], triedCount[index(moveOf("h2h9"))],
                                cutoffCount[index(k)], triedCount[index(k)]}),
              std::vector<int>({2, 1, 2, 2}));
    triedCount[index(k)] = 16383;
    cutoffCount[index(k)] = 100;
    recordCutoff(k, *pos);
    EXPECT_EQ(std::vector<int>({triedCount[index(k)], cutoffCount[index(k)]}),
              std::vector<int>({8192, 51}));
    // The picker hands each quiet move out with its cut-off ratio, captures with the full one;
    // the ratio is exactly `ratio` when it is not below it but below the next value.
    MovePicker picker;
    auto ratioIs = [&](int32_t ratio) {
        return !cutoffRatioBelow(picker, ratio) && cutoffRatioBelow(picker, ratio + 1);
    };
    clearSearchTables();
    cutoffCount[index(moveOf("h2e2"))] = 1;
    triedCount[index(moveOf("h2e2"))] = 8;
    initMovePicker(picker, *pos, false, 0, 0);
    while (Move mv = nextMove(picker)) {
        if (pos->board[moveTo(mv)] != 0) {
            EXPECT_TRUE(ratioIs(FULL_CUTOFF_RATIO));
        }
        if (mv == moveOf("h2e2")) {
            EXPECT_TRUE(ratioIs(2048));
        }
    }
}
