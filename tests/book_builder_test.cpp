// qarn-book seen from outside: builds from text and PGN collections, the file's bytes,
// dump and probe, error reports, usage and exit codes, all compared with
// tests/golden/book_tool.txt; and the engine playing from a freshly built book.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"

namespace {

// Runs qarn-book and describes the run: arguments, output, errors and exit code, with
// the temporary directory written as DIR.
std::string runBook(const std::string& dir, const std::vector<std::string>& args) {
    ChildProcess tool(toolPath("qarn-book"), args);
    std::string out = "$ qarn-book";
    for (const std::string& arg : args) out += " " + arg;
    out += "\n" + tool.readRest();
    out += "stderr: " + tool.readErrors();
    out += "exit " + std::to_string(tool.waitExit()) + "\n";
    for (size_t at; (at = out.find(dir)) != std::string::npos;) out.replace(at, dir.size(), "DIR");
    return out;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char text[4];
    for (size_t i = 0; i < bytes.size(); i++) {
        std::snprintf(text, sizeof text, "%02x", unsigned(uint8_t(bytes[i])));
        out += text + std::string(i % 16 == 15 ? "\n" : " ");
    }
    return out + "\n";
}

void writeInputs(const std::string& dir) {
    writeFile(dir + "/lines.txt",
              "# two lines share the first move\nh2e2 h9g7 h0g2\n\n"
              "h2e2 b9c7   # the other defence\nb2e2 h9g7\r\n");
    // The position after h2e2 h9g7 b2c2 twice directly, once transposed; h0g2 twice in
    // one game counts once.
    writeFile(dir + "/counts.txt",
              "h2e2 h9g7 b2c2 i9h9\nb2c2 h9g7 h2e2 b9c7\nh2e2 h9g7 b2c2 b9c7\nh2e2 h9g7 b0c2\n"
              "h2e2 h9g7 h0g2 g7h9 g2h0 h9g7 h0g2\n");
    writeFile(dir + "/long.txt",
              "h0g2 h9g7 b0c2 b9c7 i0h0 i9h9 a0b0 a9b9 h2h3 h7h6 b2b3 b7b6 g3g4 g6g5 c3c4 c6c5 "
              "e3e4 e6e5 a3a4 a6a5 i3i4 i6i5\n");
    // GBK trail bytes ']' (乚), '\' (乗) and '}' (亇) must not end a tag, escape a quote or
    // end a comment.
    writeFile(
        dir + "/games.pgn",
        "[Event \"" + gbk("象棋乚") + "\"]\n[Red \"" + gbk("乗") +
            "\"]\n[Format \"ICCS\"]\n\n1. H2-E2 {" + gbk("亇") +
            " B0-C2 (} H9-G7 (1... h7-h4 (2. A0-A1) {)} I9-I8)\n2. h0g2 ; b0-c2 here is a comment\n"
            "2... I9-H9 1-0\n"
            "[FEN \"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b - - 0 1\"]\n"
            "1... b9-c7 2.B0-C2\n");
    writeFile(dir + "/more.txt", "\xEF\xBB\xBF[Event \"中文\"]\n1. b2-e2 *\n");
    writeFile(dir + "/bad.txt",
              "# comment\nh2e2 h9g7\n\nb2e2 b9c7 h0h9 h0g2\nc3c4 x2e2\nfen 9/9/9 w moves h2e2\n");
    writeFile(dir + "/bad.pgn",
              "[Format \"WXF\"]\n1. C2.5 H8+7 *\n[FEN \"rnbakabnr/9/1c5c1\"]\n1. h2e2 *\n"
              "1. A3-A4 A6-A5\n2. H2-H8 *\n");
}

}  // namespace

