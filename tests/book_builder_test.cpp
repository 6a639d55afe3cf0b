// qarn-book seen from outside: building books from text and PGN collections, the file
// layout, dump and probe, error reports and exit codes, and the engine playing from a
// freshly built book.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "harness.h"
#include "test_util.h"

namespace {

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

ToolRun runBook(const std::vector<std::string>& args) {
    ChildProcess tool(toolPath("qarn-book"), args);
    ToolRun run;
    run.out = tool.readRest();
    run.err = tool.readErrors();
    run.exitCode = tool.waitExit();
    return run;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

// The probe's answer for the position after the moves, one move per element.
std::vector<std::string> probe(const std::string& book, const std::string& moves,
                               const std::string& fen = kStartFen) {
    ToolRun run = runBook({"probe", book, "--fen", fen, "--moves", moves});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return linesOf(run.out);
}

std::string keyText(const std::string& moves) {
    auto pos = positionFrom(kStartFen, moves);
    EXPECT_NE(pos, nullptr) << moves;
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, pos ? pos->key : 0);
    return text;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(BookBuilder, RoundTripThroughDumpProbeAndTheEngine) {
    std::string dir = makeTempDir();
    writeFile(dir + "/lines.txt",
              "# two lines share the first move\n"
              "h2e2 h9g7 h0g2\n"
              "\n"
              "h2e2 b9c7   # the other defence\n"
              "b2e2 h9g7\r\n");
    ToolRun build = runBook({"build", dir + "/qarn.bin", dir + "/lines.txt"});
    EXPECT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.out, "files 1 games 3 duplicates 0 rejected 0 positions 4 moves 6\n");
    EXPECT_EQ(build.err, "");

    Strings expected = {keyText("") + " h2e2 b2e2", keyText("h2e2") + " h9g7 b9c7",
                        keyText("h2e2 h9g7") + " h0g2", keyText("b2e2") + " h9g7"};
    std::sort(expected.begin(), expected.end());
    ToolRun dump = runBook({"dump", dir + "/qarn.bin"});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(linesOf(dump.out), expected);
    EXPECT_EQ(probe(dir + "/qarn.bin", ""), (Strings{"h2e2", "b2e2"}));
    EXPECT_EQ(probe(dir + "/qarn.bin", "h2e2"), (Strings{"h9g7", "b9c7"}));
    EXPECT_EQ(probe(dir + "/qarn.bin", "h2e2 h9g7 h0g2"), Strings{});

    // The engine finds the book beside the path it was started as.
    Engine engine(dir, dir + "/qarn");
    ASSERT_FALSE(engine.startupLines.empty());
    EXPECT_EQ(engine.startupLines[0], "book moves count=4.");
    auto lines = engine.go("go depth 5");
    ASSERT_FALSE(lines.empty());
    Strings candidates;
    for (const std::string& line : lines) {
        if (startsWith(line, "info depth 0 ")) candidates.push_back(line);
    }
    EXPECT_EQ(candidates,
              (Strings{"info depth 0 score 0 pv h2e2", "info depth 0 score 0 pv b2e2"}));
    EXPECT_TRUE(lines.back() == "bestmove h2e2" || lines.back() == "bestmove b2e2") << lines.back();
}

TEST(BookBuilder, FileIsBigEndianWithAscendingUniqueKeys) {
    std::string dir = makeTempDir();
    writeFile(dir + "/lines.txt", "h2e2 h9g7\nh2e2 h7e7\nc3c4 c6c5\n");
    ASSERT_EQ(runBook({"build", dir + "/out.bin", dir + "/lines.txt"}).exitCode, 0);
    std::string bytes = readFile(dir + "/out.bin");
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_EQ(bytes.substr(0, 16), std::string("\x01\x02\x03\x04", 4) + std::string(12, '\0'));
    auto byteAt = [&](size_t at) { return uint64_t(uint8_t(bytes[at])); };
    std::vector<uint64_t> keys;
    size_t at = 16;
    while (at + 10 <= bytes.size()) {
        uint64_t key = 0;
        for (size_t i = 0; i < 8; i++) key = key << 8 | byteAt(at + i);
        size_t count = size_t(byteAt(at + 8) << 8 | byteAt(at + 9));
        at += 10;
        ASSERT_LE(at + 2 * count, bytes.size());
        if (key == positionFrom(kStartFen)->key) {
            // h2e2 before c3c4: played twice against once.
            ASSERT_EQ(count, 2u);
            EXPECT_EQ(Move(byteAt(at) << 8 | byteAt(at + 1)), moveOf("h2e2"));
            EXPECT_EQ(Move(byteAt(at + 2) << 8 | byteAt(at + 3)), moveOf("c3c4"));
        }
        keys.push_back(key);
        at += 2 * count;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(keys.size(), 3u);
    for (size_t i = 1; i < keys.size(); i++) EXPECT_LT(keys[i - 1], keys[i]);
}

TEST(BookBuilder, CountsGamesPerMoveAcrossTranspositionsAndRepetitions) {
    std::string dir = makeTempDir();
    writeFile(dir + "/lines.txt",
              // The position after h2e2 h9g7 b2c2, reached twice directly, once transposed.
              "h2e2 h9g7 b2c2 i9h9\n"
              "b2c2 h9g7 h2e2 b9c7\n"
              "h2e2 h9g7 b2c2 b9c7\n"
              // h0g2 after h2e2 h9g7 twice in the one game: counted once.
              "h2e2 h9g7 b0c2\n"
              "h2e2 h9g7 h0g2 g7h9 g2h0 h9g7 h0g2\n");
    std::string book = dir + "/out.bin";
    ASSERT_EQ(runBook({"build", book, dir + "/lines.txt"}).exitCode, 0);
    EXPECT_EQ(probe(book, "h2e2 h9g7 b2c2"), (Strings{"b9c7", "i9h9"}));
    EXPECT_EQ(probe(book, "h2e2 h9g7"), (Strings{"b2c2", "b0c2", "h0g2"}));
    EXPECT_EQ(probe(book, "h2e2"), Strings{"h9g7"});

    ToolRun build = runBook({"build", "--min-games", "2", book, dir + "/lines.txt"});
    EXPECT_EQ(build.exitCode, 0);
    EXPECT_EQ(probe(book, "h2e2 h9g7 b2c2"), Strings{"b9c7"});
    EXPECT_EQ(probe(book, "h2e2 h9g7"), Strings{"b2c2"});
    EXPECT_EQ(probe(book, "b2c2"), Strings{});
}

TEST(BookBuilder, KeepsOnlyThePliesBelowTheLimit) {
    std::string dir = makeTempDir();
    std::string line =
        "h0g2 h9g7 b0c2 b9c7 i0h0 i9h9 a0b0 a9b9 h2h3 h7h6 b2b3 b7b6 g3g4 g6g5 c3c4 c6c5 e3e4 "
        "e6e5 a3a4 a6a5 i3i4 i6i5";
    std::string first19 = line.substr(0, line.find(" a6a5"));
    writeFile(dir + "/long.txt", line + "\n");
    std::string book = dir + "/out.bin";
    ToolRun build = runBook({"build", book, dir + "/long.txt"});
    EXPECT_EQ(build.out, "files 1 games 1 duplicates 0 rejected 0 positions 20 moves 20\n");
    EXPECT_EQ(probe(book, first19), Strings{"a6a5"});
    EXPECT_EQ(probe(book, first19 + " a6a5"), Strings{});

    build = runBook({"build", "--max-ply", "2", book, dir + "/long.txt"});
    EXPECT_EQ(build.out, "files 1 games 1 duplicates 0 rejected 0 positions 2 moves 2\n");
    EXPECT_EQ(probe(book, "h0g2"), Strings{"h9g7"});
    EXPECT_EQ(probe(book, "h0g2 h9g7"), Strings{});
}

TEST(BookBuilder, ReadsPgnWithTagsCommentsVariationsAndFenTags) {
    std::string dir = makeTempDir();
    // GBK trail bytes here are ']' (乚), '\' (乗) and '}' (亇): they must not end the tag,
    // escape the quote or end the comment.
    writeFile(dir + "/games.pgn",
              "[Event \"" + gbk("象棋乚") + "\"]\n" + "[Red \"" + gbk("乗") +
                  "\"]\n"
                  "[Format \"ICCS\"]\n"
                  "\n"
                  "1. H2-E2 {" +
                  gbk("亇") +
                  " B0-C2 (} H9-G7 (1... h7-h4 (2. A0-A1) {)} I9-I8)\n"
                  "2. h0g2 ; b0-c2 here is a comment\n"
                  "2... I9-H9 1-0\n"
                  "[FEN \"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b - - 0 "
                  "1\"]\n"
                  "1... b9-c7 2.B0-C2\n");
    // Recognised as PGN by its content; UTF-8 with a byte order mark.
    writeFile(dir + "/more.txt", "\xEF\xBB\xBF[Event \"中文\"]\n1. b2-e2 *\n");
    std::string book = dir + "/out.bin";
    ToolRun build = runBook({"build", book, dir + "/games.pgn", dir + "/more.txt"});
    EXPECT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.err, "");
    EXPECT_EQ(build.out, "files 2 games 3 duplicates 0 rejected 0 positions 5 moves 7\n");
    EXPECT_EQ(probe(book, ""), (Strings{"h2e2", "b2e2"}));
    EXPECT_EQ(probe(book, "h2e2"), (Strings{"h9g7", "b9c7"}));
    EXPECT_EQ(probe(book, "h2e2 h9g7"), Strings{"h0g2"});
    EXPECT_EQ(probe(book, "h2e2 h9g7 h0g2"), Strings{"i9h9"});
    EXPECT_EQ(probe(book, "h2e2 b9c7"), Strings{"b0c2"});
}

TEST(BookBuilder, ReportsRejectedGamesAsFileAndLineAndKeepsTheMovesBefore) {
    std::string dir = makeTempDir();
    std::string text = dir + "/lines.txt", pgn = dir + "/games.pgn";
    writeFile(text,
              "# comment\n"
              "h2e2 h9g7\n"
              "\n"
              "b2e2 b9c7 h0h9 h0g2\n"
              "c3c4 x2e2\n"
              "fen 9/9/9 w moves h2e2\n");
    writeFile(pgn,
              "[Format \"DhtmlXQ\"]\n"
              "1. C2.5 H8+7 *\n"
              "[FEN \"rnbakabnr/9/1c5c1\"]\n"
              "1. h2e2 *\n"
              "1. A3-A4 A6-A5\n"
              "2. H2-H8 *\n");
    std::string book = dir + "/out.bin";
    ToolRun build = runBook({"build", book, text, pgn});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_EQ(build.out,
              "files 2 games 7 duplicates 0 rejected 6 positions 4 moves 7\n"
              "rejected 2: bad FEN\nrejected 2: illegal move\n"
              "rejected 1: unreadable move\nrejected 1: unsupported format\n");
    EXPECT_EQ(linesOf(build.err),
              (Strings{text + ":4: illegal move h0h9", text + ":5: unreadable move x2e2",
                       text + ":6: bad FEN", pgn + ":1: unsupported format DhtmlXQ",
                       pgn + ":3: bad FEN", pgn + ":6: illegal move H2-H8"}));
    EXPECT_EQ(probe(book, ""), (Strings{"h2e2", "b2e2", "c3c4", "a3a4"}));
    EXPECT_EQ(probe(book, "b2e2 b9c7"), Strings{});
    EXPECT_EQ(probe(book, "a3a4"), Strings{"a6a5"});

    // A fault past the last counted ply still rejects the game.
    build = runBook({"build", "--max-ply", "1", book, text});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_NE(build.err.find(":4: illegal move h0h9"), std::string::npos);
}

TEST(BookBuilder, FailedBuildsAndBadArgumentsLeaveTheBookUntouched) {
    std::string dir = makeTempDir();
    std::string book = dir + "/out.bin";
    writeFile(book, "old book");
    writeFile(dir + "/lines.txt", "h2e2\n");
    for (const std::string& input : {dir + "/missing.txt"}) {
        ToolRun build = runBook({"build", book, dir + "/lines.txt", input});
        EXPECT_EQ(build.exitCode, 2) << input;
        EXPECT_NE(build.err.find(input), std::string::npos) << build.err;
        EXPECT_EQ(build.out, "");
    }
    ToolRun build = runBook({"build", dir + "/no/such/dir.bin", dir + "/lines.txt"});
    EXPECT_EQ(build.exitCode, 2);
    EXPECT_EQ(readFile(book), "old book");
    // No temporary file is left behind.
    DIR* listing = opendir(dir.c_str());
    ASSERT_NE(listing, nullptr);
    int entries = 0;
    while (readdir(listing) != nullptr) entries++;
    closedir(listing);
    EXPECT_EQ(entries, 4);  // ".", "..", out.bin, lines.txt

    for (const Strings& args :
         {Strings{}, Strings{"build"}, Strings{"build", book},
          Strings{"build", "--max-ply", "0", book, dir + "/lines.txt"},
          Strings{"build", "--min-games", "x", book, dir + "/lines.txt"},
          Strings{"build", "--depth", "3", book, dir + "/lines.txt"}, Strings{"dump"},
          Strings{"probe", book, "--fen"}, Strings{"merge", book}}) {
        ToolRun run = runBook(args);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(args);
        EXPECT_TRUE(startsWith(run.err, "usage: qarn-book")) << run.err;
    }
    EXPECT_EQ(readFile(book), "old book");
}

TEST(BookBuilder, DumpAndProbeRefuseMalformedBooksAndPositions) {
    std::string dir = makeTempDir();
    writeFile(dir + "/lines.txt", "h2e2 h9g7\n");
    std::string book = dir + "/out.bin";
    ASSERT_EQ(runBook({"build", book, dir + "/lines.txt"}).exitCode, 0);
    std::string bytes = readFile(book);

    std::string bad = dir + "/bad.bin";
    std::string header = bytes.substr(0, 16);
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() - 1), bytes.substr(0, 20), header.substr(0, 15),
          "\x04\x03\x02\x01" + bytes.substr(4)}) {
        writeFile(bad, damaged);
        ToolRun dump = runBook({"dump", bad});
        EXPECT_EQ(dump.exitCode, 1) << damaged.size();
        EXPECT_NE(dump.err.find("malformed book"), std::string::npos) << dump.err;
        EXPECT_EQ(runBook({"probe", bad}).exitCode, 1);
    }
    writeFile(bad, header);
    EXPECT_EQ(runBook({"dump", bad}).out, "");
    EXPECT_EQ(runBook({"dump", dir + "/missing.bin"}).exitCode, 1);

    EXPECT_EQ(probe(book, "", "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b"),
              Strings{"h9g7"});
    for (const Strings& args : {Strings{"--fen", "rnbakabnr/9/9 w"}, Strings{"--moves", "h2h8"},
                                Strings{"--moves", "h2e2 zz"}}) {
        Strings full = {"probe", book};
        full.insert(full.end(), args.begin(), args.end());
        ToolRun run = runBook(full);
        EXPECT_EQ(run.exitCode, 1) << args[1];
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
}
