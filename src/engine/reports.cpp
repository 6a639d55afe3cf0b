#include "engine/reports.h"

#include <cinttypes>
#include <cstring>

#include "base/output.h"
#include "eval/evaluate.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/progress.h"
#include "search/score.h"

namespace {

constexpr int PV_TEXT_SIZE = 512;

// Scratch board for the final legality check of the bestmove line.
Position checkPosition;

}  // namespace

int mateDistance(int score) {
    if (score < -MATE_BOUND) return -((score + MATE_SCORE) / 2);
    if (score > MATE_BOUND) return (MATE_SCORE + 1 - score) / 2;
    return 0;
}

bool pvToText(const Move* moves, char* text, int capacity) {
    if (capacity < PV_TEXT_SIZE) return false;
    int length = 0;
    for (int i = 0; moves[i] != 0; i++) {
        int needed = (i > 0 ? 1 : 0) + 4;
        if (length + needed + 1 > capacity) break;
        if (i > 0) text[length++] = ' ';
        moveToText(moves[i], text + length, capacity - length);
        length += 4;
    }
    text[length] = '\0';
    return true;
}

void reportBookLoaded(int positions) {
    printFlush("book moves count=%d.\n", positions);
}

void reportBookMoves(const Move* moves, int count) {
    for (int i = 0; i < count; i++) {
        char text[5];
        moveToText(moves[i], text, sizeof text);
        printFlush("info depth 0 score 0 pv %s\n", text);
    }
}

void reportSearchLine() {
    const SearchProgress& progress = searchProgress;
    char pv[PV_TEXT_SIZE];
    pvToText(progress.pv, pv, sizeof pv);
    int mate = mateDistance(progress.bestScore);
    const char* bound = progress.boundType == e_BoundLower   ? " lowerbound"
                        : progress.boundType == e_BoundUpper ? " upperbound"
                                                             : "";
    if (progress.boundType >= e_BoundUpper && progress.boundType <= e_BoundExact) {
        double ms = searchStats.elapsed * 1000;
        long long nodes = (long long)searchStats.nodes;
        if (mate == 0) {
            printFlush("info depth %d mdepth %d score %d%s time %.0f nodes %lld pv %s\n",
                       progress.reportDepth, searchStats.maxPly, progress.bestScore, bound, ms,
                       nodes, pv);
        } else {
            printFlush("info depth %d mdepth %d score MATE %d%s time %.0f nodes %lld pv %s\n",
                       progress.reportDepth, searchStats.maxPly, mate, bound, ms, nodes, pv);
        }
    }
}

void reportBestMove(const Position& pos) {
    printFlush("info time %.0f nodes %lld nps %.0f cpuload %.0f\n", searchStats.elapsed * 1000,
               (long long)searchStats.nodes, searchStats.nodesPerSecond, searchStats.load * 1000);
    // The last gate before the front end: only a legal move of the given position is ever
    // printed, and a ponder move only when it is legal after it.
    checkPosition = pos;
    Move best = Move(searchProgress.bestMove);
    if (!isRealMove(best) || !isFullyLegal(best, checkPosition)) {
        MoveList legal;
        generateLegalMoves(legal, checkPosition);
        best = legal.count > 0 ? legal.moves[0] : 0;
    }
    if (best == 0) {
        reportNoBestMove();
        return;
    }
    char bestText[5], ponderText[5];
    moveToText(best, bestText, sizeof bestText);
    Move ponder = searchProgress.pv[1];
    bool offerPonder = searchProgress.pv[0] == best && isRealMove(ponder);
    if (offerPonder) {
        UndoRecord undo;
        makeMove(checkPosition, best, undo);
        offerPonder = isFullyLegal(ponder, checkPosition);
    }
    if (offerPonder) {
        moveToText(ponder, ponderText, sizeof ponderText);
        printFlush("bestmove %s ponder %s\n", bestText, ponderText);
    } else {
        printFlush("bestmove %s\n", bestText);
    }
}

void reportStaticEvaluation(const Position& pos) {
    printFlush("info depth 0 score %d white %d black %d\n", evaluate(-MATE_SCORE, MATE_SCORE, pos),
               pos.redScore, pos.blackScore);
    reportNoBestMove();
}

void reportNoBestMove() {
    printFlush("nobestmove\n");
}