TEST(BookBuilder, SessionMatches) {
    std::string dir = makeTempDir();
    writeInputs(dir);
    const std::string a = dir + "/a.bin", b = dir + "/b.bin";
    const std::string black = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b";
    const std::vector<std::vector<std::string>> runs = {
        {"build", a, dir + "/lines.txt"},
        {"dump", a},
        {"probe", a},
        {"probe", a, "--moves", "h2e2"},
        {"probe", a, "--moves", "h2e2 h9g7 h0g2"},
        {"build", b, dir + "/counts.txt"},
        {"dump", b},
        {"build", "--min-games", "2", b, dir + "/counts.txt"},
        {"dump", b},
        {"build", b, dir + "/long.txt"},
        {"dump", b},
        {"build", "--max-ply", "2", b, dir + "/long.txt"},
        {"dump", b},
        {"build", b, dir + "/games.pgn", dir + "/more.txt"},
        {"dump", b},
        {"probe", b, "--fen", black},
        {"build", b, dir + "/bad.txt", dir + "/bad.pgn"},
        {"dump", b},
        {"build", "--max-ply", "1", b, dir + "/bad.txt"},
        {"probe", a, "--fen", "rnbakabnr/9/9 w"},
        {"probe", a, "--moves", "h2h8"},
        {"probe", a, "--moves", "h2e2 zz"},
        {"dump", dir + "/missing.bin"},
        {},
        {"--help"},
        {"build"},
        {"build", b},
        {"build", "--max-ply", "0", b, dir + "/lines.txt"},
        {"build", "--min-games", "x", b, dir + "/lines.txt"},
        {"build", "--depth", "3", b, dir + "/lines.txt"},
        {"dump"},
        {"probe", a, "--fen"},
        {"merge", a},
    };
    std::string out;
    for (const auto& args : runs) out += runBook(dir, args);
    std::string bytes = readFile(a);
    out += "a.bin:\n" + hex(bytes);
    // Damaged books are refused by dump and probe alike.
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() - 1), bytes.substr(0, 20), bytes.substr(0, 15),
          "\x04\x03\x02\x01" + bytes.substr(4), bytes.substr(0, 16)}) {
        writeFile(dir + "/bad.bin", damaged);
        out += runBook(dir, {"dump", dir + "/bad.bin"}) + runBook(dir, {"probe", dir + "/bad.bin"});
    }
    expectGolden("book_tool.txt", out);
}

TEST(BookBuilder, FailedBuildsLeaveTheBookUntouched) {
    std::string dir = makeTempDir();
    std::string book = dir + "/out.bin";
    writeFile(book, "old book");
    writeFile(dir + "/lines.txt", "h2e2\n");
    for (const std::string& input : {dir + "/missing.txt", dir}) {
        EXPECT_NE(runBook(dir, {"build", book, dir + "/lines.txt", input}).find("exit 2\n"),
                  std::string::npos);
    }
    EXPECT_EQ(readFile(book), "old book");
    DIR* listing = opendir(dir.c_str());
    ASSERT_NE(listing, nullptr);
    int entries = 0;
    while (readdir(listing) != nullptr) entries++;
    closedir(listing);
    EXPECT_EQ(entries, 4);  // ".", "..", out.bin, lines.txt: no temporary file left behind
}

TEST(BookBuilder, TheEngineOffersTheBuiltCandidates) {
    std::string dir = makeTempDir();
    writeInputs(dir);
    runBook(dir, {"build", dir + "/qarn.bin", dir + "/lines.txt"});
    Engine engine(dir, dir + "/qarn");
    ASSERT_FALSE(engine.startupLines.empty());
    EXPECT_EQ(engine.startupLines[0], "book moves count=4.");
    auto lines = engine.go("go depth 5");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(
        std::vector<std::string>(lines.begin(), lines.begin() + 2),
        (std::vector<std::string>{"info depth 0 score 0 pv h2e2", "info depth 0 score 0 pv b2e2"}));
    EXPECT_TRUE(lines.back() == "bestmove h2e2" || lines.back() == "bestmove b2e2") << lines.back();
}
