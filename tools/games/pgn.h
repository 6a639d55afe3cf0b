// Games in PGN.
#pragma once

#include <string>

#include "games/gamerecord.h"

// Whether the file is read as PGN: by its .pgn extension, or by its first text being a tag.
bool isPgnInput(const std::string& path, const std::string& bytes);

// Tag pairs, move numbers, comments, nested variations (passed over) and results are
// understood. Moves are ICCS coordinates, or Chinese or WXF notation resolved against the
// legal moves of the position; a [Format] tag names the notation, else the game's first
// move does. The encoding (UTF-8, GBK/GB18030 or Big5) is recognised per file; [Result]
// and [FEN] are understood, and every tag is kept with the encoding.
void readPgnGames(const std::string& bytes, const GameSink& sink);

// The result as PGN writes it: "1-0", "0-1", "1/2-1/2" or "*".
const char* resultToken(GameResult result);
