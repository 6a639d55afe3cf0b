#include "position/perft.h"

#include "position/legality.h"
#include "position/makemove.h"
#include "position/movegen.h"

uint64_t perft(Position& pos, int depth) {
    if (depth <= 0) return 1;
    LegalityInfo info;
    computeLegalityInfo(pos, info);
    MoveList list;
    if (info.mode == LEGALITY_IN_CHECK) {
        generateEvasionCandidates(list, pos, info);
    } else {
        generateAllMoves(list, pos);
    }
    uint64_t nodes = 0;
    for (int i = 0; i < list.count; i++) {
        Move move = list.moves[i];
        if (!isLegalMoveWithInfo(move, pos, info)) continue;
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
