// Setting a Position up from FEN text, and playing move texts on it.
#pragma once

#include <cstdint>

#include "position/position.h"

// The PieceKind (0..6, red's) of a FEN letter of either case; any unknown letter is a pawn.
int pieceKindFromLetter(char letter);

// Sets the Position from FEN text without printing anything. False when the text ends
// inside its board field, a side has more pieces of a kind than its army, a king is
// missing, a piece stands where its kind can never go (a king or advisor outside its
// palace, a bishop off its side's points, a pawn behind its starting row), or the side not
// to move is in check.
bool setupFen(Position& pos, const char* text);
// Plays one packed move text when its characters are a..i / 0..9, the move is legal, and
// the history keeps room for a search; otherwise returns false and changes nothing.
bool tryMoveText(Position& pos, uint32_t packedText);
