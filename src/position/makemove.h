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

// Whether the Square shares a rank or a file with the king, or touches it diagonally (where
// the legs of knights that attack the king lie).
inline bool nearKingLines(Square sq, Square king) {
    int difference = sq - king;
    return rankOf(sq) == rankOf(king) || fileOf(sq) == fileOf(king) || difference == -17 ||
           difference == -15 || difference == 15 || difference == 17;
}

// The squares that decide the legality of the side to move's moves, gathered once per node,
// so that most moves need no attack test. Out of check: the pieces whose departure may open
// a line or a knight's leg onto the king, and the empty Squares where a piece would become
// an enemy cannon's screen; a move of another piece than the king that touches none of them
// is legal. In check: the checkers, the Squares that block them and the cannons' screens; a
// move of another piece than the king that touches none of them is illegal. Every other
// move takes the full test.
struct LegalityInfo {
    Square king;
    uint8_t mode;         // LEGALITY_...
    uint16_t fromOnFile;  // rank bits on the king's file
    uint16_t fromOnRank;  // file bits on the king's rank
    uint16_t toOnFile;
    uint16_t toOnRank;
    Square fromSquares[2];  // out of check: the legs of enemy knights aimed at the king
    Square toSquares[4];    // in check: the checking knights and their legs
};

constexpr uint8_t LEGALITY_QUIET = 0, LEGALITY_IN_CHECK = 1, LEGALITY_TEST_ALL = 2;

void computeLegalityInfo(const Position& pos, LegalityInfo& info);
// The answer of isLegalMove, with the info computed for the current Position.
inline bool isLegalMoveWithInfo(Move mv, Position& pos, const LegalityInfo& info) {
    Square from = moveFrom(mv), to = moveTo(mv);
    Square king = info.king;
    if (from == king || info.mode == LEGALITY_TEST_ALL) return isLegalMove(mv, pos);
    bool touches = false;
    if (fileOf(from) == fileOf(king)) {
        touches = (info.fromOnFile & rankBitOf[from]) != 0;
    } else if (rankOf(from) == rankOf(king)) {
        touches = (info.fromOnRank & fileBitOf[from]) != 0;
    }
    if (fileOf(to) == fileOf(king)) {
        touches |= (info.toOnFile & rankBitOf[to]) != 0;
    } else if (rankOf(to) == rankOf(king)) {
        touches |= (info.toOnRank & fileBitOf[to]) != 0;
    }
    if (info.mode == LEGALITY_QUIET) {
        touches |= from == info.fromSquares[0] || from == info.fromSquares[1];
        return !touches || isLegalMove(mv, pos);
    }
    touches |= to == info.toSquares[0] || to == info.toSquares[1] || to == info.toSquares[2] ||
               to == info.toSquares[3];
    return touches && isLegalMove(mv, pos);
}
// isLegalMove for a capture when the side to move is not in check. The destination is
// occupied before and after, so only the departure can open an attack on the king: only a
// piece that shields the king from a rook, the facing king or a cannon, or that blocks an
// enemy knight's leg, takes the full test.
bool isLegalCaptureOutOfCheck(Move mv, Position& pos);
inline bool inCheckNow(const Position& pos) {
    return pos.moveHistory[pos.historyCount - 1] >= CHECK_BIT;
}
// 0 when the position does not repeat; else 1 + 2 * (the side to move checked throughout
// the cycle) + 4 * (the opponent checked throughout).
int repetitionStatus(const Position& pos);
