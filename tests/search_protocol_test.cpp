// Searches through the real engine binary: the report lines, position errors, and the
// stop, isready and time rules seen from the front end.
#include <gtest/gtest.h>

#include <regex>

#include "harness.h"

namespace {

constexpr char kNoBook[] = "/nonexistent/qarn";

bool matches(const std::string& line, const char* pattern) {
    return std::regex_match(line, std::regex(pattern));
}

}  // namespace

TEST(SearchProtocol, DepthZeroPrintsTheStaticEvaluation) {
    Engine engine("", kNoBook);
    EXPECT_EQ(
        engine.go("go depth 0"),
        (std::vector<std::string>{"info depth 0 score 4 white 1131 black 1131", "nobestmove"}));
    engine.send("position startpos moves h2e2");
    EXPECT_EQ(
        engine.go("go depth x"),
        (std::vector<std::string>{"info depth 0 score -3 white 1136 black 1131", "nobestmove"}));
}

TEST(SearchProtocol, ReportLinesOfAMate) {
    Engine engine("", kNoBook);
    engine.send("position fen 3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1");
    auto lines = engine.go("go depth 6");
    ASSERT_GE(lines.size(), 4u);
    // The iteration that finds the mate reports it, the closing line repeats the result.
    for (size_t i : {lines.size() - 4, lines.size() - 3}) {
        EXPECT_TRUE(
            matches(lines[i], R"(info depth 1 mdepth \d+ score MATE 1 time \d+ nodes \d+ pv b1b9)"))
            << lines[i];
    }
    EXPECT_TRUE(matches(lines[lines.size() - 2], R"(info time \d+ nodes \d+ nps \d+ cpuload \d+)"));
    EXPECT_EQ(lines.back(), "bestmove b1b9");
    // Being mated prints a negative distance.
    engine.send("position fen 3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1 moves a8a7");
    lines = engine.go("go depth 4");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[lines.size() - 3].find(" score MATE -"), std::string::npos)
        << lines[lines.size() - 3];
}

TEST(SearchProtocol, BestMoveWithPonder) {
    Engine engine("", kNoBook);
    auto lines = engine.go("go depth 4");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(matches(lines.back(), "bestmove [a-i][0-9][a-i][0-9] ponder [a-i][0-9][a-i][0-9]"))
        << lines.back();
}

TEST(SearchProtocol, NoLegalMoveAnswersNobestmove) {
    Engine engine("", kNoBook);
    engine.send("position fen 3k5/4R4/9/9/9/9/9/9/9/4K4 b - - 0 1");
    auto lines = engine.go("go depth 8");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(matches(lines[0], R"(info time \d+ nodes \d+ nps \d+ cpuload \d+)")) << lines[0];
    EXPECT_EQ(lines[1], "nobestmove");
}

TEST(SearchProtocol, RejectedFenLeavesNoPositionToSearch) {
    Engine engine("", kNoBook);
    engine.send("position fen rnbakabnr/9/1c5c1");
    EXPECT_EQ(engine.readLine(), gbk("无效的fen字符串") + "rnbakabnr/9/1c5c1!");
    EXPECT_EQ(engine.go("go depth 3"), std::vector<std::string>{"nobestmove"});
    EXPECT_EQ(engine.go("go depth 0"), std::vector<std::string>{"nobestmove"});
    // Two kings facing each other, a missing king, too many rooks.
    for (const char* fen :
         {"4k4/9/9/9/9/9/9/9/9/4K4 w", "9/9/9/9/9/9/9/9/9/4K4 w", "3k5/9/9/9/9/9/9/9/9/RRR1K4 w"}) {
        engine.send(std::string("position fen ") + fen);
        EXPECT_EQ(engine.readLine(), gbk("无效的fen字符串") + fen + "!");
    }
    engine.send("position startpos");
    auto lines = engine.go("go depth 2");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(startsWith(lines.back(), "bestmove "));
}

TEST(SearchProtocol, RefusedMovesStopTheList) {
    Engine engine("", kNoBook);
    std::string refused = gbk("无效的着法");
    engine.send("position startpos moves h2e2 h2h3 h9g7");
    EXPECT_EQ(engine.readLine(), refused + "h2h3!");
    // The move before the refused one stays played: red's cannon stands on e2.
    EXPECT_EQ(engine.go("go depth 0")[0], "info depth 0 score -3 white 1136 black 1131");
    engine.send("position startpos moves zz99");
    EXPECT_EQ(engine.readLine(), refused + "zz99!");
    engine.send("position startpos moves e0e2");
    EXPECT_EQ(engine.readLine(), refused + "e0e2!");
    engine.send("move a9a8");  // black piece, red to move
    EXPECT_EQ(engine.readLine(), refused + "a9a8!");
}

TEST(SearchProtocol, StopAndIsReadyDuringASearch) {
    Engine engine("", kNoBook);
    engine.send("go depth 31");
    // Once iteration 2 reports, the search can be interrupted.
    auto early = engine.readUntil("info depth 2 ");
    ASSERT_FALSE(early.empty());
    engine.send("isready");
    EXPECT_EQ(engine.readUntil("readyok").back(), "readyok");
    auto rest = engine.go("stop", 10000);
    ASSERT_FALSE(rest.empty());
    EXPECT_TRUE(startsWith(rest.back(), "bestmove ")) << rest.back();
    EXPECT_TRUE(startsWith(rest[rest.size() - 2], "info time ")) << rest[rest.size() - 2];
    EXPECT_EQ(engine.command("isready", "readyok").back(), "readyok");
}

TEST(SearchProtocol, ZeroTimeEndsAfterTheFirstIteration) {
    Engine engine("", kNoBook);
    auto lines = engine.go("go time 0");
    ASSERT_GE(lines.size(), 3u);
    for (size_t i = 0; i + 2 < lines.size(); i++)
        EXPECT_TRUE(startsWith(lines[i], "info depth 1 ")) << lines[i];
    // The closing line repeats the last result, with the figures of the whole iteration.
    auto pvOf = [](const std::string& line) { return line.substr(line.find(" pv ")); };
    EXPECT_EQ(pvOf(lines[lines.size() - 3]), pvOf(lines[lines.size() - 4]));
}

TEST(SearchProtocol, MoveCommandPlaysAndRedraws) {
    Engine engine("", kNoBook);
    engine.send("move h2e2 h9g7");
    auto board = engine.readUntil("now is ");
    EXPECT_EQ(board.back(), "now is white turn.");
    EXPECT_EQ(engine.go("go depth 0")[0], "info depth 0 score 8 white 1136 black 1140");
}
