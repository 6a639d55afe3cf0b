// The transposition table: probes and stores of both bounds, replacement in a full bucket
// and by generation, mate scores relative to the node, and the principal variation stored
// as hash moves.
#include "search/tt.h"

#include <gtest/gtest.h>

#include "search/score.h"
#include "test_util.h"

TEST(TranspositionTable, BoundsReplacementMateScoresAndPv) {
    ttClear();
    const uint32_t index = 100;
    ProbeResult result{};
    EXPECT_FALSE(ttProbe(index, 7, result));
    ttStore(index, 7, 0xAAA7, 6, 10, 30000);
    ttStore(index, 7, 0, 8, -30000, 50);  // no move, no lower bound: those stay
    ASSERT_TRUE(ttProbe(index, 7, result));
    EXPECT_EQ(std::vector<int>({result.move, result.lowerDepth, result.lowerBound,
                                result.upperDepth, result.upperBound}),
              std::vector<int>({0xAAA7, 6, 10, 8, 50}));
    ttStore(index, 7, 0xC3B3, 5, 20, 30000);  // shallower: nothing changes
    ttProbe(index, 7, result);
    EXPECT_EQ(result.move, 0xAAA7);
    EXPECT_EQ(result.lowerBound, 10);
    ttStore(index, 7, 0xC3B3, 6, 20, 30000);  // as deep: replaces
    ttProbe(index, 7, result);
    EXPECT_EQ(result.move, 0xC3B3);
    EXPECT_EQ(result.lowerBound, 20);
    EXPECT_FALSE(ttProbe(index, 8, result));
    // The last index slot's bucket runs into the extra entries.
    ttStore(transpositionTable.indexMask, 9, 0x1234, 1, 0, 0);
    EXPECT_TRUE(ttProbe(transpositionTable.indexMask, 9, result));

    // A full bucket: the shallowest of the generation goes, the first of equals; then an
    // entry of an older generation, whatever its depth (a probe refreshes an entry).
    ttClear();
    for (int lock : {1, 2, 3, 4}) ttStore(index, lock, lock, "\4\2\6\2"[lock - 1], 0, 0);
    ttStore(index, 5, 5, 9, 0, 0);
    EXPECT_FALSE(ttProbe(index, 2, result));
    EXPECT_TRUE(ttProbe(index, 4, result) && ttProbe(index, 5, result));
    ttNewSearch();
    for (int lock : {1, 3, 5}) ttProbe(index, lock, result);
    ttStore(index, 6, 6, 1, 0, 0);
    EXPECT_FALSE(ttProbe(index, 4, result));
    EXPECT_TRUE(ttProbe(index, 6, result));
    int start = transpositionTable.generation;
    for (int i = 0; i < 16; i++) ttNewSearch();
    EXPECT_EQ(transpositionTable.generation, start);
    for (int age = 0; age < 16; age++)  // the age of each generation, from 0 (current) to 15
        EXPECT_EQ(transpositionTable.generationAge[(start - age) & 15], age) << age;

    // Mate scores are stored relative to the node; beyond 29744 a score is a mate.
    EXPECT_EQ(std::vector<int>({scoreToTable(30000 - 5, 3), scoreFromTable(30000 - 2, 1),
                                scoreToTable(-30000 + 5, 3), scoreFromTable(-30000 + 2, 1),
                                scoreToTable(29744, 10), isMateScore(29745), isMateScore(-29744)}),
              std::vector<int>({30000 - 2, 30000 - 3, -30000 + 2, -30000 + 3, 29744, 1, 0}));

    // The principal variation becomes hash moves of depth -128, never displacing a
    // searched move.
    ttClear();
    auto pos = positionFrom(kStartFen);
    auto after = positionFrom(kStartFen, "h2e2 h9g7");
    Move line[] = {moveOf("h2e2"), moveOf("h9g7"), moveOf("h0g2"), 0};
    ttStorePv(line, *pos);
    ASSERT_TRUE(ttProbe(uint32_t(after->key), uint32_t(after->key >> 32), result));
    EXPECT_EQ(result.move, line[2]);
    EXPECT_EQ(result.lowerDepth, -128);
    ttStore(uint32_t(pos->key), uint32_t(pos->key >> 32), moveOf("b2e2"), 1, -30000, 30000);
    ttStorePv(line, *pos);
    ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result);
    EXPECT_EQ(result.move, moveOf("b2e2"));
    ttClear();
    Move nullFirst[] = {NULL_MOVE, moveOf("h2e2"), 0};
    ttStorePv(nullFirst, *pos);
    EXPECT_FALSE(ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result));
}
