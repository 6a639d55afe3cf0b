#include "position/position.h"

#include <cstring>

#include "position/keys.h"

void clearPosition(Position& pos) {
    std::memset(pos.board, 0, sizeof pos.board);
    std::memset(pos.pieceSquare, 0, sizeof pos.pieceSquare);
    std::memset(pos.rankBits, 0, sizeof pos.rankBits);
    std::memset(pos.fileBits, 0, sizeof pos.fileBits);
    pos.side = RED;
    pos.key = 0;
    pos.redScore = 0;
    pos.blackScore = 0;
    pos.pieceMask = 0;
    pos.historyCount = 0;
    pos.rootCount = 0;
}

uint64_t computeKey(const Position& pos) {
    uint64_t key = 0;
    for (int p = FIRST_PIECE; p < PIECE_INDEX_END; p++) {
        if (pos.pieceSquare[p] != 0) key ^= zobristKeys[pieceKindOf[p]][pos.pieceSquare[p]];
    }
    if (pos.side == RED) key ^= sideKey;
    return key;
}

Move moveFromText(uint32_t packedText) {
    int fromFile = int(packedText & 255) - 'a';
    int fromRank = int((packedText >> 8) & 255) - '0';
    int toFile = int((packedText >> 16) & 255) - 'a';
    int toRank = int(packedText >> 24) - '0';
    constexpr int lastFile = LAST_FILE - FIRST_FILE, lastRank = LAST_RANK - FIRST_RANK;
    if (fromFile < 0 || fromFile > lastFile || toFile < 0 || toFile > lastFile) return 0;
    if (fromRank < 0 || fromRank > lastRank || toRank < 0 || toRank > lastRank) return 0;
    // Rank 0 of the text is red's back rank, the board's last.
    Square from = Square((fromFile + FIRST_FILE) + RANK_STEP * (LAST_RANK - fromRank));
    Square to = Square((toFile + FIRST_FILE) + RANK_STEP * (LAST_RANK - toRank));
    return makeMoveCode(from, to);
}

uint32_t packMoveText(const char* text) {
    uint32_t packed = 0;
    for (int i = 0; i < 4 && text[i] != '\0'; i++) packed |= uint32_t(uint8_t(text[i])) << (8 * i);
    return packed;
}

bool moveToText(Move mv, char* buffer, int bufferSize) {
    if (bufferSize < 5) return false;
    if (mv == NULL_MOVE) {
        std::memcpy(buffer, "null", 5);
        return true;
    }
    Square from = moveFrom(mv), to = moveTo(mv);
    buffer[0] = char('a' + fileOf(from) - FIRST_FILE);
    buffer[1] = char('0' + LAST_RANK - rankOf(from));
    buffer[2] = char('a' + fileOf(to) - FIRST_FILE);
    buffer[3] = char('0' + LAST_RANK - rankOf(to));
    buffer[4] = '\0';
    return true;
}

bool isRealMove(uint32_t mv) {
    return mv > 0 && mv < 0x10000 && mv != NULL_MOVE;
}
