#include "position/perft.h"

#include "position/makemove.h"
#include "position/movegen.h"

uint64_t perft(Position& pos, int depth) {
    if (depth <= 0) return 1;
    MoveList list;
    generateAllMoves(list, pos);
    // Out of check, the pins and screens found once spare most moves their attack test.
    const bool inCheck = inCheckNow(pos);
    LegalityInfo info;
    if (!inCheck) computeLegalityInfo(pos, info);
    uint64_t nodes = 0;
    for (int i = 0; i < list.count; i++) {
        Move move = list.moves[i];
        if (inCheck ? !isLegalMove(move, pos) : !isLegalMoveWithInfo(move, pos, info)) continue;
        if (depth == 1) {
            nodes++;
            continue;
        }
        UndoRecord undo;
        makeMove(pos, move, undo);
        nodes += perft(pos, depth - 1);
        unmakeMove(pos, move, undo);
    }
    return nodes;
}
