// When a search stops: the rules applied after each report, after a root move fails high
// and after each iteration, which weigh the time used against how settled the result is.
#pragma once

// After each report of a new best root move: a score well below the last iteration's
// keeps the search going.
void applyScoreDropRule();
// A later root move beat the best score in its zero-window search.
void applyRootFailHighRule();
// The stop rules after iteration `depth`; true when the search should end. `firstScore`
// and `secondScore` are the two best root scores (secondScore unused with one move).
bool applyIterationRules(int depth, int rootMoveCount, int firstScore, int secondScore);
