// The closing lines' figures (masked in the transcripts): milliseconds, nodes per second
// and the load in thousandths; only a legal best move is printed, a ponder move only
// when it is legal after it.
#include "engine/reports.h"

#include <gtest/gtest.h>

#include "search/progress.h"
#include "test_util.h"

TEST(Reports, ClosingLineFigures) {
    auto start = positionFrom(kStartFen);
    resetSearchLimits();
    searchStats = SearchStats{1234, 5, 2.5, 493.6, 0.5};
    const std::pair<const char*, const char*> cases[] = {{"h2e2 h9g7", "bestmove h2e2 ponder h9g7"},
                                                         {"h2e2 h2e3", "bestmove h2e2"},
                                                         {"a0a5 h9g7", "bestmove e0e1"}};
    for (const auto& [pv, answer] : cases) {
        std::string first(pv, 4), second(pv + 5, 4);
        searchProgress.bestMove = searchProgress.pv[0] = moveOf(first.c_str());
        searchProgress.pv[1] = moveOf(second.c_str());
        searchProgress.pv[2] = 0;
        testing::internal::CaptureStdout();
        reportBestMove(*start);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  std::string("info time 2500 nodes 1234 nps 494 cpuload 500\n") + answer + "\n");
    }
}
