// The lines printed in answer to go: info lines, the closing info time line, bestmove.
#pragma once

#include "position/position.h"

// Moves to mate, negative when the side to move is being mated; 0 outside the mate band.
int mateDistance(int score);
// The moves up to the zero Move, separated by blanks; false when capacity is below 512.
// A variation too long for the text is cut after its last whole move that fits.
bool pvToText(const Move* moves, char* text, int capacity);

// An info line for the current best result (if there is one), then the score-drop rule.
void reportSearchLine();
// The info time line, then the bestmove line (nobestmove when there is no move).
void reportBestMove();
// The answer to go depth 0: the evaluation line and nobestmove.
void reportStaticEvaluation(const Position& pos);
