// The Position record: FEN loading and its refusals, move text, keys, make/unmake,
// check and repetition.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "eval/psqt.h"
#include "position/keys.h"
#include "position/tables.h"
#include "test_util.h"

namespace {

int recomputedScore(const Position& pos, int colour) {
    int sum = 0;
    for (int p = colour; p < colour + 16; p++) {
        if (pos.pieceSquare[p] != 0) sum += pieceValue(p, pos.pieceSquare[p]);
    }
    return sum;
}

// Every derived field agrees with the board.
void expectConsistent(const Position& pos) {
    uint16_t rankBits[16] = {}, fileBits[16] = {};
    uint32_t mask = 0;
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        ASSERT_EQ(pos.board[sq], p);
        rankBits[rankOf(sq)] |= fileBitOf[sq];
        fileBits[fileOf(sq)] |= rankBitOf[sq];
        mask |= 1u << (p - 16);
    }
    for (int sq = 0; sq < 256; sq++) {
        if (pos.board[sq] != 0) {
            ASSERT_EQ(pos.pieceSquare[pos.board[sq]], sq);
        }
        if (!inBoard[sq]) {
            ASSERT_EQ(pos.board[sq], 0);
        }
    }
    ASSERT_EQ(0, std::memcmp(rankBits, pos.rankBits, sizeof rankBits));
    ASSERT_EQ(0, std::memcmp(fileBits, pos.fileBits, sizeof fileBits));
    ASSERT_EQ(mask, pos.pieceMask);
    ASSERT_EQ(pos.key, computeKey(pos));
    ASSERT_EQ(pos.keyHistory[pos.historyCount - 1], pos.key);
    ASSERT_EQ(pos.redScore, recomputedScore(pos, RED_BIT));
    ASSERT_EQ(pos.blackScore, recomputedScore(pos, BLACK_BIT));
}

bool samePosition(const Position& a, const Position& b) {
    return std::memcmp(a.board, b.board, sizeof a.board) == 0 &&
           std::memcmp(a.pieceSquare, b.pieceSquare, sizeof a.pieceSquare) == 0 &&
           a.side == b.side && std::memcmp(a.rankBits, b.rankBits, sizeof a.rankBits) == 0 &&
           std::memcmp(a.fileBits, b.fileBits, sizeof a.fileBits) == 0 && a.key == b.key &&
           a.redScore == b.redScore && a.blackScore == b.blackScore && a.pieceMask == b.pieceMask &&
           a.historyCount == b.historyCount && a.rootCount == b.rootCount &&
           std::memcmp(a.moveHistory, b.moveHistory, sizeof(MoveRecord) * a.historyCount) == 0 &&
           std::memcmp(a.keyHistory, b.keyHistory, sizeof(uint64_t) * a.historyCount) == 0;
}

}  // namespace

TEST(Position, StartPosition) {
    auto pos = positionFrom(kStartFen);
    ASSERT_TRUE(pos);
    const int red[16] = {0xC7, 0xC6, 0xC8, 0xC5, 0xC9, 0xC4, 0xCA, 0xC3,
                         0xCB, 0xA4, 0xAA, 0x93, 0x95, 0x97, 0x99, 0x9B};
    const int black[16] = {0x37, 0x36, 0x38, 0x35, 0x39, 0x34, 0x3A, 0x33,
                           0x3B, 0x54, 0x5A, 0x63, 0x65, 0x67, 0x69, 0x6B};
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(pos->pieceSquare[16 + i], red[i]);
        EXPECT_EQ(pos->pieceSquare[32 + i], black[i]);
    }
    EXPECT_EQ(pos->pieceMask, 0xFFFFFFFFu);
    EXPECT_EQ(pos->side, RED);
    EXPECT_EQ(pos->redScore, 1131);
    EXPECT_EQ(pos->blackScore, 1131);
    EXPECT_EQ(pos->historyCount, 1);
    EXPECT_EQ(pos->rootCount, 1);
    EXPECT_EQ(pos->moveHistory[0], 0x0101u);
    expectConsistent(*pos);
}

