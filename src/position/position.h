// The board record with its move and key history, its hash key, and the four-character
// move text.
#pragma once

#include <cstdint>

#include "position/types.h"

constexpr int HISTORY_SIZE = 4096;
// Room a search may need above the root in the history (the deepest line plus one probe).
constexpr int SEARCH_HISTORY_ROOM = 256;

struct Position {
    PieceIndex board[256];
    Square pieceSquare[48];
    int32_t side;
    uint16_t rankBits[16];
    uint16_t fileBits[16];
    uint64_t key;
    int32_t redScore;
    int32_t blackScore;
    uint32_t pieceMask;
    int32_t historyCount;
    int32_t rootCount;
    MoveRecord moveHistory[HISTORY_SIZE];
    uint64_t keyHistory[HISTORY_SIZE];
};

void clearPosition(Position& pos);
uint64_t computeKey(const Position& pos);

// Converts a packed move text (first character in the lowest byte) to a Move. Returns 0
// when a character lies outside a..i / 0..9; every other text gives an on-board Move.
Move moveFromText(uint32_t packedText);
// Packs four characters the way the command parser stores them.
uint32_t packMoveText(const char* text);
bool moveToText(Move mv, char* buffer, int bufferSize);
bool isRealMove(uint32_t mv);
