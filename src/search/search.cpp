#include "search/search.h"

#include "eval/evaluate.h"
#include "position/makemove.h"
#include "search/movepick.h"
#include "search/prologue.h"
#include "search/tt.h"

void copyPv(Move* destination, const Move* source) {
    while ((*destination++ = *source++) != 0) {
    }
}

void prependPv(Move* destination, Move move, const Move* source) {
    destination[0] = move;
    copyPv(destination + 1, source);
}

namespace {

// Null move, and the prefetch of a child's bucket, only where the subtree is deep enough to
// pay for them.
constexpr int NULL_MOVE_MIN_DEPTH = 2, PREFETCH_MIN_DEPTH = 2;
// Internal iterative deepening: from this depth, a search this much shallower.
constexpr int IID_MIN_DEPTH = 3, IID_REDUCTION = 2;
// History pruning near the horizon: up to this depth, with a third of HISTORY_PRUNE_LIMIT
// up to the depth below and a quarter at it.
constexpr int HISTORY_PRUNE_MAX_DEPTH = 4;
// Late-move reduction: from this depth, after this many moves searched; a second ply from
// LMR_DEEP_DEPTH for moves below half the limit.
constexpr int LMR_MIN_DEPTH = 3, LMR_MIN_SEARCHED = 3, LMR_DEEP_DEPTH = 8;

void storeResult(const Position& pos, Move bestMove, int depth, int best, int origAlpha, int beta,
                 int ply) {
    int lower = best > origAlpha ? scoreToTable(best, ply) : -MATE_SCORE;
    int upper = best < beta ? scoreToTable(best, ply) : MATE_SCORE;
    ttStore(uint32_t(pos.key), uint32_t(pos.key >> 32), bestMove, depth, lower, upper);
}

}  // namespace

