// Reading XQF game files: the binary records of most Chinese game collections.
#pragma once

#include <string>

#include "games/gamerecord.h"

// Whether the bytes are an XQF file (by their signature).
bool isXqfInput(const std::string& bytes);

// Hands each line of the file's game tree to the sink as a game: the main line first
// (variation 0), then every other line (variation 1, 2, ...), each from the file's start
// position. The moves' `line` is their move number along the line, so that a rejected
// move is reported as file:N.
void readXqfGames(const std::string& bytes, const GameSink& sink);
