#include "search/progress.h"

#include <cstring>

SearchLimits searchLimits;
SearchProgress searchProgress;
SearchStats searchStats;
Stopwatch searchStopwatch;
SearchHooks searchHooks = {nullptr, nullptr};

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

void updateSearchStats() {
    double elapsed = stopwatchElapsed(searchStopwatch);
    // Under a second the rate would be noise: it reads 0.
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
    if (searchHooks.pollInput != nullptr && searchHooks.pollInput())
        searchLimits.stopReceived = true;
    if (searchLimits.abortArmed && (searchLimits.stopReceived || progress.stopRequested))
        throw SearchAborted{};
}
