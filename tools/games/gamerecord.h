// What every game reader hands over: a start position and the moves played from it, so
// that the programs that use the games know nothing of file formats.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "games/encoding.h"

// One move as read: the packed UCCI text, where it stands, and how it was written.
struct GameMove {
    uint32_t packed;
    int line;
    std::string written;
};

// A tag pair as the file holds it: the value's bytes stay in the file's encoding.
struct GameTag {
    std::string name;
    std::string value;
};

// The outcome of a game, as its record states it.
enum class GameResult { Unknown, RedWin, BlackWin, Draw };

// A game as read from a file. Reading stops at the first move it cannot understand; that
// move's line and the reason are then kept in errorLine and error, and `moves` holds the
// moves before it.
struct GameRecord {
    GameResult result = GameResult::Unknown;
    // 0 for a game, or for the main line of a game tree; 1, 2, ... for the other lines of
    // the same tree, which count together with it as one game.
    int variation = 0;
    bool hasFen = false;
    std::string fen;
    int fenLine = 0;
    std::vector<GameMove> moves;
    int errorLine = 0;
    std::string error;
    // The tag pairs in the order of the file (a PGN game's, or the texts of an XQF
    // header), and the encoding of their values.
    std::vector<GameTag> tags;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Receives each game as soon as it has been read, so that large collections are never
// held in memory whole.
using GameSink = std::function<void(const GameRecord&)>;
