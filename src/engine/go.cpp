#include "engine/go.h"

#include "base/output.h"
#include "book/book.h"
#include "engine/enginepos.h"
#include "engine/parser.h"
#include "engine/reports.h"
#include "search/progress.h"
#include "search/search.h"

void searchDriver() {
    if (!enginePositionValid) {
        reportNoBestMove();
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
        reportBookMoves(bookCandidates, bookCandidateCount);
        searchProgress.bestMove = bookMove;
        searchProgress.bestScore = 1;
        searchProgress.boundType = e_BoundExact;
        searchProgress.reportDepth = 1;
        searchProgress.pv[0] = bookMove;
        searchProgress.pv[1] = 0;
        updateSearchStats();
        reportSearchLine();
        reportBestMove(enginePosition);
        return;
    }

    // A search that ends by its own rules reports its result once more; an aborted one
    // goes straight to the bestmove line.
    bool finished = iterativeDeepening(enginePosition);
    updateSearchStats();
    if (finished) reportSearchLine();
    reportBestMove(enginePosition);
}

bool pollSearchInput() {
    switch (pollCommand()) {
        case e_CommStop:
            return true;
        case e_CommIsReady:
            printFlush("readyok\n");
            return false;
        default:
            return false;
    }
}
