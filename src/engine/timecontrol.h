// Search limits, progress and statistics, the stopwatch, and the periodic check that
// reads the clock and the input during a search.
#pragma once

#include <cstdint>

#include "position/position.h"

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
    int32_t boundType;  // 1 upper bound, 2 lower bound, 3 exact, 0 nothing to report
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

struct Stopwatch {
    double startTick;   // seconds, from the millisecond tick counter
    double startClock;  // seconds, from the process clock
    bool running;
};

constexpr int32_t POLL_INTERVAL = 4096;

extern SearchLimits searchLimits;
extern SearchProgress searchProgress;
extern SearchStats searchStats;
extern Stopwatch searchStopwatch;

// Thrown by the poll to unwind an aborted search back to the driver.
struct SearchAborted {};

void resetSearchLimits();
// Sets the limits of a go command from its GoMode and arguments.
void setSearchLimits(int goMode, int32_t arg2, int32_t arg3);

void stopwatchClear(Stopwatch& watch);
void stopwatchStart(Stopwatch& watch);
double stopwatchElapsed(const Stopwatch& watch);
double stopwatchLoad(const Stopwatch& watch);
void updateSearchStats();

// Reads the clock and at most one input line; throws SearchAborted once the search may
// and should end.
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

// The score-drop rule, applied after every report.
void applyScoreDropRule();
// A later root move beat the best score in its zero-window search.
void applyRootFailHighRule();
// The stop rules after iteration `depth`; true when the search should end. `firstScore`
// and `secondScore` are the two best root scores (secondScore unused with one move).
bool applyIterationRules(int depth, int rootMoveCount, int firstScore, int secondScore);