TEST(Position, FenDetails) {
    // Pieces of one kind are numbered in text order: a9's rook is 39, i9's is 40.
    auto pos = positionFrom(kStartFen);
    EXPECT_EQ(pos->board[0x33], 39);
    EXPECT_EQ(pos->board[0x3B], 40);
    auto red = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 r");
    auto black = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 b");
    auto white = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w");
    ASSERT_TRUE(red && black && white);
    EXPECT_EQ(red->side, RED);
    EXPECT_EQ(white->side, RED);
    EXPECT_EQ(black->side, BLACK);
    EXPECT_EQ(red->key ^ black->key, sideKey);
    // Alternative letters: G advisor, E bishop, H knight; unknown letters are pawns.
    auto letters = positionFrom("2egkg3/9/4h4/4x4/9/9/9/9/9/4K4 w");
    ASSERT_TRUE(letters);
    EXPECT_EQ(letters->board[0x36], 33);
    EXPECT_EQ(letters->board[0x35], 35);
    EXPECT_EQ(letters->board[0x57], 37);
    EXPECT_EQ(letters->board[0x67], 43);
    // A checking set-up is recorded in the set-up entry.
    auto check = positionFrom("4k4/9/9/9/9/9/9/9/4R4/3K5 b");
    EXPECT_EQ(check->moveHistory[0], 0x01000101u);
    EXPECT_TRUE(inCheckNow(*check));
}

TEST(Position, RejectedFens) {
    Position pos;
    const char* bad[] = {
        "",                                 // empty
        "rnbakabnr/9/1c5c1",                // ends inside the board field
        "4k4/9/9/9/9/9/9/9/9/4K4",          // no side field
        "4k4/9/9/9/9/9/9/9/9/3K5w",         // still inside the board field
        "3kk4/9/9/9/9/9/9/9/9/4K4 w",       // two black kings
        "4k4/9/9/9/9/9/9/9/9/3RRRK2 w",     // three red rooks
        "4k4/9/9/PPPPPP3/9/9/9/9/9/4K4 w",  // six red pawns
        "4k4/9/9/9/9/9/9/9/9/9 w",          // no red king
        "9/9/9/9/9/9/9/9/9/4K4 w",          // no black king
        "4k4/9/9/9/9/9/9/9/9/4K4 w",        // kings face: black, not to move, is in check
        "4k4/9/9/9/9/9/9/9/3r5/3K5 b",      // red, not to move, is in check
        " w",                               // an empty board
    };
    for (const char* fen : bad) EXPECT_FALSE(setupFen(pos, fen)) << fen;
    EXPECT_TRUE(setupFen(pos, "4k4/9/9/9/9/9/9/9/4R4/3K5 b"));  // the side to move is in check
}

TEST(Position, MoveText) {
    char text[5];
    EXPECT_FALSE(moveToText(0xAAA7, text, 4));
    EXPECT_TRUE(moveToText(0xAAA7, text, 5));
    EXPECT_STREQ(text, "h2e2");
    moveToText(0x0101, text, 5);
    EXPECT_STREQ(text, "null");
    EXPECT_EQ(moveOf("h2e2"), 0xAAA7);
    EXPECT_EQ(moveOf("a0i9"), 0xC33B);
    EXPECT_EQ(moveOf("j2e2"), 0);
    EXPECT_EQ(moveOf("h2e:"), 0);
    EXPECT_EQ(moveOf("H2E2"), 0);
    EXPECT_TRUE(isRealMove(0xAAA7));
    EXPECT_FALSE(isRealMove(0));
    EXPECT_FALSE(isRealMove(0x0101));
    EXPECT_FALSE(isRealMove(0x10000));
}

TEST(Position, MoveTextsAreCheckedBeforeTheyArePlayed) {
    auto pos = positionFrom(kStartFen);
    EXPECT_TRUE(tryMoveText(*pos, packMoveText("h2e2")));
    EXPECT_FALSE(tryMoveText(*pos, packMoveText("h2e2")));  // the cannon has gone
    EXPECT_FALSE(tryMoveText(*pos, packMoveText("e9e7")));  // no king step of two
    EXPECT_FALSE(tryMoveText(*pos, packMoveText("zz99")));
    EXPECT_TRUE(tryMoveText(*pos, packMoveText("h9g7")));
    // A king step that faces the other king is refused.
    auto kings = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w");
    EXPECT_FALSE(tryMoveText(*kings, packMoveText("e0d0")));
    EXPECT_TRUE(tryMoveText(*kings, packMoveText("e0e1")));
    EXPECT_EQ(pos->historyCount, 3);
    expectConsistent(*pos);
}

