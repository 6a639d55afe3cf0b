// Helpers for the unit tests: positions from FEN text and move lists.
#pragma once

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/fens.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/position.h"

// A Position set from the FEN with the moves (UCCI text) played; null when the FEN or a
// move is refused.
inline std::unique_ptr<Position> positionFrom(const std::string& fen,
                                              const std::string& moves = "") {
    auto pos = std::make_unique<Position>();
    if (!setupFen(*pos, fen.c_str())) return nullptr;
    std::istringstream stream(moves);
    std::string text;
    while (stream >> text)
        if (!tryMoveText(*pos, packMoveText(text.c_str()))) return nullptr;
    pos->rootCount = pos->historyCount;
    return pos;
}

inline Move moveOf(const char* text) {
    return moveFromText(packMoveText(text));
}

inline std::string textOf(Move mv) {
    char text[5];
    moveToText(mv, text, sizeof text);
    return text;
}

inline std::vector<Move> movesOf(const MoveList& list) {
    return std::vector<Move>(list.moves, list.moves + list.count);
}

// The names of the go command's modes (GoMode), indexed by their values.
inline const char* const kGoModeNames[] = {"e_GoDepth", "e_GoMovesToGo", "e_GoIncrement"};

// Everything make and unmake touch, history included.
inline bool samePosition(const Position& a, const Position& b) {
    return std::memcmp(&a, &b, offsetof(Position, moveHistory)) == 0 &&
           std::memcmp(a.moveHistory, b.moveHistory, sizeof(MoveRecord) * a.historyCount) == 0 &&
           std::memcmp(a.keyHistory, b.keyHistory, sizeof(uint64_t) * a.historyCount) == 0;
}
