// The books the engine finds: the default one, and an unreadable qarn.bin. qarn-book's
// folders, duplicates, tree weighting, --min-score, --min-share, export and summary are in
// tests/golden/book_tool.txt; every tool's --help in it and in tests/golden/tools.txt.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "harness.h"

TEST(BookPipeline, TheDefaultBookOpensOnlyWithMainstreamMoves) {
    // Central cannon, pawn and elephant openings: over 5% of the master games each.
    ChildProcess probe(toolPath("qarn-book"), {"probe", toolPath("qarn.bin")});
    std::istringstream out(probe.readRest());
    EXPECT_EQ(out.str().substr(0, 5), "h2e2\n");
    for (std::string move; out >> move;) {
        EXPECT_TRUE(move == "h2e2" || move == "c3c4" || move == "g0e2") << move;
    }
}

TEST(BookPipeline, EngineTakesAnUnreadableQarnBinAsNoBook) {
    std::string dir = makeTempDir();
    mkdir((dir + "/qarn.bin").c_str(), 0755);
    Engine engine(dir, dir + "/qarn");
    for (const std::string& line : engine.startupLines) EXPECT_FALSE(startsWith(line, "book"));
    std::vector<std::string> lines = engine.go("go depth 1");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(startsWith(lines.back(), "bestmove ")) << lines.back();
    for (const std::string& line : lines) EXPECT_FALSE(startsWith(line, "info depth 0 ")) << line;
}
