#include "engine/timecontrol.h"

#include <cstring>

#include "engine/output.h"
#include "engine/parser.h"
#include "engine/platform.h"
#include "search/tt.h"

SearchLimits searchLimits;
SearchProgress searchProgress;
SearchStats searchStats;
Stopwatch searchStopwatch;

namespace {

// Both clocks are read as whole milliseconds in 64 bits, so that neither wraps.
double tickSeconds() {
    return double(tickMilliseconds()) * 0.001;
}

double clockSeconds() {
    return double(processMilliseconds()) * 0.001;
}

}  // namespace

void resetSearchLimits() {
    searchLimits.depthLimited = false;
    searchLimits.depthLimit = 0;
    searchLimits.timeLimited = false;
    searchLimits.perMoveTime = 0;
    searchLimits.maximumTime = 0;
    searchLimits.abortArmed = false;
    searchLimits.stopReceived = false;
    searchLimits.pollCountdown = POLL_INTERVAL;
    searchLimits.pollInterval = POLL_INTERVAL;

    int32_t reportDepth = searchProgress.reportDepth;
    Move pv[256];
    std::memcpy(pv, searchProgress.pv, sizeof pv);
    std::memset(&searchProgress, 0, sizeof searchProgress);
    searchProgress.reportDepth = reportDepth;
    std::memcpy(searchProgress.pv, pv, sizeof pv);
    searchProgress.pv[0] = 0;

    searchStats = SearchStats{};
}

void setSearchLimits(int goMode, int32_t arg2, int32_t arg3) {
    if (goMode == 1 || goMode == 2) {
        double total = arg2;
        searchLimits.timeLimited = true;
        int32_t movesToGo = arg3 < 1 ? 1 : arg3;
        searchLimits.perMoveTime = goMode == 1 ? double(arg2 / movesToGo) : 0.05 * total + arg3;
        searchLimits.maximumTime = total;
        if (2 * searchLimits.perMoveTime < searchLimits.maximumTime)
            searchLimits.maximumTime = 2 * searchLimits.perMoveTime;
    } else {
        searchLimits.depthLimited = true;
        searchLimits.depthLimit = arg2;
    }
}

void stopwatchClear(Stopwatch& watch) {
    watch.startTick = 0;
    watch.startClock = 0;
    watch.running = false;
}

void stopwatchStart(Stopwatch& watch) {
    watch.running = true;
    watch.startTick = tickSeconds();
    watch.startClock = clockSeconds();
}

double stopwatchElapsed(const Stopwatch& watch) {
    if (!watch.running) return 0;
    double elapsed = tickSeconds() - watch.startTick;
    return elapsed < 0 ? 0 : elapsed;
}

double stopwatchLoad(const Stopwatch& watch) {
    double wall = stopwatchElapsed(watch);
    double cpu = 0;
    if (watch.running) {
        cpu = clockSeconds() - watch.startClock;
        if (cpu < 0) cpu = 0;
    }
    if (wall <= 0 || cpu <= 0) return 0;
    double load = cpu / wall;
    return load > 1.0 ? 1.0 : load;
}

void updateSearchStats() {
    double elapsed = stopwatchElapsed(searchStopwatch);
    searchStats.nodesPerSecond = elapsed < 1.0 ? 0 : double(searchStats.nodes) / elapsed;
    searchStats.load = stopwatchLoad(searchStopwatch);
    searchStats.elapsed = elapsed;
}

void pollDuringSearch() {
    double now = stopwatchElapsed(searchStopwatch);
    SearchProgress& progress = searchProgress;
    if (searchLimits.depthLimited && progress.iterationDepth > searchLimits.depthLimit)
        progress.stopRequested = true;
    if (searchLimits.timeLimited) {
        if (now >= searchLimits.maximumTime) progress.stopRequested = true;
        if (searchStats.elapsed >= searchLimits.perMoveTime && !progress.scoreDropped &&
            !progress.scoreDroppedLast && progress.rootMoveIndex == 0)
            progress.stopRequested = true;
    }
    switch (pollCommand()) {
        case e_CommStop:
            searchLimits.stopReceived = true;
            break;
        case e_CommIsReady:
            printFlush("readyok\n");
            break;
        default:
            break;
    }
    if (searchLimits.abortArmed && (searchLimits.stopReceived || progress.stopRequested))
        throw SearchAborted{};
}

void applyScoreDropRule() {
    SearchProgress& progress = searchProgress;
    if (progress.reportDepth <= 1) return;
    if (progress.bestScore <= progress.previousScore - 50) {
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
    if (depth == 1 && rootMoveCount >= 2 && firstScore >= secondScore + 150)
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
        if (elapsed >= 0.2 * perMove && progress.easyMove) progress.stopRequested = true;
        if (elapsed >= 0.6 * perMove && !progress.scoreDroppedLast && !progress.rootFailHigh)
            progress.stopRequested = true;
    }
    if (progress.bestScore > MATE_BOUND || progress.bestScore < -MATE_BOUND)
        progress.stopRequested = true;
    return searchLimits.stopReceived || progress.stopRequested;
}
