// Playing and taking back moves, the null move, and the rule questions of the search:
// check, legality, giving check, repetition.
#pragma once

#include "position/keys.h"
#include "position/position.h"
#include "position/tables.h"

struct UndoRecord {
    PieceIndex captured;
    uint64_t key;
    int32_t blackScore;
    int32_t redScore;
    int32_t side;
    uint32_t pieceMask;
};

// Plays a pseudo-legal Move of the side to move; legality is not tested.
void makeMove(Position& pos, Move mv, UndoRecord& undo);
// makeMove for a caller that has just asked givesCheck about the move: `check` is its answer.
void makeMoveKnowingCheck(Position& pos, Move mv, UndoRecord& undo, bool check);
void unmakeMove(Position& pos, Move mv, const UndoRecord& undo);
void makeNullMove(Position& pos, UndoRecord& undo);
void unmakeNullMove(Position& pos, const UndoRecord& undo);

// The key the Position will have once the pseudo-legal Move is made, for prefetching.
// makeMove folds the same updates into its own steps, where the capture's branch is shared.
inline uint64_t keyAfterMove(const Position& pos, Move mv) {
    Square from = moveFrom(mv), to = moveTo(mv);
    const uint64_t* moving = zobristKeys[pieceKindOf[pos.board[from]]];
    uint64_t key = pos.key ^ moving[from] ^ moving[to] ^ sideKey;
    if (PieceIndex captured = pos.board[to]) key ^= zobristKeys[pieceKindOf[captured]][to];
    return key;
}

// Whether the king of `side` is attacked in the current placement, whoever is to move.
bool isSideInCheck(const Position& pos, int side);
// The pseudo-legal Move does not leave the mover's king attacked.
bool isLegalMove(Move mv, Position& pos);
bool givesCheck(Move mv, Position& pos);

// Whether a difference of Squares is one diagonal step.
inline bool isDiagonalStep(int difference) {
    return difference == -17 || difference == -15 || difference == 15 || difference == 17;
}
// Whether the Square shares a rank or a file with the king, or touches it diagonally (where
// the legs of knights that attack the king lie).
inline bool nearKingLines(Square sq, Square king) {
    int difference = sq - king;
    return rankOf(sq) == rankOf(king) || fileOf(sq) == fileOf(king) || isDiagonalStep(difference);
}

// Whether the side to move is in check, as the last move's record says.
inline bool inCheckNow(const Position& pos) {
    return pos.moveHistory[pos.historyCount - 1] >= CHECK_BIT;
}
// 0 when the position does not repeat; else 1 + 2 * (the side to move checked throughout
// the cycle) + 4 * (the opponent checked throughout).
int repetitionStatus(const Position& pos);
