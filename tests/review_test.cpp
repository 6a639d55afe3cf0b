// qarn-review through the real binary: a planted blunder, scores against a fresh engine,
// output independent of the number of processes, the PGN read back by qarn-book in every
// notation and encoding, the graph, damaged games, standard input and usage errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "games/notation.h"
#include "harness.h"
#include "test_util.h"

namespace {

constexpr char kDepth[] = "5";
// tests/data/review/planted.pgn in UCCI moves: red's ninth move, b4b5, hangs a rook.
constexpr char kPlanted[] =
    "g0e2 b7d7 b0a2 a6a5 g3g4 b9a7 h0g2 a9b9 a0b0 b9b5 b2d2 b5f5 f0e1 h9g7 b0b4 g9e7 b4b5 a5a4";
constexpr int kPlantedPly = 16;
constexpr int kPlantedPlies = 18;
// Black's rook can repeat the position: with the game's history a draw-ish 20 for red.
constexpr char kRepeating[] = "h2e2 h9g7 h0g2 i9h9 i0h0 h7i7 h0h6 b7a7 h6g6 i7h7 g6h6 h7i7 h6g6";

std::string fixture(const std::string& name) {
    return std::string(QARN_SOURCE_DIR) + "/tests/data/review/" + name;
}

struct Reviewed {
    std::string out, errors;
    int exit;
};

Reviewed review(const std::vector<std::string>& args, const std::string* input = nullptr) {
    ChildProcess program(toolPath("qarn-review"), args);
    if (input != nullptr) program.sendRaw(*input);
    program.closeInput();
    Reviewed run;
    // Lines of movetext are joined, so that the checks do not depend on where they are cut.
    run.out =
        std::regex_replace(program.readRest(120000), std::regex(R"(([^\n])\n([^\n[]))"), "$1 $2");
    run.errors = program.readErrors();
    run.exit = program.waitExit();
    return run;
}

// The games as qarn-book reads them: its export of the file, one line of moves per game.
std::string bookExport(const std::string& pgn) {
    std::string out = makeTempDir() + "/export.pgn";
    runProgram(toolPath("qarn-book"),
               {"export", "--min-games", "1", "--max-ply", "1000", out, pgn});
    return readFile(out);
}

// The [%eval] texts of the main line in order, variations left out.
std::vector<std::string> mainLineEvals(const std::string& pgn) {
    std::string mainLine = std::regex_replace(pgn, std::regex(R"(\([^()]*\))"), "");
    std::vector<std::string> evals;
    std::regex eval(R"(\[%eval ([^\]]+)\])");
    for (std::sregex_iterator it(mainLine.begin(), mainLine.end(), eval), end; it != end; ++it)
        evals.push_back((*it)[1]);
    return evals;
}

// A fresh engine without a book on the first `ply` moves of the line: its last score as an
// eval text from red's view, and its best move.
std::pair<std::string, std::string> freshEngine(const std::string& moves, int ply) {
    std::istringstream words(moves);
    std::string line = "position startpos moves", word;
    for (int i = 0; i < ply && words >> word; i++) line += " " + word;
    Engine engine("", kNoBook);
    engine.send(line);
    std::vector<std::string> lines = engine.go(std::string("go depth ") + kDepth);
    std::smatch score, best;
    std::string last;
    for (const std::string& text : lines) {
        if (startsWith(text, "info depth")) last = text;
    }
    std::regex_search(last, score, std::regex(R"(score (MATE )?(-?\d+))"));
    std::regex_search(lines.back(), best, std::regex(R"(bestmove (\S+))"));
    int value = std::stoi(score[2]) * (ply % 2 == 0 ? 1 : -1);
    char text[32];
    if (score[1].matched) {
        std::snprintf(text, sizeof text, "#%d", value);
    } else {
        std::snprintf(text, sizeof text, "%.2f", value / 100.0);
    }
    return {text, best[1]};
}

}  // namespace

