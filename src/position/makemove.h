// Playing and taking back moves, the null move, and the rule questions of the search:
// check, legality, giving check, repetition.
#pragma once

#include "position/position.h"

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
void unmakeMove(Position& pos, Move mv, const UndoRecord& undo);
void makeNullMove(Position& pos, UndoRecord& undo);
void unmakeNullMove(Position& pos, const UndoRecord& undo);

// Whether the king of `side` is attacked in the current placement, whoever is to move.
bool isSideInCheck(const Position& pos, int side);
// The pseudo-legal Move does not leave the mover's king attacked.
bool isLegalMove(Move mv, Position& pos);
bool givesCheck(Move mv, Position& pos);
inline bool inCheckNow(const Position& pos) {
    return pos.moveHistory[pos.historyCount - 1] >= CHECK_BIT;
}
// 0 when the position does not repeat; else 1 + 2 * (the side to move checked throughout
// the cycle) + 4 * (the opponent checked throughout).
int repetitionStatus(const Position& pos);
