// The lines the engine prints about its book and its searches: info lines, the closing
// info time line, bestmove. They print what they are given and decide nothing.
#pragma once

#include "position/position.h"

// Moves to mate, negative when the side to move is being mated; 0 outside the mate band.
int mateDistance(int score);
// The moves up to the zero Move, separated by blanks; false when capacity is below 512.
// A variation too long for the text is cut after its last whole move that fits.
bool pvToText(const Move* moves, char* text, int capacity);

// The count of positions of a book just read.
void reportBookLoaded(int positions);
// One info line per book move that the choice was made among.
void reportBookMoves(const Move* moves, int count);
// An info line for the current best result in searchProgress, if there is one.
void reportSearchLine();
// The info time line, then the bestmove line for `pos` (nobestmove when it has no move).
void reportBestMove(const Position& pos);
// The answer to go depth 0: the evaluation line and nobestmove.
void reportStaticEvaluation(const Position& pos);
// The answer to go without a valid Position.
void reportNoBestMove();
