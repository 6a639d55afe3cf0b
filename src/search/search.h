// The searches: quiescence below the horizon, the principal-variation alpha-beta search,
// and the root search with iterative deepening.
#pragma once

#include "position/movegen.h"
#include "position/position.h"

// The deepest ply a line may reach; the Position's history keeps room for it.
constexpr int MAX_PLY = 255;
// Depth taken off the search after a null move, beyond the ply it spends.
constexpr int NULL_MOVE_REDUCTION = 3;
// Late-move reduction takes quiet moves whose cut-off ratio (of FULL_CUTOFF_RATIO) is
// below this, 60%; history pruning, near the horizon, a third or a quarter of it.
constexpr int HISTORY_PRUNE_LIMIT = 9830;
// A null move that fails high proves no mate: its score is capped at the mate band's edge.
constexpr int NULL_MOVE_CAP = 29744;

void copyPv(Move* destination, const Move* source);
void prependPv(Move* destination, Move move, const Move* source);

int quiescence(Position& pos, int alpha, int beta, int ply, Move* pv);
int searchNode(Position& pos, int alpha, int beta, int depth, int ply, Move* pv, bool zeroWindow);

// The legal moves of the root, and the same moves in the order the iterations leave them.
extern MoveList rootLegalMoves;
extern MoveList rootMoves;
// The search plays its moves on this copy, so that an aborted search leaves the caller's
// Position exactly as it was.
extern Position searchPosition;

void orderRootMoves(MoveList& moves, Position& pos);
int rootSearch(MoveList& moves, Position& pos, int depth, bool firstIteration);
// Searches `root` by iterative deepening within searchLimits, the table's generation
// advanced and killers and history cleared; the result is in searchProgress and the
// figures in searchStats. True when the search ended by its stop rules, false when the
// poll aborted it (a stop, or the time limit).
bool iterativeDeepening(const Position& root);
