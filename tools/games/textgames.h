// Games in plain text: one line of UCCI moves per game.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "games/gamerecord.h"

// Reads a coordinate move written as h2e2, h2-e2 or H2-E2 (either case) into packed UCCI
// text; false for anything else.
bool parseMoveToken(std::string_view token, uint32_t& packed);

// One game per non-blank line: optionally "fen <FEN> moves" first, then UCCI moves; lines
// starting with '#' are skipped and a '#' after the moves starts a comment.
void readTextGames(const std::string& bytes, const GameSink& sink);
