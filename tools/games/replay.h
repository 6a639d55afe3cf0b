// Setting up and playing the positions of games read from files.
#pragma once

#include <cstdint>

#include "base/fens.h"
#include "position/position.h"

// Whether the board field has ten ranks of nine files holding only piece letters, and the
// side field, when present, is w, r or b. The engine's loader reads any text somehow, and
// a book keyed by a misread position would be silently wrong.
bool isWellFormedFen(const char* fen);

// Sets the Position from a well-formed FEN that the engine accepts; false otherwise.
bool setupCheckedFen(Position& pos, const char* fen);

// Plays one packed move text if it is legal. A game may be longer than the Position's
// history holds, and only the rules need the history here, so it is cut back to the
// current entry when it runs short.
bool playMoveText(Position& pos, uint32_t packed);