TEST(Review, MarksThePlantedBlunderWithTheEnginesMove) {
    std::string dir = makeTempDir();
    Reviewed run = review(
        {"--depth", kDepth, "-j", "2", "--html", dir + "/game.html", fixture("planted.pgn")});
    ASSERT_EQ(run.exit, 0) << run.errors;
    auto [eval, best] = freshEngine(kPlanted, kPlantedPly);
    auto pos = positionFrom(kStartFen, std::string(kPlanted).substr(0, 5 * kPlantedPly));
    ASSERT_NE(pos, nullptr);
    std::string better = chineseMoveText(*pos, moveOf(best.c_str()));
    EXPECT_NE(run.out.find("9. 車八進一 $4 {[%eval "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Blunder: " + better + " was better.} (9. " + better), std::string::npos)
        << better << "\n"
        << run.out;
    // The players and the event are kept; the tool names itself and the notation.
    for (const char* tag : {"[Red \"上海胡榮華\"]", "[Event \"“五糧醇杯”象棋國手超霸賽\"]",
                            "[Annotator \"Qarn ", "[Format \"Chinese\"]", "[Result \"1/2-1/2\"]"})
        EXPECT_NE(run.out.find(tag), std::string::npos) << tag;
    EXPECT_NE(run.out.find(" mistakes, 1 blunder, average loss "), std::string::npos);
    // The page: the graph, and a diagram before each of the two blunders with both moves.
    std::string html = readFile(dir + "/game.html");
    EXPECT_NE(html.find("<circle class=\"ply blunder\""), std::string::npos);
    size_t figure = html.find("<figure>");
    ASSERT_NE(figure, std::string::npos);
    EXPECT_EQ(html.find("<figure>", html.find("<figure>", figure + 1) + 1), std::string::npos);
    EXPECT_NE(html.find("車八進一?? &nbsp; better: " + better, figure), std::string::npos);
    EXPECT_NE(html.find("<polygon class=\"better\"", figure), std::string::npos);
}

TEST(Review, ScoresAreAFreshEnginesWhateverTheProcesses) {
    std::string dir = makeTempDir();
    Reviewed one =
        review({"--depth", kDepth, "-j", "1", "--svg", dir + "/one.svg", fixture("planted.pgn")});
    Reviewed three =
        review({"--depth", kDepth, "-j", "3", "--svg", dir + "/three.svg", fixture("planted.pgn")});
    ASSERT_EQ(one.exit, 0);
    EXPECT_EQ(one.out, three.out);
    EXPECT_EQ(readFile(dir + "/one.svg"), readFile(dir + "/three.svg"));
    std::vector<std::string> evals = mainLineEvals(one.out);
    ASSERT_EQ(evals.size(), size_t(kPlantedPlies));
    for (int ply : {1, 2, 9, kPlantedPly + 1, kPlantedPlies})
        EXPECT_EQ(evals[size_t(ply - 1)], freshEngine(kPlanted, ply).first) << "ply " << ply;
    // Each position is searched with the moves before it, so that repetitions count.
    evals = mainLineEvals(review({"--depth", kDepth, "--moves", kRepeating}).out);
    ASSERT_EQ(evals.size(), 13u);
    EXPECT_EQ(evals.back(), freshEngine(kRepeating, 13).first);
    EXPECT_EQ(evals.back(), "0.20");

    // The graph: one point per ply in ply order, the blunders' in their class.
    std::string svg = readFile(dir + "/one.svg");
    EXPECT_TRUE(startsWith(svg, "<?xml"));
    std::regex circle(R"re(<circle class="([^"]+)" cx="([0-9.]+)")re");
    std::vector<std::string> classes;
    double lastX = 0;
    for (std::sregex_iterator it(svg.begin(), svg.end(), circle), end; it != end; ++it) {
        classes.push_back((*it)[1]);
        EXPECT_GT(std::stod((*it)[2]), lastX);
        lastX = std::stod((*it)[2]);
    }
    ASSERT_EQ(classes.size(), size_t(kPlantedPlies));
    EXPECT_EQ(classes[kPlantedPly], "ply blunder");
    EXPECT_EQ(std::count(classes.begin(), classes.end(), "ply blunder"), 2);
}

TEST(Review, ReadsBackAsTheSameMovesInEachNotationAndEncoding) {
    std::string dir = makeTempDir();
    std::string games = fixture("planted.pgn");
    std::string expected = bookExport(games);
    ASSERT_NE(expected.find(std::string(kPlanted)), std::string::npos) << expected;
    const std::vector<std::vector<std::string>> variants = {{"--notation", "chinese"},
                                                            {"--notation", "wxf"},
                                                            {"--notation", "iccs"},
                                                            {"--encoding", "gbk"}};
    for (const auto& variant : variants) {
        std::string out = dir + "/" + variant[1] + ".pgn";
        std::vector<std::string> args = {"--depth", "3", "-o", out, games};
        args.insert(args.begin(), variant.begin(), variant.end());
        Reviewed run = review(args);
        ASSERT_EQ(run.exit, 0) << variant[1] << run.errors;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(bookExport(out), expected) << variant[1];
        std::string written = readFile(out);
        if (variant[1] == "gbk") {
            EXPECT_NE(written.find(gbk("[Red \"上海胡榮華\"]")), std::string::npos);
            EXPECT_NE(written.find(gbk("9. 車八進一 $4")), std::string::npos);
        } else if (variant[1] == "wxf") {
            EXPECT_NE(written.find("[Format \"WXF\"]"), std::string::npos);
            EXPECT_NE(written.find("9. R8+1 $4"), std::string::npos);
        } else if (variant[1] == "iccs") {
            EXPECT_NE(written.find("9. B4-B5 $4"), std::string::npos);
        }
    }
}

TEST(Review, NumbersTheGraphsOfSeveralGames) {
    std::string dir = makeTempDir();
    Reviewed several =
        review({"--depth", "1", "--svg", dir + "/g.svg", "--html", dir + "/g",
                std::string(QARN_SOURCE_DIR) + "/tests/data/roundtrip/chinese-gbk.pgn"});
    ASSERT_EQ(several.exit, 0) << several.errors;
    int games = 0;
    for (size_t at = 0; (at = several.out.find("[Annotator ", at)) != std::string::npos; at++)
        games++;
    ASSERT_GT(games, 1);
    for (int n = 1; n <= games; n++) {
        EXPECT_TRUE(std::filesystem::exists(dir + "/g-" + std::to_string(n) + ".svg")) << n;
        EXPECT_TRUE(std::filesystem::exists(dir + "/g-" + std::to_string(n))) << n;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/g.svg"));
    // One game of them: the file as named.
    Reviewed one = review({"--depth", "1", "--game", "2", "--svg", dir + "/second.svg",
                           std::string(QARN_SOURCE_DIR) + "/tests/data/roundtrip/chinese-gbk.pgn"});
    ASSERT_EQ(one.exit, 0);
    EXPECT_TRUE(std::filesystem::exists(dir + "/second.svg"));
    EXPECT_NE(several.out.find(one.out), std::string::npos);
}

TEST(Review, DamagedGamesStandardInputAndUsage) {
    std::string damaged = fixture("damaged.pgn");
    Reviewed run = review({"--depth", "2", damaged});
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.errors, damaged + ":2: illegal move B0-B9 (line 9)\n");
    EXPECT_NE(run.out.find("{Not reviewed further: illegal move B0-B9 (line 9).} 0-1"),
              std::string::npos);
    EXPECT_NE(run.out.find("[Event \"Whole\"]"), std::string::npos);

    Reviewed typed = review({"--depth", "2", "--moves", "h2e2 h9g7 h0h9"});
    EXPECT_EQ(typed.exit, 1);
    EXPECT_EQ(typed.errors, "--moves:1: illegal move h0h9 (line 1)\n");
    Reviewed fen =
        review({"--depth", "2", "--fen", "3k5/9/9/9/9/9/9/9/4R4/4K4 w", "--moves", "e1d1"});
    EXPECT_EQ(fen.exit, 0);
    EXPECT_NE(fen.out.find("[FEN \"3k5/9/9/9/9/9/9/9/4R4/4K4 w\"]"), std::string::npos);
    EXPECT_NE(fen.out.find("1. 車五平六 *"), std::string::npos) << fen.out;

    std::string planted = readFile(fixture("planted.pgn"));
    Reviewed fromFile = review({"--depth", "2", fixture("planted.pgn")});
    Reviewed fromInput = review({"--depth", "2", "-"}, &planted);
    EXPECT_EQ(fromInput.exit, 0);
    EXPECT_EQ(fromInput.out, fromFile.out);

    Reviewed help = review({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_TRUE(startsWith(help.out, "usage: qarn-review"));
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{},
                                               {"--depth", "0", damaged},
                                               {"--depth", "3", "--time", "1", damaged},
                                               {"--notation", "latin", damaged},
                                               {"--moves", "h2e2", damaged},
                                               {"--frobnicate", damaged}}) {
        Reviewed bad = review(args);
        EXPECT_EQ(bad.exit, 2) << testing::PrintToString(args);
        EXPECT_TRUE(startsWith(bad.errors, "usage: qarn-review")) << bad.errors;
    }
    EXPECT_EQ(review({"/nonexistent/games.pgn"}).exit, 2);
    EXPECT_EQ(review({"--game", "3", damaged}).exit, 2);
}