int searchNode(Position& pos, int alpha, int beta, int depth, int ply, Move* pv, bool zeroWindow) {
    // Horizon
    if (depth <= 0) return quiescence(pos, alpha, beta, ply, pv);
    int score;
    if (nodePrologue(pos, alpha, beta, ply, pv, score)) return score;

    // Transposition table: every node takes the hash move; only zero-window nodes end on
    // stored bounds. A stored mate bound is deep enough whatever its depth.
    Move hashMove = 0;
    ProbeResult entry;
    if (ttProbe(uint32_t(pos.key), uint32_t(pos.key >> 32), entry)) {
        hashMove = entry.move;
        if (zeroWindow) {
            int lower = -MATE_SCORE, upper = MATE_SCORE;
            if (entry.lowerDepth >= depth || entry.lowerBound > MATE_BOUND) {
                lower = scoreFromTable(entry.lowerBound, ply);
                if (lower >= beta) return lower;
            }
            if (entry.upperDepth >= depth || entry.upperBound < -MATE_BOUND) {
                upper = scoreFromTable(entry.upperBound, ply);
                if (upper <= alpha) return upper;
            }
            if (lower == upper) return lower;
        }
    }
    if (ply >= MAX_PLY) return evaluate(alpha, beta, pos);
    // The hash move's bucket starts loading: the null-move and deepening searches come first.
    if (hashMove != 0 && depth >= PREFETCH_MIN_DEPTH && pos.board[moveFrom(hashMove)] != 0)
        ttPrefetch(keyAfterMove(pos, hashMove));

    const int origAlpha = alpha;
    int best = NO_SCORE;
    Move bestMove = 0;
    const bool inCheck = inCheckNow(pos);
    Move childPv[MAX_PLY + 1];

    // Null move: if passing still fails high, so will a real move.
    if (depth >= NULL_MOVE_MIN_DEPTH && zeroWindow && !inCheck && !isMateScore(beta) &&
        pos.moveHistory[pos.historyCount - 1] != NULL_MOVE &&
        (depth <= NULL_MOVE_REDUCTION + 1 || evaluate(alpha, beta, pos) >= beta)) {
        UndoRecord undo;
        makeNullMove(pos, undo);
        int value = -searchNode(pos, -beta, -beta + 1, depth - NULL_MOVE_REDUCTION - 1, ply + 1,
                                childPv, true);
        unmakeNullMove(pos, undo);
        if (value >= beta) {
            best = value > NULL_MOVE_CAP ? NULL_MOVE_CAP : value;
            storeResult(pos, 0, depth, best, origAlpha, beta, ply);
            return best;
        }
    }

    // Internal iterative deepening: a shallower search of this node finds a first move.
    if (depth >= IID_MIN_DEPTH && !zeroWindow && hashMove == 0) {
        int value = searchNode(pos, alpha, beta, depth - IID_REDUCTION, ply, childPv, false);
        if (value <= alpha)
            searchNode(pos, -MATE_SCORE, beta, depth - IID_REDUCTION, ply, childPv, false);
        hashMove = childPv[0];
    }

    MovePicker picker;
    initMovePicker(picker, pos, inCheck, ply, hashMove);
    const bool singleReply = inCheck && picker.list.count == 1;
    Move searched[256];
    int searchedCount = 0;
    bool prunedAny = false;

    while (Move move = nextMove(picker)) {
        // Extension: checks and single replies keep the depth.
        const bool checks = givesCheck(move, pos);
        int newDepth = singleReply || checks ? depth : depth - 1;

        // History pruning: near the horizon, skip quiet moves that rarely cut off.
        if (zeroWindow && !inCheck && depth <= HISTORY_PRUNE_MAX_DEPTH && newDepth < depth) {
            int limit =
                depth < HISTORY_PRUNE_MAX_DEPTH ? HISTORY_PRUNE_LIMIT / 3 : HISTORY_PRUNE_LIMIT / 4;
            if (cutoffRatioBelow(picker, limit)) {
                prunedAny = true;
                continue;
            }
        }

        // Late-move reduction
        bool reduced = false;
        if (zeroWindow && depth >= LMR_MIN_DEPTH && !inCheck && searchedCount >= LMR_MIN_SEARCHED &&
            newDepth < depth && cutoffRatioBelow(picker, HISTORY_PRUNE_LIMIT)) {
            newDepth--;
            reduced = true;
            if (cutoffRatioBelow(picker, HISTORY_PRUNE_LIMIT / 2) && depth >= LMR_DEEP_DEPTH)
                newDepth--;
        }

        // The next move's bucket loads while this move's subtree is searched.
        if (depth >= PREFETCH_MIN_DEPTH) {
            Move next = peekNextMove(picker);
            if (next != 0 && pos.board[moveFrom(next)] != 0) ttPrefetch(keyAfterMove(pos, next));
        }
        UndoRecord undo;
        makeMoveKnowingCheck(pos, move, undo, checks);
        if (newDepth > 0) ttPrefetch(pos.key);
        int value;
        if (!zeroWindow && searchedCount > 0) {
            value = -searchNode(pos, -alpha - 1, -alpha, newDepth, ply + 1, childPv, true);
            if (value > alpha)
                value = -searchNode(pos, -beta, -alpha, newDepth, ply + 1, childPv, false);
        } else {
            value = -searchNode(pos, -beta, -alpha, newDepth, ply + 1, childPv, zeroWindow);
        }
        // Re-search of a reduced move that unexpectedly beat alpha, one ply deeper.
        if (reduced && value > alpha)
            value = -searchNode(pos, -beta, -alpha, newDepth + 1, ply + 1, childPv, true);
        unmakeMove(pos, move, undo);
        searched[searchedCount++] = move;

        if (value > best) {
            best = value;
            prependPv(pv, move, childPv);
            if (value > alpha) {
                alpha = value;
                bestMove = move;
                if (value >= beta) break;
            }
        }
    }

    // No legal move: mated (stalemate loses too). When history pruning skipped every move
    // the node is not lost: it fails low, as the pruning assumes of those moves.
    if (searchedCount == 0) return prunedAny ? origAlpha : ply - MATE_SCORE;

    if (bestMove != 0) {
        updateKillersAndHistory(bestMove, pos, depth, ply);
        if (best >= beta && !isOccupied(moveTo(bestMove), pos.board)) {
            for (int i = 0; i < searchedCount - 1; i++) recordTried(searched[i], pos);
            recordCutoff(bestMove, pos);
        }
    }
    storeResult(pos, bestMove, depth, best, origAlpha, beta, ply);
    return best;
}
