// The legality information of a node: the few Squares that decide whether a move of the
// side to move leaves its king attacked, gathered once so that most moves need no attack
// test.
#pragma once

#include "position/makemove.h"
#include "position/position.h"
#include "position/tables.h"

// Out of check: the pieces whose departure may open a line or a knight's leg onto the king,
// and the empty Squares where a piece would become an enemy cannon's screen; a move of
// another piece than the king that touches none of them is legal. In check: the checkers,
// the Squares that block them and the cannons' screens; a move of another piece than the
// king that touches none of them is illegal. Every other move takes the full test.
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

// The info's modes: out of check; in check; and, with no king or no checker found, every
// move takes the full test.
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
