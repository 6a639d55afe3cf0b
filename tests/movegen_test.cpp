// Move generation orders, the single-move tests and perft of the start position.
#include <gtest/gtest.h>

#include "position/perft.h"
#include "test_util.h"

using Texts = std::vector<std::string>;

TEST(MoveGen, StartPositionOrders) {
    auto pos = positionFrom(kStartFen);
    MoveList all, captures, quiet, legal;
    generateAllMoves(all, *pos);
    generateCaptures(captures, *pos);
    generateQuietMoves(quiet, *pos);
    generateLegalMoves(legal, *pos);
    EXPECT_EQ(all.count, 44);
    EXPECT_EQ(legal.count, 44);
    EXPECT_EQ(quiet.count, 42);
    EXPECT_EQ(movesOf(captures), (std::vector<Move>{0xA434, 0xAA3A}));
    EXPECT_EQ(std::vector<Move>(all.moves, all.moves + 7),
              (std::vector<Move>{0xC7B7, 0xC6B7, 0xC8B7, 0xC5A3, 0xC5A7, 0xC9A7, 0xC9AB}));
    EXPECT_EQ(all.moves[43], 0x9B8B);
    // Quiet moves: knights, rooks along the file first, cannons, pawns, then advisors,
    // bishops and the king.
    std::vector<Move> quietStart = {0xC4A3, 0xC4A5, 0xCAA9, 0xCAAB, 0xC3B3, 0xC3A3, 0xCBBB,
                                    0xCBAB, 0xA494, 0xA484, 0xA474, 0xA464, 0xA4B4, 0xA4A3,
                                    0xA4A5, 0xA4A6, 0xA4A7, 0xA4A8, 0xA4A9};
    EXPECT_EQ(std::vector<Move>(quiet.moves, quiet.moves + quietStart.size()), quietStart);
    EXPECT_EQ(quiet.moves[41], 0xC7B7);
}

TEST(MoveGen, LoneRookListsRankThenFile) {
    auto pos = positionFrom("3k5/9/9/9/9/4R4/9/9/9/5K3 w - - 0 1");
    MoveList all;
    generateAllMoves(all, *pos);
    Texts texts = textsOf(all);
    Texts rook(texts.begin() + 2, texts.end());  // after the two king moves
    Texts expected = {"e4d4", "e4c4", "e4b4", "e4a4", "e4f4", "e4g4", "e4h4", "e4i4", "e4e5",
                      "e4e6", "e4e7", "e4e8", "e4e9", "e4e3", "e4e2", "e4e1", "e4e0"};
    EXPECT_EQ(rook, expected);
}

TEST(MoveGen, CannonNeedsExactlyOneScreen) {
    // Red cannon e2, red pawn e3 as screen, black pawn e6 beyond it; black king off file.
    auto pos = positionFrom("3k5/9/9/4p4/9/9/4P4/4C4/9/5K3 w - - 0 1");
    MoveList captures;
    generateCaptures(captures, *pos);
    EXPECT_EQ(textsOf(captures), Texts{"e2e6"});
    EXPECT_FALSE(isPseudoLegal(moveOf("e2e3"), *pos));
    EXPECT_FALSE(isPseudoLegal(moveOf("e2e4"), *pos));
    EXPECT_TRUE(isPseudoLegal(moveOf("e2e6"), *pos));
}

TEST(MoveGen, SingleMoveTest) {
    auto pos = positionFrom(kStartFen);
    EXPECT_TRUE(isPseudoLegal(moveOf("h2e2"), *pos));
    EXPECT_TRUE(isPseudoLegal(moveOf("h2h9"), *pos));   // cannon capture over the screen
    EXPECT_FALSE(isPseudoLegal(moveOf("h2h8"), *pos));  // cannon capture without a screen
    EXPECT_FALSE(isPseudoLegal(moveOf("a0a4"), *pos));  // rook through its own pawn
    EXPECT_FALSE(isPseudoLegal(moveOf("e0e2"), *pos));  // no king step
    EXPECT_FALSE(isPseudoLegal(moveOf("h9g7"), *pos));  // black piece, red to move
    EXPECT_FALSE(isPseudoLegal(moveOf("b0d1"), *pos));  // knight leg c0 is blocked
    EXPECT_FALSE(isPseudoLegalQuiet(moveOf("h2h9"), *pos));
    EXPECT_TRUE(isPseudoLegalQuiet(moveOf("b0c2"), *pos));

    // A bishop may not cross the river, a king may not leave the palace, a pawn moves
    // sideways only across the river; facing the other king is pseudo-legal.
    auto far = positionFrom("5k3/9/9/9/2P6/2B6/9/9/3K5/9 w - - 0 1");
    ASSERT_TRUE(far);
    EXPECT_FALSE(isPseudoLegal(moveOf("c4e6"), *far));
    EXPECT_FALSE(isPseudoLegal(moveOf("d1c1"), *far));
    EXPECT_TRUE(isPseudoLegal(moveOf("c5c6"), *far));
    EXPECT_TRUE(isPseudoLegal(moveOf("c5d5"), *far));
    auto home = positionFrom("3k5/9/9/9/9/9/P8/9/9/4K4 w - - 0 1");
    EXPECT_FALSE(isPseudoLegal(moveOf("a3b3"), *home));
    EXPECT_TRUE(isPseudoLegal(moveOf("e0d0"), *home));
    EXPECT_FALSE(isLegalMove(moveOf("e0d0"), *home));
    // Any 16-bit value is answered without reading outside the tables.
    for (int value = 0; value < 0x10000; value++) isPseudoLegal(Move(value), *pos);
}

TEST(MoveGen, MatedAndStalematedSidesHaveNoLegalMove) {
    // Black king e9 checked by the rook on i9, e8 covered by the rook on a8, d9 facing the
    // red king; and a black king on d9 stalemated by a rook on e8.
    auto mated = positionFrom("4k3R/R8/9/9/9/9/9/9/9/3K5 b - - 0 1");
    auto stalemated = positionFrom("3k5/4R4/9/9/9/9/9/9/9/4K4 b - - 0 1");
    ASSERT_TRUE(mated && stalemated);
    MoveList list;
    generateLegalMoves(list, *mated);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(inCheckNow(*mated));
    generateLegalMoves(list, *stalemated);
    EXPECT_EQ(list.count, 0);
    EXPECT_FALSE(inCheckNow(*stalemated));
}

TEST(MoveGen, PerftOfTheStartPosition) {
    auto pos = positionFrom(kStartFen);
    EXPECT_EQ(perft(*pos, 1), 44u);
    EXPECT_EQ(perft(*pos, 2), 1920u);
    EXPECT_EQ(perft(*pos, 3), 79666u);
    EXPECT_EQ(perft(*pos, 4), 3290240u);
}
