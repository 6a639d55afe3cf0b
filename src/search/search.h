// The searches: quiescence below the horizon, the principal-variation alpha-beta search,
// and the root search with iterative deepening.
#pragma once

#include "position/movegen.h"
#include "position/position.h"

constexpr int REPETITION_SCORE = 20;
constexpr int MAX_PLY = 255;
constexpr int NULL_MOVE_REDUCTION = 3;
constexpr int HISTORY_PRUNE_LIMIT = 9830;
constexpr int NULL_MOVE_CAP = 29744;

void copyPv(Move* destination, const Move* source);
void prependPv(Move* destination, Move move, const Move* source);

bool isCheckmated(Position& pos);
int repetitionScore(int status, int ply);

int quiescence(Position& pos, int alpha, int beta, int ply, Move* pv);
int searchNode(Position& pos, int alpha, int beta, int depth, int ply, Move* pv, bool zeroWindow);

extern MoveList rootLegalMoves;
extern MoveList rootMoves;
extern Position searchPosition;

void orderRootMoves(MoveList& moves, Position& pos);
int rootSearch(MoveList& moves, Position& pos, int depth, bool firstIteration);
// Answers one go: the depth-0 report, a book move, or a full search; prints the reports
// and the bestmove line.
void searchDriver();
