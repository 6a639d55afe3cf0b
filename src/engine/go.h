// The answer to go: the evaluation for depth 0, a book move, or a search, with its reports.
#pragma once

// Answers one go on the engine's Position within the limits set for it; prints the
// reports and the bestmove line.
void searchDriver();
// The search's poll of the input: answers isready at once, and is true on stop.
bool pollSearchInput();
