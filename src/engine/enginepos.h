// The engine's one Position, as the front end sets it with "position" and extends it with
// "move".
#pragma once

#include <cstdint>

#include "position/position.h"

// Valid unless the last FEN was rejected; a search or a move is refused on an invalid
// Position.
extern Position enginePosition;
extern bool enginePositionValid;

// Loads a FEN and plays the packed move texts on it. On a malformed FEN it prints the FEN
// error and returns false; a refused move text prints the move error and stops the list
// there (the moves before it stay played, and the call still returns true).
bool loadFen(Position& pos, const char* text, int moveCount, const uint32_t* moveTexts);
// Plays packed move texts on the current Position, then makes it the search root.
bool applyMoveTexts(Position& pos, int count, const uint32_t* moveTexts);
