#include "eval/evaluate.h"
#include "position/makemove.h"
#include "search/movepick.h"
#include "search/prologue.h"
#include "search/search.h"
#include "search/tt.h"

int quiescence(Position& pos, int alpha, int beta, int ply, Move* pv) {
    int score;
    if (nodePrologue(pos, alpha, beta, ply, pv, score)) return score;
    bool inCheck = inCheckNow(pos);
    if (ply >= MAX_PLY) return evaluate(alpha, beta, pos);

    // Stand pat: the side to move may decline every capture.
    int best = NO_SCORE;
    if (!inCheck) {
        int standPat = evaluate(alpha, beta, pos);
        best = standPat;
        if (standPat > alpha) {
            alpha = standPat;
            if (alpha >= beta) return best;
        }
    }

    QuiescencePicker picker;
    initQuiescencePicker(picker, pos, inCheck);
    Move childPv[MAX_PLY + 1];
    while (Move move = nextQuiescenceMove(picker)) {
        UndoRecord undo;
        makeMove(pos, move, undo);
        int value = -quiescence(pos, -beta, -alpha, ply + 1, childPv);
        unmakeMove(pos, move, undo);
        if (value > best) {
            best = value;
            prependPv(pv, move, childPv);
            if (value > alpha) {
                alpha = value;
                if (value >= beta) return best;
            }
        }
    }
    // In check without a legal evasion: mated here.
    return best == NO_SCORE ? ply - MATE_SCORE : best;
}
