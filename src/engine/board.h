// The text board for a person at a terminal: the answer to scr and to move.
#pragma once

#include "position/position.h"

// Draws the Position in GBK box-drawing characters and Chinese piece names, red pieces
// in round brackets and black pieces in square brackets, and flushes standard output.
void showBoard(const Position& pos);
