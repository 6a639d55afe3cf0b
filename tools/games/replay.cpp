#include "games/replay.h"

#include <cstring>

#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"

bool isWellFormedFen(const char* fen) {
    int ranks = 1, files = 0;
    const char* c = fen;
    for (; *c != '\0' && *c != ' '; c++) {
        if (*c == '/') {
            if (files != 9) return false;
            ranks++;
            files = 0;
        } else if (*c >= '1' && *c <= '9') {
            files += *c - '0';
        } else if (std::strchr("KAGBENHRCPkagbenhrcp", *c) != nullptr) {
            files++;
        } else {
            return false;
        }
        if (files > 9) return false;
    }
    if (ranks != 10 || files != 9) return false;
    while (*c == ' ') c++;
    bool sideKnown =
        *c == '\0' || ((*c == 'w' || *c == 'r' || *c == 'b') && (c[1] == '\0' || c[1] == ' '));
    return sideKnown;
}

bool setupCheckedFen(Position& pos, const char* fen) {
    return isWellFormedFen(fen) && setupFen(pos, fen);
}

void keepHistoryRoom(Position& pos) {
    if (pos.historyCount + 1 + SEARCH_HISTORY_ROOM > HISTORY_SIZE) {
        pos.moveHistory[0] = pos.moveHistory[pos.historyCount - 1];
        pos.keyHistory[0] = pos.keyHistory[pos.historyCount - 1];
        pos.historyCount = 1;
        pos.rootCount = 1;
    }
}

bool playMove(Position& pos, Move move) {
    keepHistoryRoom(pos);
    if (move == 0 || !isFullyLegal(move, pos)) return false;
    UndoRecord undo;
    makeMove(pos, move, undo);
    return true;
}

bool playMoveText(Position& pos, uint32_t packed) {
    return playMove(pos, moveFromText(packed));
}
