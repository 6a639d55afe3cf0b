// The limits of go and the rules that stop a search: the limits planned from the clock and
// the stop rules after an iteration by the lines of tests/golden/timecontrol.txt; the
// score-drop rule, the depth limit and the stopwatch by their numbers.
#include "engine/timecontrol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "engine/parser.h"
#include "harness.h"
#include "search/progress.h"
#include "search/stoprules.h"
#include "test_util.h"

TEST(TimeControl, LimitsAndStopRulesMatch) {
    expectReplay("timecontrol.txt", [](const std::string& input) {
        std::string rest = input.substr(input.find(' ') + 1);
        char out[160];
        if (startsWith(input, "limits ")) {
            char name[32];
            int mode = 0, arg2, arg3;
            std::sscanf(rest.c_str(), "%31s %d %d", name, &arg2, &arg3);
            while (mode < 2 && std::strcmp(kGoModeNames[mode], name) != 0) mode++;
            resetSearchLimits();
            setSearchLimits(mode, arg2, arg3);
            std::snprintf(out, sizeof out, "depth %d %d time %d per move %g maximum %g\n",
                          searchLimits.depthLimited, searchLimits.depthLimit,
                          searchLimits.timeLimited, searchLimits.perMoveTime,
                          searchLimits.maximumTime);
        } else {
            double elapsed;
            int dropped, failHigh, depth, first, second, best;
            std::sscanf(rest.c_str(), "%lf %d %d %d %d %d %d", &elapsed, &dropped, &failHigh,
                        &depth, &first, &second, &best);
            resetSearchLimits();
            setSearchLimits(e_GoMovesToGo, 10, 1);
            searchStats.elapsed = elapsed;
            searchProgress.scoreDropped = dropped;
            searchProgress.rootFailHigh = failHigh;
            searchProgress.bestScore = best;
            std::snprintf(out, sizeof out, "stops %d\n",
                          applyIterationRules(depth, 2, first, second));
        }
        return std::string(out);
    });
}

TEST(TimeControl, ScoreDropDepthLimitAndStopwatch) {
    // A drop of 50 from the last iteration's score keeps the search going.
    for (int drop : {49, 50}) {
        resetSearchLimits();
        searchProgress.reportDepth = 2;
        searchProgress.previousScore = 100;
        searchProgress.bestScore = 100 - drop;
        searchProgress.stopRequested = true;
        applyScoreDropRule();
        EXPECT_EQ(searchProgress.scoreDropped, drop == 50);
        EXPECT_EQ(searchProgress.stopRequested, drop != 50);
    }
    // A depth limit ends the search once the iteration reaches it.
    resetSearchLimits();
    setSearchLimits(e_GoDepth, 4, 0);
    EXPECT_FALSE(applyIterationRules(3, 2, 0, 0));
    EXPECT_TRUE(applyIterationRules(4, 2, 0, 0));
    // The stopwatch counts the monotonic clock in full, and a clock that seems to run
    // backwards (a wrapped counter) gives 0, never a negative time.
    stopwatchStart(searchStopwatch);
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    EXPECT_NEAR(searchStopwatch.startTick, std::chrono::duration<double>(now).count(), 1.0);
    searchStopwatch.startTick += 1e6;
    searchStopwatch.startClock += 1e6;
    EXPECT_EQ(stopwatchElapsed(searchStopwatch), 0);
    EXPECT_EQ(stopwatchLoad(searchStopwatch), 0);
}
