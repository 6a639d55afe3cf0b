// Move generation into MoveLists, and the single-move tests for hash and killer moves.
#pragma once

#include <cstdint>

#include "position/legality.h"
#include "position/makemove.h"
#include "position/position.h"

// The sort writes a sentinel score just after the last move, so a list holds at most
// 255 moves; no position with at most 16 pieces a side comes near that.
struct MoveList {
    int32_t count;
    Move moves[256];
    int16_t scores[257];
};

// Keeps, in order and with their scores, the moves for which predicate(move, pos) equals
// wanted. The predicate may carry state, such as a node's legality info.
template <typename MovePredicate>
void filterMoveList(MoveList& list, Position& pos, MovePredicate predicate, bool wanted) {
    int kept = 0;
    for (int i = 0; i < list.count; i++) {
        if (predicate(list.moves[i], pos) == wanted) {
            list.moves[kept] = list.moves[i];
            list.scores[kept] = list.scores[i];
            kept++;
        }
    }
    list.count = kept;
}

void generateAllMoves(MoveList& list, const Position& pos);
// In check, the moves of generateAllMoves that may answer the check, in the same order:
// the king's, and those that touch the info's Squares. The others are illegal.
void generateEvasionCandidates(MoveList& list, const Position& pos, const LegalityInfo& info);
void generateCaptures(MoveList& list, const Position& pos);
void generateQuietMoves(MoveList& list, const Position& pos);
void generateLegalMoves(MoveList& list, Position& pos);
// The legal moves, leaving the caller's Position as it was. It works on the Position itself:
// every make is taken back and history entries past historyCount are never read, so the
// result is that of working on a private copy, without copying 48 KiB per call.
void generateLegalMovesOnCopy(MoveList& list, Position& pos);
bool isPseudoLegal(Move mv, const Position& pos);
bool isPseudoLegalQuiet(Move mv, const Position& pos);
inline bool isOccupied(Square sq, const PieceIndex* board) {
    return board[sq] != 0;
}
// A move the generator lists that leaves the mover's king safe; for any 16-bit value.
// Used for moves from outside (protocol, book), never in the search.
bool isFullyLegal(Move mv, Position& pos);
// In check with no legal move.
bool isCheckmated(Position& pos);
