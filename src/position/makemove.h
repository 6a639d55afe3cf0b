// Playing and taking back moves, the null move, and the rule questions of the search:
// check, legality, giving check, repetition.
#pragma once

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
void unmakeMove(Position& pos, Move mv, const UndoRecord& undo);
void makeNullMove(Position& pos, UndoRecord& undo);
void unmakeNullMove(Position& pos, const UndoRecord& undo);

// Whether the king of `side` is attacked in the current placement, whoever is to move.
bool isSideInCheck(const Position& pos, int side);
// The pseudo-legal Move does not leave the mover's king attacked.
bool isLegalMove(Move mv, Position& pos);
bool givesCheck(Move mv, Position& pos);

// What a move of the side to move must avoid to keep its king safe when it is not in check,
// gathered once per node: the pieces whose departure may open a line or a knight's leg onto
// the king, and the empty Squares where a piece would become the screen of an enemy cannon.
// A move of another piece than the king that touches neither is legal without an attack test.
struct LegalityInfo {
    Square king;
    uint16_t pinnedOnFile;  // rank bits on the king's file
    uint16_t pinnedOnRank;  // file bits on the king's rank
    uint16_t screenOnFile;
    uint16_t screenOnRank;
    Square legBlockers[2];  // Squares on the legs of enemy knights aimed at the king
};

// Fills `info` for the side to move; only meaningful when it is not in check.
void computeLegalityInfo(const Position& pos, LegalityInfo& info);
// isLegalMove, for a Position that is not in check and the info computed for it.
inline bool isLegalMoveWithInfo(Move mv, Position& pos, const LegalityInfo& info) {
    Square from = moveFrom(mv), to = moveTo(mv);
    Square king = info.king;
    if (from == king) return isLegalMove(mv, pos);
    bool exposes = from == info.legBlockers[0] || from == info.legBlockers[1];
    if (fileOf(from) == fileOf(king)) {
        exposes |= (info.pinnedOnFile & rankBitOf[from]) != 0;
    } else if (rankOf(from) == rankOf(king)) {
        exposes |= (info.pinnedOnRank & fileBitOf[from]) != 0;
    }
    if (fileOf(to) == fileOf(king)) {
        exposes |= (info.screenOnFile & rankBitOf[to]) != 0;
    } else if (rankOf(to) == rankOf(king)) {
        exposes |= (info.screenOnRank & fileBitOf[to]) != 0;
    }
    return !exposes || isLegalMove(mv, pos);
}
inline bool inCheckNow(const Position& pos) {
    return pos.moveHistory[pos.historyCount - 1] >= CHECK_BIT;
}
// 0 when the position does not repeat; else 1 + 2 * (the side to move checked throughout
// the cycle) + 4 * (the opponent checked throughout).
int repetitionStatus(const Position& pos);
