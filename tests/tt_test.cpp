// The transposition table: store and probe, keeping the deepest parts, replacement by
// age and depth, generations, and the mate-score conversion.
#include "search/tt.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

// Keys that share the bucket at index 100 and differ in their lock.
constexpr uint32_t INDEX = 100;

class TranspositionTableTest : public testing::Test {
protected:
    void SetUp() override { ttClear(); }
    void TearDown() override { ttClear(); }
};

}  // namespace

TEST_F(TranspositionTableTest, StoreThenProbe) {
    ProbeResult result{};
    EXPECT_FALSE(ttProbe(INDEX, 7, result));
    ttStore(INDEX, 7, 0xAAA7, 5, -12, 40);
    ASSERT_TRUE(ttProbe(INDEX, 7, result));
    EXPECT_EQ(result.move, 0xAAA7);
    EXPECT_EQ(result.lowerDepth, 5);
    EXPECT_EQ(result.upperDepth, 5);
    EXPECT_EQ(result.lowerBound, -12);
    EXPECT_EQ(result.upperBound, 40);
    EXPECT_FALSE(ttProbe(INDEX, 8, result));
    // A bucket starting at the last index slot runs into the three extra entries.
    ttStore(transpositionTable.indexMask, 9, 0x1234, 1, 0, 0);
    EXPECT_TRUE(ttProbe(transpositionTable.indexMask, 9, result));
}

TEST_F(TranspositionTableTest, EachPartKeepsItsDeepestResult) {
    ProbeResult result{};
    ttStore(INDEX, 7, 0xAAA7, 6, 10, 30000);
    // No move and no bound: the stored ones stay.
    ttStore(INDEX, 7, 0, 8, -30000, 50);
    ASSERT_TRUE(ttProbe(INDEX, 7, result));
    EXPECT_EQ(result.move, 0xAAA7);
    EXPECT_EQ(result.lowerBound, 10);
    EXPECT_EQ(result.lowerDepth, 6);
    EXPECT_EQ(result.upperBound, 50);
    EXPECT_EQ(result.upperDepth, 8);
    // Shallower results do not replace deeper ones; equal depths do.
    ttStore(INDEX, 7, 0xC3B3, 5, 20, 30000);
    ttProbe(INDEX, 7, result);
    EXPECT_EQ(result.move, 0xAAA7);
    EXPECT_EQ(result.lowerBound, 10);
    ttStore(INDEX, 7, 0xC3B3, 6, 20, 30000);
    ttProbe(INDEX, 7, result);
    EXPECT_EQ(result.move, 0xC3B3);
    EXPECT_EQ(result.lowerBound, 20);
}

TEST_F(TranspositionTableTest, ReplacementPrefersOldThenShallow) {
    ProbeResult result{};
    ttStore(INDEX, 1, 0x0001, 4, 0, 0);
    ttStore(INDEX, 2, 0x0002, 2, 0, 0);
    ttStore(INDEX, 3, 0x0003, 6, 0, 0);
    ttStore(INDEX, 4, 0x0004, 2, 0, 0);
    // Same generation: the shallowest goes, the first of two equal ones.
    ttStore(INDEX, 5, 0x0005, 9, 0, 0);
    EXPECT_FALSE(ttProbe(INDEX, 2, result));
    EXPECT_TRUE(ttProbe(INDEX, 4, result));
    EXPECT_TRUE(ttProbe(INDEX, 5, result));
    // An entry of an older generation goes first, whatever its depth; a probe refreshes.
    ttNewSearch();
    ttProbe(INDEX, 1, result);
    ttProbe(INDEX, 3, result);
    ttProbe(INDEX, 5, result);
    ttStore(INDEX, 6, 0x0006, 1, 0, 0);
    EXPECT_FALSE(ttProbe(INDEX, 4, result));
    EXPECT_TRUE(ttProbe(INDEX, 6, result));
}

TEST_F(TranspositionTableTest, GenerationsWrapAfterSixteenSearches) {
    int start = transpositionTable.generation;
    for (int i = 0; i < 16; i++) ttNewSearch();
    EXPECT_EQ(transpositionTable.generation, start);
    EXPECT_EQ(transpositionTable.generationAge[start], 0);
    EXPECT_EQ(transpositionTable.generationAge[(start + 15) & 15], 1);
}

TEST_F(TranspositionTableTest, MateScoresAreStoredRelativeToTheNode) {
    // A mate 5 plies below the root, found at a node of ply 3, is 2 plies from the node.
    EXPECT_EQ(scoreToTable(30000 - 5, 3), 30000 - 2);
    EXPECT_EQ(scoreFromTable(30000 - 2, 1), 30000 - 3);
    EXPECT_EQ(scoreToTable(-30000 + 5, 3), -30000 + 2);
    EXPECT_EQ(scoreFromTable(-30000 + 2, 1), -30000 + 3);
    EXPECT_EQ(scoreToTable(29744, 10), 29744);
    EXPECT_TRUE(isMateScore(29745));
    EXPECT_FALSE(isMateScore(-29744));
}

TEST_F(TranspositionTableTest, PrincipalVariationBecomesHashMoves) {
    auto pos = positionFrom(kStartFen);
    Move line[] = {moveOf("h2e2"), moveOf("h9g7"), moveOf("h0g2"), 0};
    ttStorePv(line, *pos);
    ProbeResult result{};
    ASSERT_TRUE(ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result));
    EXPECT_EQ(result.move, line[0]);
    EXPECT_EQ(result.lowerDepth, -128);
    auto after = positionFrom(kStartFen, "h2e2 h9g7");
    ASSERT_TRUE(ttProbe(uint32_t(after->key), uint32_t(after->key >> 32), result));
    EXPECT_EQ(result.move, line[2]);
    // A searched move is never displaced by a variation move.
    ttStore(uint32_t(pos->key), uint32_t(pos->key >> 32), moveOf("b2e2"), 1, -30000, 30000);
    ttStorePv(line, *pos);
    ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result);
    EXPECT_EQ(result.move, moveOf("b2e2"));
    // Empty or null-led sequences store nothing.
    ttClear();
    Move empty[] = {0};
    Move nullFirst[] = {NULL_MOVE, moveOf("h2e2"), 0};
    ttStorePv(empty, *pos);
    ttStorePv(nullFirst, *pos);
    EXPECT_FALSE(ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result));
}
