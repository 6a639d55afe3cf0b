// The evaluation on worked positions: material, palace threats, rook mobility, trapped
// knights and the lazy cut-offs.
#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "test_util.h"

namespace {

int fullEval(const std::string& fen) {
    auto pos = positionFrom(fen);
    EXPECT_TRUE(pos) << fen;
    return pos ? evaluate(-30000, 30000, *pos) : 0;
}

int threat(const std::string& fen) {
    auto pos = positionFrom(fen);
    EXPECT_TRUE(pos) << fen;
    return pos ? palaceThreatScore(*pos) : 0;
}

}  // namespace

TEST(Eval, StartPositionScoresFourForEitherSide) {
    EXPECT_EQ(fullEval(kStartFen), 4);
    EXPECT_EQ(fullEval("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b"), 4);
    auto pos = positionFrom(kStartFen);
    EXPECT_EQ(rookMobilityScore(*pos), 0);
    EXPECT_EQ(knightTrapScore(*pos), 0);
    EXPECT_EQ(palaceThreatScore(*pos), 0);
}

TEST(Eval, HollowCannon) {
    // Material trunc((265 - 307 + 3) * 1.5) = -58; the cannon on e5 faces the king with
    // nothing between at distance 5: 50.
    EXPECT_EQ(fullEval("4k4/9/9/9/4c4/9/9/9/9/3AKA3 w"), -108);
    EXPECT_EQ(fullEval("4k4/9/9/9/4c4/9/9/9/9/3AKA3 b"), 117);
    // Black's side, mirrored: a red cannon on e4 against the black palace.
    EXPECT_EQ(threat("3aka3/9/9/9/9/4C4/9/9/9/4K4 b"), -50);
}

TEST(Eval, ScreenedCannonByFormation) {
    // Home formation: two pieces between, the one on e1 a red knight: 4 * 6.
    EXPECT_EQ(threat("4k4/9/9/9/4c4/9/4P4/9/4N4/3AKA3 w"), -24);
    // ... with another piece on e1 it adds nothing.
    EXPECT_EQ(threat("4k4/9/9/9/4c4/9/4P4/9/4R4/3AKA3 w"), 0);
    // Open-f formation (advisors d0 and e1): 6, plus 20 when black attacks f0.
    EXPECT_EQ(threat("4k4/9/9/9/4c4/9/4P4/9/4A4/3AK4 w"), -6);
    EXPECT_EQ(threat("4k4/9/9/9/4c4/9/4P4/9/4A4/3AK3r w"), -26);
}

TEST(Eval, BottomCannon) {
    // Advisors d0 and e1, a black cannon on i0 with f0, g0, h0 empty: 15.
    EXPECT_EQ(threat("4k4/9/9/9/9/9/9/9/4A4/3AK3c w"), -15);
    EXPECT_EQ(threat("4k4/9/9/9/9/9/9/9/4A4/3AK3c b"), 15);
    // On a0 the advisor on d0 stands between; in the home formation nothing counts.
    EXPECT_EQ(threat("4k4/9/9/9/9/9/9/9/4A4/c2AK4 w"), 0);
    EXPECT_EQ(threat("3k5/9/9/9/9/9/9/9/9/3AKA2c w"), 0);
}

TEST(Eval, NoThreatWithoutTheHomePalace) {
    // King off its home square, or an advisor missing.
    EXPECT_EQ(threat("4k4/9/9/9/4c4/9/9/9/4K4/3A1A3 w"), 0);
    EXPECT_EQ(threat("4k4/9/9/9/4c4/9/9/9/9/3AK4 w"), 0);
}

TEST(Eval, TrappedKnight) {
    // The knight on a0 finds b2 and c1 held by its own side: 10, doubled in the total.
    auto pos = positionFrom("3k5/9/9/9/9/9/9/1C7/2R6/N3K4 w");
    ASSERT_TRUE(pos);
    EXPECT_EQ(knightTrapScore(*pos), -10);
}

TEST(Eval, RookMobilityShiftsArithmetically) {
    // Red's rook reaches 10 squares, black's 11: a difference of 1 in black's favour.
    auto redToMove = positionFrom("r3k4/9/9/9/9/9/9/9/9/R2K5 w");
    auto blackToMove = positionFrom("r3k4/9/9/9/9/9/9/9/9/R2K5 b");
    ASSERT_TRUE(redToMove && blackToMove);
    EXPECT_EQ(rookMobilityScore(*redToMove), -1);
    EXPECT_EQ(rookMobilityScore(*blackToMove), 0);
}

TEST(Eval, MaterialTruncatesTowardZero) {
    // Kings alone: 205 against 201. Red to move: (4 + 3) * 1.5 = 10.5 gives 10; black to
    // move: (-4 + 3) * 1.5 = -1.5 gives -1.
    EXPECT_EQ(fullEval("3k5/9/9/9/9/9/9/9/9/4K4 w"), 10);
    EXPECT_EQ(fullEval("3k5/9/9/9/9/9/9/9/9/4K4 b"), -1);
}

TEST(Eval, LazyCutOffs) {
    auto pos = positionFrom("3k5/9/9/9/9/9/9/9/9/RR2K4 w");
    ASSERT_TRUE(pos);
    int material = (pos->redScore - pos->blackScore + 3) * 3 / 2;
    EXPECT_EQ(evaluate(material + 160, material + 161, *pos), material + 160);
    EXPECT_EQ(evaluate(material + 500, material + 501, *pos), material + 160);
    EXPECT_EQ(evaluate(material - 1000, material - 160, *pos), material - 160);
    EXPECT_NE(evaluate(-30000, 30000, *pos), material);  // the rooks' mobility counts
}

TEST(Eval, SquareAttacks) {
    auto pos = positionFrom(kStartFen);
    EXPECT_TRUE(isSquareAttackedBy(*pos, RED, 0xB7));     // e1: king and advisors
    EXPECT_TRUE(isSquareAttackedBy(*pos, RED, 0xA5));     // c2: the knight on b0
    EXPECT_TRUE(isSquareAttackedBy(*pos, BLACK, 0xC4));   // b0: the cannon over b2
    EXPECT_FALSE(isSquareAttackedBy(*pos, BLACK, 0x94));  // b3: the cannon has no screen
    EXPECT_FALSE(isSquareAttackedBy(*pos, BLACK, 0x97));  // e3
}
