#include "review/analysis.h"

#include "engine/init.h"
#include "engine/parser.h"
#include "engine/timecontrol.h"
#include "position/movegen.h"
#include "search/movepick.h"
#include "search/progress.h"
#include "search/score.h"
#include "search/search.h"
#include "search/tt.h"

namespace {

// The legal-move test's scratch copy: a Position is too large for the stack.
Position scratch;

}  // namespace

void prepareAnalysis() {
    initTables();
    ttReset();
    ttAllocate();
}

PositionAnalysis analysePosition(const Position& pos, const SearchSettings& settings) {
    PositionAnalysis analysis;
    scratch = pos;
    MoveList legal;
    generateLegalMoves(legal, scratch);
    if (legal.count == 0) {
        analysis.terminal = true;
        analysis.score = -MATE_SCORE;
        return analysis;
    }
    // The state of a fresh engine: an empty table, cleared ordering tables, no book, no
    // one to report to or to ask whether to stop. The hooks are given back afterwards, so
    // that an engine in the same process (the browser's worker) keeps its reports and input.
    ttClear();
    clearSearchTables();
    resetSearchLimits();
    const SearchHooks hooks = searchHooks;
    searchHooks = {nullptr, nullptr};
    if (settings.depth > 0) {
        setSearchLimits(e_GoDepth, settings.depth, 0);
    } else {
        // What "go time S" sets for whole seconds, for any S.
        searchLimits.timeLimited = true;
        searchLimits.perMoveTime = settings.seconds;
        searchLimits.maximumTime = settings.seconds;
    }
    iterativeDeepening(pos);
    searchHooks = hooks;
    // The engine's last gate: a best move that is not legal gives way to the first legal
    // move (it never happens in practice).
    Move best = Move(searchProgress.bestMove);
    bool legalBest = false;
    for (int i = 0; i < legal.count; i++) legalBest |= legal.moves[i] == best;
    analysis.best = legalBest ? best : legal.moves[0];
    analysis.score = searchProgress.bestScore;
    if (searchProgress.pv[0] == analysis.best) {
        for (int i = 0; i < MAX_PLY && isRealMove(searchProgress.pv[i]); i++)
            analysis.pv.push_back(searchProgress.pv[i]);
    } else {
        analysis.pv.push_back(analysis.best);
    }
    return analysis;
}
