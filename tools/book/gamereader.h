// Reading games from the two text input forms: plain text (one line of UCCI moves per game)
// and PGN.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One move as read: the packed UCCI text, where it stands, and how it was written.
struct GameMove {
    uint32_t packed;
    int line;
    std::string written;
};

// A game as read from a file. Reading stops at the first move it cannot understand; that
// move's line and the reason are then kept in errorLine and error, and `moves` holds the
// moves before it.
// The outcome of a game, as its record states it.
enum class GameResult { Unknown, RedWin, BlackWin, Draw };

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
};

// Receives each game as soon as it has been read, so that large collections are never
// held in memory whole.
using GameSink = std::function<void(const GameRecord&)>;

// Reads a coordinate move written as h2e2, h2-e2 or H2-E2 (either case) into packed UCCI
// text; false for anything else.
bool parseMoveToken(std::string_view token, uint32_t& packed);

// Whether the file is read as PGN: by its .pgn extension, or by its first text being a tag.
bool isPgnInput(const std::string& path, const std::string& bytes);

// One game per non-blank line: optionally "fen <FEN> moves" first, then UCCI moves; lines
// starting with '#' are skipped and a '#' after the moves starts a comment.
void readTextGames(const std::string& bytes, const GameSink& sink);

// Games in PGN (pgn.cpp): tag pairs, move numbers, comments, nested variations (passed
// over) and results are understood. Moves are ICCS coordinates, or Chinese or WXF notation
// resolved against the legal moves of the position; a [Format] tag names the notation,
// else the game's first move does. The encoding (UTF-8, GBK/GB18030 or Big5) is recognised
// per file; [Result] and [FEN] are kept.
void readPgnGames(const std::string& bytes, const GameSink& sink);
