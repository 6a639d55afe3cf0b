#include "book/book.h"
#include "engine/output.h"
#include "engine/reports.h"
#include "engine/timecontrol.h"
#include "eval/evaluate.h"
#include "position/makemove.h"
#include "search/movepick.h"
#include "search/search.h"
#include "search/tt.h"

MoveList rootLegalMoves;
MoveList rootMoves;
// The search plays its moves on this copy, so that an aborted search leaves the engine's
// Position exactly as the front end set it.
Position searchPosition;

void orderRootMoves(MoveList& moves, Position& pos) {
    // Moves of equal ordering score keep this fixed order.
    scoreByMoveCode(moves);
    sortMoveList(moves);
    ProbeResult entry;
    Move hashMove = ttProbe(uint32_t(pos.key), uint32_t(pos.key >> 32), entry) ? entry.move : 0;
    scoreMoves(moves, pos, 0, hashMove);
    sortMoveList(moves);
}

int rootSearch(MoveList& moves, Position& pos, int depth, bool firstIteration) {
    searchStats.nodes++;
    searchLimits.pollCountdown--;
    for (int i = 0; i < moves.count; i++) moves.scores[i] = NO_SCORE;
    int alpha = -MATE_SCORE;
    const int beta = MATE_SCORE;
    int best = NO_SCORE;
    const bool singleReply = inCheckNow(pos) && moves.count == 1;
    Move childPv[MAX_PLY + 1];

    for (int i = 0; i < moves.count; i++) {
        Move move = moves.moves[i];
        searchProgress.iterationDepth = depth;
        searchProgress.rootMoveIndex = i;
        int newDepth = singleReply || givesCheck(move, pos) ? depth : depth - 1;
        UndoRecord undo;
        makeMove(pos, move, undo);
        int value;
        if (firstIteration || best == NO_SCORE) {
            value = -searchNode(pos, -beta, -alpha, newDepth, 1, childPv, false);
        } else {
            value = -searchNode(pos, -alpha - 1, -alpha, newDepth, 1, childPv, true);
            if (value > alpha) {
                applyRootFailHighRule();
                value = -searchNode(pos, -beta, -alpha, newDepth, 1, childPv, false);
            }
        }
        unmakeMove(pos, move, undo);
        moves.scores[i] = int16_t(value > alpha ? value : -MATE_SCORE);
        if (value > best) {
            searchProgress.bestMove = move;
            searchProgress.bestScore = value;
            searchProgress.boundType = 3;
            searchProgress.reportDepth = depth;
            prependPv(searchProgress.pv, move, childPv);
            reportSearchLine();
            best = value;
            if (value > alpha && !firstIteration) alpha = value;
        }
    }
    sortMoveList(moves);
    // The next iteration finds the whole principal variation as hash moves.
    if (best > -MATE_SCORE && best < MATE_SCORE) ttStorePv(searchProgress.pv, pos);
    return best;
}

void searchDriver() {
    if (!enginePositionValid) {
        printFlush("nobestmove\n");
        return;
    }
    // Started at the go, so that a book move reports its own time; a search restarts it.
    stopwatchClear(searchStopwatch);
    stopwatchStart(searchStopwatch);
    if (searchLimits.depthLimited && searchLimits.depthLimit == 0) {
        reportStaticEvaluation(enginePosition);
        return;
    }

    // Opening book
    Move bookMove = probeBook(enginePosition);
    if (bookMove != 0) {
        searchProgress.bestMove = bookMove;
        searchProgress.bestScore = 1;
        searchProgress.boundType = 3;
        searchProgress.reportDepth = 1;
        searchProgress.pv[0] = bookMove;
        searchProgress.pv[1] = 0;
        reportSearchLine();
        reportBestMove();
        return;
    }

    searchPosition = enginePosition;
    generateLegalMoves(rootLegalMoves, searchPosition);
    if (rootLegalMoves.count < 2) {
        searchLimits.depthLimited = true;
        searchLimits.depthLimit = 4;
    }
    try {
        copyMoveList(rootMoves, rootLegalMoves);
        stopwatchClear(searchStopwatch);
        stopwatchStart(searchStopwatch);
        ttNewSearch();
        clearSearchTables();
        orderRootMoves(rootMoves, searchPosition);
        for (int depth = 1; depth <= 63; depth++) {
            searchProgress.scoreDropped = false;
            searchProgress.rootFailHigh = false;
            searchPosition = enginePosition;
            rootSearch(rootMoves, searchPosition, depth, depth == 1);
            updateSearchStats();
            if (applyIterationRules(depth, rootMoves.count, rootMoves.scores[0],
                                    rootMoves.scores[1]))
                break;
        }
        reportSearchLine();
        reportBestMove();
    } catch (const SearchAborted&) {
        updateSearchStats();
        reportBestMove();
    }
}
