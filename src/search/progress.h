// What a running search knows about itself: its limits, its progress and its statistics,
// the node count that drives the periodic poll, and the two hooks through which it talks
// to whoever runs it.
#pragma once

#include <cstdint>

#include "base/stopwatch.h"
#include "position/types.h"

struct SearchLimits {
    bool depthLimited;
    int32_t depthLimit;
    bool timeLimited;
    double perMoveTime;  // seconds this move should normally take
    double maximumTime;  // seconds after which the search is aborted
    bool abortArmed;     // iteration 1 is complete: the poll may abort the search
    bool stopReceived;
    int32_t pollCountdown;
    int32_t pollInterval;
};

// What the best result found so far is known to be: nothing yet, or an upper bound, a
// lower bound or an exact score.
enum BoundType : int32_t {
    e_BoundNone = 0,
    e_BoundUpper = 1,
    e_BoundLower = 2,
    e_BoundExact = 3,
};

struct SearchProgress {
    int32_t iterationDepth;
    int32_t rootMoveIndex;
    int32_t previousScore;
    bool scoreDropped;
    bool scoreDroppedLast;
    bool rootFailHigh;
    bool easyMove;
    bool stopRequested;
    uint32_t bestMove;
    int32_t bestScore;
    BoundType boundType;
    int32_t reportDepth;
    Move pv[256];
};

struct SearchStats {
    int64_t nodes;
    int32_t maxPly;
    double elapsed;  // seconds
    double nodesPerSecond;
    double load;  // processor time over wall time, 0..1
};

// Nodes between two polls of the clock and the input.
constexpr int32_t POLL_INTERVAL = 4096;

extern SearchLimits searchLimits;
extern SearchProgress searchProgress;
extern SearchStats searchStats;
extern Stopwatch searchStopwatch;

// The search's links to whoever runs it; either may be null (the tools search without
// both). newBestMove is told of each new best root move, held in searchProgress, with the
// statistics just updated. pollInput is asked at every poll whether the front end has
// asked the search to stop; it answers the other commands that may come during a search
// itself.
struct SearchHooks {
    void (*newBestMove)();
    bool (*pollInput)();
};
extern SearchHooks searchHooks;

// Thrown by the poll to unwind an aborted search back to the driver.
struct SearchAborted {};

// Clears the limits, the statistics and the progress (but for the last report's depth and
// variation) before a search.
void resetSearchLimits();
// Elapsed time, nodes per second and load from the search's stopwatch.
void updateSearchStats();

// Reads the clock and asks for input; throws SearchAborted once the search may and
// should end.
void pollDuringSearch();

// Node accounting at the entry of every search node.
inline void countNode(int ply) {
    searchStats.nodes++;
    if (ply > searchStats.maxPly) searchStats.maxPly = ply;
    if (--searchLimits.pollCountdown <= 0) {
        searchLimits.pollCountdown = searchLimits.pollInterval;
        pollDuringSearch();
    }
}
