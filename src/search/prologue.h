// The node prologue that the quiescence and main searches share.
#pragma once

#include "position/makemove.h"
#include "position/movegen.h"
#include "search/progress.h"
#include "search/score.h"

// Counts the node, empties its principal variation, polls every 4096 nodes, scores a
// repeated position and prunes by mate distance (which may narrow the window). Returns
// true with `score` set when the node ends here.
inline bool nodePrologue(Position& pos, int& alpha, int& beta, int ply, Move* pv, int& score) {
    pv[0] = 0;
    countNode(ply);
    int status = repetitionStatus(pos);
    if (status != 0) {
        score = repetitionScore(status, pos.historyCount - pos.rootCount);
        return true;
    }
    // Mate-distance pruning: no result can be worse than being mated two plies on (or
    // here, when already mated), nor better than mating on the next ply.
    if (ply - (MATE_SCORE - 2) > alpha) {
        int value = isCheckmated(pos) ? ply - MATE_SCORE : ply - (MATE_SCORE - 2);
        if (value > alpha) {
            alpha = value;
            if (value >= beta) {
                score = value;
                return true;
            }
        }
    }
    int value = MATE_SCORE - 1 - ply;
    if (value < beta) {
        beta = value;
        if (value <= alpha) {
            score = value;
            return true;
        }
    }
    return false;
}