TEST(Position, HistoryKeepsRoomForASearch) {
    auto pos = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w");
    const char* cycle[] = {"e0e1", "d9d8", "e1e0", "d8d9"};
    int played = 0;
    while (tryMoveText(*pos, packMoveText(cycle[played % 4]))) played++;
    EXPECT_EQ(pos->historyCount + SEARCH_HISTORY_ROOM, HISTORY_SIZE);
    EXPECT_EQ(played, HISTORY_SIZE - SEARCH_HISTORY_ROOM - 1);
}

TEST(Position, MakeUnmakeRestoresEverythingAndKeepsInvariants) {
    std::mt19937 random(12345);
    for (int game = 0; game < 40; game++) {
        auto pos = positionFrom(kStartFen);
        for (int ply = 0; ply < 150; ply++) {
            MoveList legal;
            generateLegalMoves(legal, *pos);
            if (legal.count == 0) break;
            MoveList all;
            generateAllMoves(all, *pos);
            // Every pseudo-legal move, capture or not, is taken back exactly.
            for (int i = 0; i < all.count; i++) {
                Position before = *pos;
                UndoRecord undo;
                makeMove(*pos, all.moves[i], undo);
                ASSERT_NO_FATAL_FAILURE(expectConsistent(*pos));
                unmakeMove(*pos, all.moves[i], undo);
                ASSERT_TRUE(samePosition(before, *pos)) << textOf(all.moves[i]);
            }
            Position beforeNull = *pos;
            UndoRecord nullUndo;
            makeNullMove(*pos, nullUndo);
            EXPECT_FALSE(inCheckNow(*pos));
            ASSERT_NO_FATAL_FAILURE(expectConsistent(*pos));
            unmakeNullMove(*pos, nullUndo);
            ASSERT_TRUE(samePosition(beforeNull, *pos));

            Move mv = legal.moves[random() % legal.count];
            UndoRecord undo;
            PieceIndex captured = pos->board[moveTo(mv)];
            uint32_t mask = pos->pieceMask;
            makeMove(*pos, mv, undo);
            EXPECT_EQ(pos->pieceMask, captured ? mask & ~(1u << (captured - 16)) : mask);
            EXPECT_EQ(inCheckNow(*pos), isSideInCheck(*pos, pos->side));
            ASSERT_NO_FATAL_FAILURE(expectConsistent(*pos));
        }
    }
}

TEST(Position, IncrementalScores) {
    auto pos = positionFrom(kStartFen);
    UndoRecord undo;
    makeMove(*pos, moveOf("h2e2"), undo);
    EXPECT_EQ(pos->redScore, 1131 + 5);
    EXPECT_EQ(pos->blackScore, 1131);
    // Black rook on a9 reads the table entry of i0.
    EXPECT_EQ(pieceValue(39, 0x33), 194);
    // The knight gains 9 (85 -> 94); the captured pawn on e6 costs black 18.
    auto capture = positionFrom(kStartFen, "h2e2 h9g7 e2e6");
    EXPECT_EQ(capture->blackScore, 1131 + 9 - 18);
    EXPECT_EQ(capture->moveHistory[3] >> 16 & 0xFF, 45u);
    EXPECT_FALSE(capture->moveHistory[3] & CHECK_BIT);  // no screen before the king
}

