// The legality info (pins and screens out of check, checkers and their answers in check)
// must give isLegalMove's answer for every pseudo-legal move: checked along random games.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "position/makemove.h"
#include "position/movegen.h"

namespace {

// Middlegames and endgames rich in pins, screens, knight legs and facing kings.
constexpr const char* kGameStarts[] = {
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1",
    "2bakab1r/6r2/1cn4c1/p1p1p3p/9/2P3p2/PC2P1n1P/2N1B1NC1/R4R3/3AKAB2 w - - 0 1",
    "4kar2/4a2rn/4bc3/RN1c5/2bC5/9/4p4/9/4p4/3p1K3 w - - 0 1",
    "3k5/9/4b4/4p4/9/9/9/4R4/9/4K1r2 w - - 0 1",
    "2c1k4/4a4/3nc4/9/4r4/4R4/9/4C4/3nN4/3AK1C2 w - - 0 1",
    "4k4/2P1P4/3n5/9/2c3c2/9/9/3C5/2r1A4/2N1KR3 b - - 0 1",
};

TEST(LegalityInfo, AgreesWithTheFullTestAlongRandomGames) {
    auto pos = std::make_unique<Position>();
    std::mt19937 random(12);
    int movesTested = 0, inCheckNodes = 0;
    for (const char* fen : kGameStarts) {
        for (int game = 0; game < 30; game++) {
            ASSERT_TRUE(setupFen(*pos, fen)) << fen;
            for (int ply = 0; ply < 120 && pos->historyCount + 2 < HISTORY_SIZE; ply++) {
                MoveList moves, legal;
                generateAllMoves(moves, *pos);
                generateLegalMoves(legal, *pos);
                LegalityInfo info;
                computeLegalityInfo(*pos, info);
                inCheckNodes += inCheckNow(*pos);
                for (int i = 0; i < moves.count; i++, movesTested++) {
                    Move move = moves.moves[i];
                    ASSERT_EQ(isLegalMoveWithInfo(move, *pos, info), isLegalMove(move, *pos))
                        << fen << " game " << game << " ply " << ply << " move " << move;
                }
                if (legal.count == 0) break;
                UndoRecord undo;
                makeMove(*pos, legal.moves[random() % legal.count], undo);
            }
        }
    }
    EXPECT_GT(inCheckNodes, 200);
    EXPECT_GT(movesTested, 100000);
}

}  // namespace
