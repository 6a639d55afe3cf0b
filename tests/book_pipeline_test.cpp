// qarn-book's pipeline from outside: folders, duplicate games, --min-score, export, the
// summary; the engine with an unreadable qarn.bin; --help of every tool.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "harness.h"
#include "test_util.h"

namespace {

using Strings = std::vector<std::string>;

struct ToolResult {
    int exitCode;
    std::string out, err;
};

ToolResult runTool(const std::string& tool, const Strings& args) {
    ChildProcess child(toolPath(tool), args);
    ToolResult run;
    run.out = child.readRest();
    run.err = child.readErrors();
    run.exitCode = child.waitExit();
    return run;
}

Strings probe(const std::string& book, const std::string& moves) {
    Strings lines;
    std::istringstream out(runTool("qarn-book", {"probe", book, "--moves", moves}).out);
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
}

// A plain (version 0x0A) XQF file from the start position holding one tree: h2e2, answered
// by h9g7, b9c7 or h7e7. Points are file * 10 + rank; records are from + 24, to + 32, flags
// (0xF0 a reply follows, 0x0F an alternative follows), a byte, and an empty comment.
std::string xqfTree() {
    std::string bytes(0x400, '\0');
    bytes[0] = 'X', bytes[1] = 'Q', bytes[2] = 0x0A, bytes[0x33] = 1;
    const uint8_t pieces[32] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 12, 72, 3, 23, 43, 63, 83,
                                9, 19, 29, 39, 49, 59, 69, 79, 89, 17, 77, 6, 26, 46, 66, 86};
    for (int i = 0; i < 32; i++) bytes[0x10 + i] = char(pieces[i]);
    auto record = [&](int from, int to, int flags) {
        bytes += {char(from + 24), char(to + 32), char(flags), 0, 0, 0, 0, 0};
    };
    record(0, 0, 0xF0);
    record(72, 42, 0xF0);
    record(79, 67, 0x0F);
    record(19, 27, 0x0F);
    record(77, 47, 0);
    return bytes;
}

}  // namespace

TEST(BookPipeline, FoldersAreReadInOrderAndRepeatedGamesCountOnce) {
    std::string dir = makeTempDir();
    mkdir((dir + "/games").c_str(), 0755);
    mkdir((dir + "/games/sub").c_str(), 0755);
    // The same game as text, as PGN and from a [FEN] of the start position: one game.
    writeFile(dir + "/games/sub/a.txt", "h2e2 h9g7\nb2e2 b9c7\n");
    writeFile(dir + "/games/b.pgn", std::string("[FEN \"") + kStartFen +
                                        "\"]\n1. H2-E2 H9-G7 *\n\n1. c3c4 *\n1. h2e2 h9g7 *\n");
    writeFile(dir + "/games/README", "not a game\n");
    writeFile(dir + "/games/.hidden.txt", "x1x2\n");
    std::string book = dir + "/out.bin";
    ToolResult build = runTool("qarn-book", {"build", book, dir + "/games"});
    EXPECT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.out,
              "files 2 games 5 duplicates 2 rejected 0 positions 3 moves 5\n"
              "skipped 1: files in folders that are not game files\n");
    // b.pgn before sub/a.txt: ties keep the order first seen.
    EXPECT_EQ(probe(book, ""), (Strings{"h2e2", "c3c4", "b2e2"}));
    ASSERT_EQ(runTool("qarn-book", {"build", "--min-games", "2", book, dir + "/games"}).exitCode,
              0);
    EXPECT_EQ(probe(book, ""), Strings{});
}

TEST(BookPipeline, AGameTreeWeighsAsOneGame) {
    std::string dir = makeTempDir();
    writeFile(dir + "/tree.xqf", xqfTree());
    writeFile(dir + "/copy.xqf", xqfTree());
    writeFile(dir + "/line.txt", "h2e2 h9g7\n");
    std::string book = dir + "/out.bin";
    Strings inputs = {dir + "/tree.xqf", dir + "/copy.xqf", dir + "/line.txt"};
    for (const char* minGames : {"1", "2", "3"}) {
        Strings args = {"build", "--min-games", minGames, book};
        args.insert(args.end(), inputs.begin(), inputs.end());
        ToolResult build = runTool("qarn-book", args);
        EXPECT_EQ(build.exitCode, 0) << build.err;
        EXPECT_TRUE(startsWith(build.out, "files 3 games 3 duplicates 1 ")) << build.out;
        Strings replies = minGames[0] == '1'   ? Strings{"h9g7", "b9c7", "h7e7"}
                          : minGames[0] == '2' ? Strings{"h9g7"}
                                               : Strings{};
        EXPECT_EQ(probe(book, "h2e2"), replies) << minGames;
        EXPECT_EQ(probe(book, "").size(), minGames[0] == '3' ? 0u : 1u) << minGames;
    }
}

