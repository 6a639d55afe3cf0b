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

// Cuts the Position's history back to its current entry when the next move would leave
// less room than a search keeps: a game may be longer than the history holds, and only
// the rules need the history here.
void keepHistoryRoom(Position& pos);

// Plays a move of the side to move if it is legal, after keepHistoryRoom.
bool playMove(Position& pos, Move move);
// The same for a packed move text.
bool playMoveText(Position& pos, uint32_t packed);
