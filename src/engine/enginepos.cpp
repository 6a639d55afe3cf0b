#include "engine/enginepos.h"

#include <cstring>

#include "base/messages.h"
#include "base/output.h"
#include "position/fen.h"

Position enginePosition;
bool enginePositionValid = false;

namespace {

void playMoveTexts(Position& pos, int count, const uint32_t* moveTexts) {
    for (int i = 0; i < count; i++) {
        if (!tryMoveText(pos, moveTexts[i])) {
            char text[5];
            std::memcpy(text, &moveTexts[i], 4);
            text[4] = '\0';
            printFlush(kBadMove, text);
            break;
        }
    }
}

}  // namespace

bool loadFen(Position& pos, const char* text, int moveCount, const uint32_t* moveTexts) {
    if (!setupFen(pos, text)) {
        printFlush(kBadFen, text);
        return false;
    }
    playMoveTexts(pos, moveCount, moveTexts);
    pos.rootCount = pos.historyCount;
    return true;
}

bool applyMoveTexts(Position& pos, int count, const uint32_t* moveTexts) {
    playMoveTexts(pos, count, moveTexts);
    pos.rootCount = pos.historyCount;
    return true;
}
