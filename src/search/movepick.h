// Move ordering: list operations, killers and history, and the staged move pickers.
#pragma once

#include <cstdint>

#include "position/legality.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/position.h"

// Capture-order class by PieceIndex: king 4, rook 3, knight and cannon 2, advisor and
// bishop 1, pawn 0.
extern int32_t mvvLvaClass[48];
void fillMvvLvaClass();

// Two killer moves per ply.
extern Move killerMoves[256][2];
// Indexed by (PieceKind of the moving piece << 8) + destination.
constexpr int ORDERING_TABLE_SIZE = 14 * 256;
extern uint16_t historyScore[ORDERING_TABLE_SIZE];
extern uint16_t cutoffCount[ORDERING_TABLE_SIZE];
extern uint16_t triedCount[ORDERING_TABLE_SIZE];

void copyMoveList(MoveList& destination, const MoveList& source);
// Stable sort by descending score.
void sortMoveList(MoveList& list);
void scoreByMoveCode(MoveList& list);

void clearSearchTables();
void updateKillersAndHistory(Move move, const Position& pos, int depth, int ply);
void recordCutoff(Move move, const Position& pos);
void recordTried(Move move, const Position& pos);
// Hash move, captures by victim and attacker, first killer, second killer, quiet moves
// by history.
void scoreMoves(MoveList& list, const Position& pos, int ply, Move hashMove);

enum PickerStage : uint8_t {
    STAGE_HASH,
    STAGE_CAPTURES,
    STAGE_KILLERS,
    STAGE_QUIETS,
    STAGE_LEGAL_SORTED,  // in check: all legal moves, ordered at set-up
    STAGE_EVASIONS,      // quiescence in check: every pseudo-legal move, tested on hand-out
    STAGE_END,
};

struct MovePicker {
    Position* pos;
    bool inCheck;
    Move hashMove;
    Move killers[2];
    const PickerStage* stage;
    int index;
    MoveList list;
    int32_t cutoffs;  // the move's cut-off and tried counts (1 and 1 but for quiet moves)
    int32_t tries;
    bool legalityReady;  // `legality` is filled at the first legality test
    LegalityInfo legality;
};

struct QuiescencePicker {
    Position* pos;
    bool inCheck;
    const PickerStage* stage;
    int index;
    MoveList list;
    bool legalityReady;
    LegalityInfo legality;
};

// A cut-off ratio of 1, in the fixed point of the pruning limits.
constexpr int32_t FULL_CUTOFF_RATIO = 16384;

// Whether the cut-off ratio of the move last handed out, cutoffs * FULL_CUTOFF_RATIO / tries,
// lies below `limit`, computed without the division.
inline bool cutoffRatioBelow(const MovePicker& picker, int32_t limit) {
    return picker.cutoffs * FULL_CUTOFF_RATIO < limit * picker.tries;
}

void initMovePicker(MovePicker& picker, Position& pos, bool inCheck, int ply, Move hashMove);
// The next legal move, or 0 when exhausted; cutoffs and tries then describe that move.
Move nextMove(MovePicker& picker);
// The move that nextMove will most likely hand out next, or 0: a guess, for prefetching.
inline Move peekNextMove(const MovePicker& picker) {
    switch (*picker.stage) {
        case STAGE_CAPTURES:
        case STAGE_QUIETS:
        case STAGE_LEGAL_SORTED:
            return picker.index < picker.list.count ? picker.list.moves[picker.index] : 0;
        case STAGE_KILLERS:
            return picker.index < 2 ? picker.killers[picker.index] : 0;
        default:
            return 0;
    }
}
void initQuiescencePicker(QuiescencePicker& picker, Position& pos, bool inCheck);
Move nextQuiescenceMove(QuiescencePicker& picker);
