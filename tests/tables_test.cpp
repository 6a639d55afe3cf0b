// The precomputed step and sliding tables against their defining examples.
#include "position/tables.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

template <size_t N>
std::vector<int> row(const Square (&entries)[N]) {
    std::vector<int> out;
    for (size_t i = 0; i < N && entries[i] != 0; i++) out.push_back(entries[i]);
    return out;
}

std::vector<int> list(const uint8_t* entries) {
    std::vector<int> out;
    for (; *entries != 0; entries++) out.push_back(*entries);
    return out;
}

using V = std::vector<int>;

}  // namespace

TEST(Tables, KingAndAdvisorSteps) {
    EXPECT_EQ(row(kingMoves[0xB7]), (V{0xA7, 0xB6, 0xB8, 0xC7}));
    EXPECT_EQ(row(kingMoves[0xC6]), (V{0xB6, 0xC7}));
    EXPECT_EQ(row(kingMoves[0x37]), (V{0x36, 0x38, 0x47}));
    EXPECT_TRUE(row(kingMoves[0x97]).empty());
    EXPECT_EQ(row(advisorMoves[0xB7]), (V{0xA6, 0xA8, 0xC6, 0xC8}));
    EXPECT_EQ(row(advisorMoves[0xA6]), (V{0xB7}));
    EXPECT_TRUE(row(advisorMoves[0xA7]).empty());
}

TEST(Tables, BishopsStayOnTheirSide) {
    EXPECT_EQ(row(bishopMoves[0x57]), (V{0x35, 0x39, 0x75, 0x79}));
    EXPECT_EQ(
        (V{bishopEyes[0x57][0], bishopEyes[0x57][1], bishopEyes[0x57][2], bishopEyes[0x57][3]}),
        (V{0x46, 0x48, 0x66, 0x68}));
    EXPECT_EQ(row(bishopMoves[0x75]), (V{0x53, 0x57}));
    EXPECT_EQ(row(bishopMoves[0xC5]), (V{0xA3, 0xA7}));
    EXPECT_TRUE(row(bishopMoves[0x56]).empty());
}

TEST(Tables, KnightJumpsAndLegs) {
    EXPECT_EQ(row(knightMoves[0xC3]), (V{0xA4, 0xB5}));
    EXPECT_EQ((V{knightLegs[0xC3][0], knightLegs[0xC3][1]}), (V{0xB3, 0xC4}));
    EXPECT_EQ(row(knightMoves[0x77]).size(), 8u);
    EXPECT_TRUE(row(knightMoves[0x00]).empty());
}

TEST(Tables, PawnRowsByHalf) {
    EXPECT_EQ(row(pawnMoves[RED][0x97]), (V{0x87}));
    EXPECT_EQ(row(pawnMoves[RED][0x77]), (V{0x67, 0x76, 0x78}));
    EXPECT_EQ(row(pawnMoves[RED][0x33]), (V{0x34}));
    EXPECT_TRUE(row(pawnMoves[RED][0x94]).empty());
    for (int file = 3; file <= 11; file++) {
        for (int rank = 10; rank <= 12; rank++)
            EXPECT_TRUE(row(pawnMoves[RED][rank * 16 + file]).empty());
    }
    EXPECT_EQ(row(pawnMoves[BLACK][0x67]), (V{0x77}));
    EXPECT_EQ(row(pawnMoves[BLACK][0x87]), (V{0x97, 0x86, 0x88}));
    EXPECT_EQ(row(pawnMoves[BLACK][0xCB]), (V{0xCA}));
    EXPECT_TRUE(row(pawnMoves[BLACK][0x64]).empty());
}

TEST(Tables, SlidingAlongARank) {
    // A piece on file 7 with pieces on files 3, 5, 7, 9, 11.
    const SlideLists& entry = rankSlideLists[7 * 512 + 0x155];
    const SlideMasks& masks = rankSlideMasks[7 * 512 + 0x155];
    EXPECT_EQ(list(entry.quiet), (V{6, 8}));
    EXPECT_EQ(list(entry.rookCaptures), (V{5, 9}));
    EXPECT_EQ(list(entry.cannonCaptures), (V{3, 11}));
    EXPECT_EQ(masks.rookCaptureMask, 0x44);
    EXPECT_EQ(masks.cannonCaptureMask, 0x101);
    EXPECT_EQ(masks.emptyMask, 0x28);
    // Alone on the line: every other square is quiet, low side nearest first.
    const SlideLists& alone = rankSlideLists[5 * 512 + (1 << 2)];
    EXPECT_EQ(list(alone.quiet), (V{4, 3, 6, 7, 8, 9, 10, 11}));
    EXPECT_TRUE(list(alone.rookCaptures).empty());
    EXPECT_TRUE(list(alone.cannonCaptures).empty());
    EXPECT_EQ(rankSlideMasks[5 * 512 + (1 << 2)].emptyMask, 0x1FF & ~(1 << 2));
}

TEST(Tables, SlidingAlongAFullFile) {
    const SlideLists& entry = fileSlideLists[3 * 1024 + 0x3FF];
    EXPECT_TRUE(list(entry.quiet).empty());
    EXPECT_EQ(list(entry.rookCaptures), (V{4}));
    EXPECT_EQ(list(entry.cannonCaptures), (V{5}));
    EXPECT_EQ(fileSlideMasks[3 * 1024 + 0x3FF].thirdPieceMask, 1 << 3);
}

TEST(Tables, FixedTablesAndBitCounts) {
    EXPECT_EQ(stepKind(-16), 1);
    EXPECT_EQ(stepKind(17), 2);
    EXPECT_EQ(stepKind(-30), 3);
    EXPECT_EQ(stepKind(32), 0);
    EXPECT_EQ(knightLegOf(-33), -16);
    EXPECT_EQ(knightLegOf(14), -1);
    EXPECT_EQ(knightLegOf(31), 16);
    EXPECT_EQ(knightLegOf(16), 0);
    EXPECT_EQ(fileBitOf[0xA7], 1 << 4);
    EXPECT_EQ(rankBitOf[0xA7], 1 << 7);
    EXPECT_EQ(fileBitOf[0x02], 0);
    EXPECT_EQ(bitCount[0], 0);
    EXPECT_EQ(bitCount[0xFFFF], 16);
    EXPECT_EQ(bitCount[0x155], 5);
}
