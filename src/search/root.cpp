#include "position/makemove.h"
#include "search/movepick.h"
#include "search/progress.h"
#include "search/search.h"
#include "search/stoprules.h"
#include "search/tt.h"

MoveList rootLegalMoves;
MoveList rootMoves;
Position searchPosition;

namespace {

// The deepest iteration the driver starts; the poll's limits end it long before.
constexpr int MAX_ITERATION = 63;
// With a single legal move (or none) only a shallow search is made, for its report.
constexpr int FORCED_MOVE_DEPTH = 4;

}  // namespace

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
            searchProgress.boundType = e_BoundExact;
            searchProgress.reportDepth = depth;
            prependPv(searchProgress.pv, move, childPv);
            updateSearchStats();
            if (searchHooks.newBestMove != nullptr) searchHooks.newBestMove();
            applyScoreDropRule();
            best = value;
            if (value > alpha && !firstIteration) alpha = value;
        }
    }
    sortMoveList(moves);
    // The next iteration finds the whole principal variation as hash moves.
    if (best > -MATE_SCORE && best < MATE_SCORE) ttStorePv(searchProgress.pv, pos);
    return best;
}

bool iterativeDeepening(const Position& root) {
    searchPosition = root;
    generateLegalMoves(rootLegalMoves, searchPosition);
    if (rootLegalMoves.count < 2) {
        searchLimits.depthLimited = true;
        searchLimits.depthLimit = FORCED_MOVE_DEPTH;
    }
    try {
        copyMoveList(rootMoves, rootLegalMoves);
        stopwatchClear(searchStopwatch);
        stopwatchStart(searchStopwatch);
        ttNewSearch();
        clearSearchTables();
        orderRootMoves(rootMoves, searchPosition);
        for (int depth = 1; depth <= MAX_ITERATION; depth++) {
            searchProgress.scoreDropped = false;
            searchProgress.rootFailHigh = false;
            searchPosition = root;
            rootSearch(rootMoves, searchPosition, depth, depth == 1);
            updateSearchStats();
            if (applyIterationRules(depth, rootMoves.count, rootMoves.scores[0],
                                    rootMoves.scores[1]))
                break;
        }
        return true;
    } catch (const SearchAborted&) {
        return false;
    }
}