TEST(Position, CheckDetection) {
    struct Case {
        const char* fen;
        int side;
        bool inCheck;
    };
    const Case cases[] = {
        {"4k4/9/9/9/9/9/9/9/9/4K4 b", RED, true},  // facing kings, both ways
        {"4k4/9/9/9/9/9/9/9/9/4K4 b", BLACK, true},
        {"4k4/9/9/9/4P4/9/9/9/9/4K4 b", RED, false},   // a piece between them
        {"3k5/9/9/9/9/9/9/9/2n6/4K4 w", RED, true},    // knight on c1, leg d1 empty
        {"3k5/9/9/9/9/9/9/9/2nA5/4K4 w", RED, false},  // ... leg blocked
        {"3k5/9/9/9/9/9/9/9/9/c3K4 w", RED, false},    // cannon without a screen
        {"3k5/9/9/9/9/9/9/9/9/c1P1K4 w", RED, true},   // one screen
        {"3k5/9/9/9/9/9/9/9/9/cPP1K4 w", RED, false},  // two screens
        {"3k5/9/9/9/9/9/9/9/9/r3K4 w", RED, true},     // rook along the rank
        {"3k5/3P5/9/9/9/9/9/9/9/4K4 b", BLACK, true},  // red pawn below the king
        {"3k5/9/9/9/9/9/9/9/9/4K4 b", BLACK, false},
        {"2Pk5/9/9/9/9/9/9/9/9/4K4 b", BLACK, true},   // red pawn beside the king
        {"9/3k5/3P5/9/9/9/9/9/9/4K4 b", BLACK, true},  // pawn below (k + 16)
    };
    for (const Case& c : cases) {
        auto pos = std::make_unique<Position>();
        // Some placements are refused as positions; the placement is all that counts here.
        setupFen(*pos, c.fen);
        EXPECT_EQ(isSideInCheck(*pos, c.side), c.inCheck) << c.fen;
    }
    // A red pawn above the black king (k - 16) does not give check.
    auto above = std::make_unique<Position>();
    setupFen(*above, "3P5/3k5/9/9/9/9/9/9/9/4K4 b");
    EXPECT_FALSE(isSideInCheck(*above, BLACK));
}

TEST(Position, RepetitionStatus) {
    const char* cycleFen = "3k5/9/9/9/9/9/9/9/9/4K4 w";
    // One move, then a four-move cycle back to the position after it.
    auto quiet = positionFrom(cycleFen, "e0e1 d9d8 e1e0 d8d9 e0e1");
    EXPECT_EQ(repetitionStatus(*quiet), 1);
    // The same cycle straight from the set-up position is not looked at (5 entries).
    auto early = positionFrom(cycleFen, "e0e1 d9d8 e1e0 d8d9");
    EXPECT_EQ(repetitionStatus(*early), 0);
    // A red rook checks with every move of the cycle, the black king's moves do not:
    // 3 with red to move, 5 with black to move.
    auto redToMove = positionFrom("4k4/9/9/9/9/9/9/9/4R4/3K5 b", "e9f9 e1f1 f9e9 f1e1 e9f9");
    ASSERT_TRUE(redToMove);
    EXPECT_EQ(repetitionStatus(*redToMove), 3);
    auto blackToMove = positionFrom("4k4/9/9/9/9/9/9/9/5R3/3K5 w", "f1e1 e9f9 e1f1 f9e9 f1e1");
    ASSERT_TRUE(blackToMove);
    EXPECT_EQ(repetitionStatus(*blackToMove), 5);
    auto null = positionFrom(cycleFen, "e0e1 d9d8 e1e0 d8d9 e0e1");
    UndoRecord undo;
    makeNullMove(*null, undo);
    EXPECT_EQ(repetitionStatus(*null), 0);
}

TEST(Position, PiecesWhereTheirKindCannotGoAreRefused) {
    Position pos;
    const char* bad[] = {
        "3A5/4k4/9/9/9/9/9/9/9/3K5 w",  // a red advisor in the black palace
        "9/9/9/9/9/9/9/3kK4/9/9 w",     // the black king in the red palace
        "4k4/9/4B4/9/9/9/9/9/9/3K5 w",  // a red bishop across the river
        "3k5/9/9/9/9/9/9/9/4B4/4K4 w",  // a red bishop off its points
        "3k5/9/9/9/9/9/9/9/P8/4K4 w",   // a red pawn behind its starting row
        "3k5/9/9/9/9/1P7/9/9/9/4K4 w",  // a red pawn on a square no pawn reaches
        "3k5/9/9/9/9/9/9/9/9/4K2A1 w",  // a red advisor outside the palace
    };
    for (const char* fen : bad) EXPECT_FALSE(setupFen(pos, fen)) << fen;
    // Pawns across the river go anywhere there, even to the last row.
    EXPECT_TRUE(setupFen(pos, "P2k5/1P7/9/9/9/9/9/9/9/4K4 w"));
    EXPECT_TRUE(setupFen(pos, "2b2k3/9/9/9/9/9/9/9/9/4K1p2 w"));
}
