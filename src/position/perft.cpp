#include "position/perft.h"

#include "position/makemove.h"
#include "position/movegen.h"

uint64_t perft(Position& pos, int depth) {
    if (depth <= 0) return 1;
    MoveList list;
    generateAllMoves(list, pos);
    uint64_t nodes = 0;
    for (int i = 0; i < list.count; i++) {
        UndoRecord undo;
        makeMove(pos, list.moves[i], undo);
        if (!isSideInCheck(pos, undo.side)) nodes += depth == 1 ? 1 : perft(pos, depth - 1);
        unmakeMove(pos, list.moves[i], undo);
    }
    return nodes;
}
