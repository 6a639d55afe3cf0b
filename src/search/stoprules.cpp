#include "search/stoprules.h"

#include "search/progress.h"
#include "search/score.h"

namespace {

// A fall of this much from the last iteration's score means trouble: take more time.
constexpr int SCORE_DROP_MARGIN = 50;
// A first move this far ahead of the second after iteration 1 is an easy move.
constexpr int EASY_MOVE_MARGIN = 150;
// Shares of the planned time after which an iteration may not start: an easy move needs
// little time, and a result that has neither dropped nor been beaten needs no more.
constexpr double EASY_MOVE_SHARE = 0.2;
constexpr double SETTLED_SHARE = 0.6;

}  // namespace

void applyScoreDropRule() {
    SearchProgress& progress = searchProgress;
    if (progress.reportDepth <= 1) return;
    if (progress.bestScore <= progress.previousScore - SCORE_DROP_MARGIN) {
        progress.scoreDropped = true;
        progress.easyMove = false;
        progress.stopRequested = false;
    } else {
        progress.scoreDropped = false;
    }
}

void applyRootFailHighRule() {
    searchProgress.rootFailHigh = true;
    searchProgress.easyMove = false;
    searchProgress.stopRequested = false;
}

bool applyIterationRules(int depth, int rootMoveCount, int firstScore, int secondScore) {
    SearchProgress& progress = searchProgress;
    searchLimits.abortArmed = true;
    if (depth == 1 && rootMoveCount >= 2 && firstScore >= secondScore + EASY_MOVE_MARGIN)
        progress.easyMove = true;
    if (depth > 1) {
        progress.scoreDroppedLast = progress.scoreDropped;
        progress.scoreDropped = false;
    }
    progress.previousScore = progress.bestScore;
    if (searchLimits.depthLimited && depth >= searchLimits.depthLimit)
        progress.stopRequested = true;
    if (searchLimits.timeLimited) {
        double elapsed = searchStats.elapsed;
        double perMove = searchLimits.perMoveTime;
        if (elapsed >= perMove && !progress.scoreDroppedLast) progress.stopRequested = true;
        if (elapsed >= EASY_MOVE_SHARE * perMove && progress.easyMove)
            progress.stopRequested = true;
        if (elapsed >= SETTLED_SHARE * perMove && !progress.scoreDroppedLast &&
            !progress.rootFailHigh)
            progress.stopRequested = true;
    }
    if (isMateScore(progress.bestScore)) progress.stopRequested = true;
    return searchLimits.stopReceived || progress.stopRequested;
}