TEST(BookPipeline, MinScoreAndMinShareKeepWhatMastersChoseAndScored) {
    std::string dir = makeTempDir();
    writeFile(dir + "/games.pgn",
              "[Result \"1-0\"]\n1. h2e2 h9g7 1-0\n"
              "[Result \"0-1\"]\n1. h2e2 b9c7 0-1\n"
              "[Result \"1/2-1/2\"]\n1. b2e2 h9g7 1/2-1/2\n"
              "[Result \"*\"]\n1. c3c4 *\n");
    struct Case {
        const char* option;
        const char* value;
        const char* moves;
        Strings expected;
    };
    for (const Case& c :
         {Case{"--min-score", "0", "", {"h2e2", "b2e2", "c3c4"}},
          Case{"--min-score", "50", "", {"h2e2", "b2e2"}}, Case{"--min-score", "51", "", {}},
          Case{"--min-score", "50", "h2e2", {"b9c7"}}, Case{"--min-score", "100", "b2e2", {}},
          Case{"--min-share", "25", "", {"h2e2", "b2e2", "c3c4"}},
          Case{"--min-share", "26", "", {"h2e2"}}}) {
        std::string book = dir + "/out.bin";
        ToolResult build =
            runTool("qarn-book", {"build", c.option, c.value, book, dir + "/games.pgn"});
        EXPECT_EQ(build.exitCode, 0) << build.err;
        EXPECT_EQ(probe(book, c.moves), c.expected) << c.option << c.value << " after " << c.moves;
    }
}

TEST(BookPipeline, ExportGivesTheSameBookFromCompactData) {
    std::string dir = makeTempDir();
    writeFile(dir + "/games.pgn",
              "[Result \"1-0\"]\n1. h2e2 h9g7 2. h0g2 i9h9 3. i0h0 b9c7 1-0\n"
              "[Result \"0-1\"]\n1. h2e2 h9g7 2. h0g2 i9h9 3. b0c2 0-1\n"
              "[Result \"1-0\"]\n1. h2e2 h9g7 2. h0g2 i9h9 3. i0h0 c6c5 1-0\n"
              "[Result \"1-0\"]\n1. b2e2 h9g7 2. h0g2 i9h9 3. i0h0 c6c5 1-0\n"
              "[Result \"1-0\"]\n1. h2e2 h9g7 2. h0g2 i9h9 3. i0h0 b9c7 1-0\n");
    ToolResult exported = runTool("qarn-book", {"export", "--max-ply", "8", "--min-games", "2",
                                                dir + "/cut.pgn", dir + "/games.pgn"});
    EXPECT_EQ(exported.out, "files 1 games 5 duplicates 1 rejected 0 written 4\n");
    // Any options at least as strict as the export's give the same book from either.
    for (const Strings& options :
         {Strings{"--min-games", "2"}, Strings{"--min-games", "3", "--max-ply", "5"},
          Strings{"--min-games", "2", "--min-share", "30"},
          Strings{"--min-games", "2", "--min-score", "60"}}) {
        auto build = [&](const std::string& book, const Strings& inputs) {
            Strings args = {"build"};
            args.insert(args.end(), options.begin(), options.end());
            args.push_back(book);
            args.insert(args.end(), inputs.begin(), inputs.end());
            EXPECT_EQ(runTool("qarn-book", args).exitCode, 0) << options[1];
            return readFile(book);
        };
        std::string full = build(dir + "/full.bin", {dir + "/games.pgn"});
        EXPECT_GT(full.size(), 16u);
        EXPECT_EQ(full, build(dir + "/compact.bin", {"--keep-duplicates", dir + "/cut.pgn"}))
            << testing::PrintToString(options);
    }
    EXPECT_EQ(probe(dir + "/full.bin", "h2e2 h9g7 h0g2 i9h9"), Strings{"i0h0"});
}

TEST(BookPipeline, TheDefaultBookOpensOnlyWithMainstreamMoves) {
    // Central cannon, pawn and elephant openings: over 5% of the master games each.
    Strings moves = probe(toolPath("qarn.bin"), "");
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves[0], "h2e2");
    for (const std::string& move : moves) {
        EXPECT_TRUE(move == "h2e2" || move == "c3c4" || move == "g0e2") << move;
    }
}

TEST(BookPipeline, EngineTakesAnUnreadableQarnBinAsNoBook) {
    std::string dir = makeTempDir();
    mkdir((dir + "/qarn.bin").c_str(), 0755);
    Engine engine(dir, dir + "/qarn");
    for (const std::string& line : engine.startupLines) EXPECT_FALSE(startsWith(line, "book"));
    Strings lines = engine.go("go depth 1");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(startsWith(lines.back(), "bestmove ")) << lines.back();
    for (const std::string& line : lines) EXPECT_FALSE(startsWith(line, "info depth 0 ")) << line;
}

TEST(Tools, HelpAnswersOnStdoutAndUsageErrorsOnStderr) {
    struct Case {
        const char* tool;
        Strings args;
        int exitCode;
    };
    for (const Case& c :
         {Case{"qarn-book", {"--help"}, 0}, Case{"qarn-book", {"build", "--help"}, 0},
          Case{"qarn-perft", {"--help"}, 0}, Case{"qarn-bench", {"--help"}, 0},
          Case{"qarn-book", {"build", "--min-score", "101", "a", "b"}, 2},
          Case{"qarn-perft", {"0"}, 2}, Case{"qarn-bench", {"x"}, 2}}) {
        ToolResult run = runTool(c.tool, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.tool << " " << c.args[0];
        std::string usage = "usage: " + std::string(c.tool);
        EXPECT_TRUE(startsWith(c.exitCode == 0 ? run.out : run.err, usage)) << c.tool;
        EXPECT_EQ(c.exitCode == 0 ? run.err : run.out, "") << c.tool;
    }
}
