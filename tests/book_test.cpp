// The engine's opening book: loading and its two fatal messages, the probe's candidates
// and choice, the three-miss rule and re-arming by setoption loadbook.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "harness.h"
#include "test_util.h"

namespace {

struct Record {
    uint64_t key;
    std::vector<std::string> moves;
};

std::string bigEndian(uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; i--) out += char((value >> (8 * i)) & 0xFF);
    return out;
}

std::string header() {
    return std::string("\x01\x02\x03\x04", 4) + std::string(12, 'x');
}

std::string record(uint64_t key, const std::vector<std::string>& moves) {
    std::string out = bigEndian(key, 8) + bigEndian(moves.size(), 2);
    for (const std::string& text : moves) out += bigEndian(moveOf(text.c_str()), 2);
    return out;
}

uint64_t keyOf(const std::string& moves) {
    return positionFrom(kStartFen, moves)->key;
}

// A directory holding qarn.bin with these bytes; the engine started "from" it finds it.
struct BookDir {
    explicit BookDir(const std::string& bytes) : dir(makeTempDir()) {
        writeFile(dir + "/qarn.bin", bytes);
    }
    std::string argv0() const { return dir + "/qarn"; }
    std::string path() const { return dir + "/qarn.bin"; }
    std::string dir;
};

std::vector<std::string> candidates(const std::vector<std::string>& lines) {
    std::vector<std::string> moves;
    for (const std::string& line : lines) {
        if (startsWith(line, "info depth 0 score 0 pv ")) moves.push_back(line.substr(24));
    }
    return moves;
}

// Starts the engine from a directory and returns everything it printed and its exit code.
std::pair<std::string, int> failedStart(const BookDir& book, std::string* errors) {
    ChildProcess engine(enginePath(), {}, "", book.argv0());
    engine.send("ucci");
    std::string out = engine.readRest();
    int code = engine.waitExit();
    *errors = engine.readErrors();
    return {out, code};
}

}  // namespace

TEST(Book, LoadsAtStartUpAndAnswersFromIt) {
    BookDir book(header() + record(keyOf(""), {"h2e2", "b2e2", "h0g2"}) +
                 record(keyOf("h2e2"), {"h9g7"}));
    Engine engine("", book.argv0());
    EXPECT_EQ(engine.startupLines.front(), "book moves count=2.");
    EXPECT_EQ(engine.startupLines[1], "id name Qarn chess engine 0.7.5  Q modify");
    auto lines = engine.go("go depth 5");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(candidates(lines), (std::vector<std::string>{"h2e2", "b2e2", "h0g2"}));
    std::string chosen = lines.back().substr(9);
    EXPECT_TRUE(chosen == "h2e2" || chosen == "b2e2" || chosen == "h0g2") << chosen;
    EXPECT_TRUE(std::regex_match(
        lines[3], std::regex(R"(info depth 1 mdepth 0 score 1 time \d+ nodes 0 pv )" + chosen)))
        << lines[3];
    EXPECT_TRUE(startsWith(lines[4], "info time ")) << lines[4];
    EXPECT_NE(lines[4].find(" nodes 0 "), std::string::npos) << lines[4];
    EXPECT_EQ(lines.back(), "bestmove " + chosen);
    // One candidate: played at once.
    engine.send("position startpos moves h2e2");
    EXPECT_EQ(engine.go("go depth 5").back(), "bestmove h9g7");
}

TEST(Book, OnlyLegalCandidatesAreOffered) {
    BookDir book(header() + record(keyOf(""), {"a0a5", "h2e2", "e0e2", "h9g7"}) +
                 record(keyOf("h2e2"), {}) + record(keyOf("h2e2 h9g7"), {"e2e9"}));
    Engine engine("", book.argv0());
    auto lines = engine.go("go depth 3");
    EXPECT_EQ(candidates(lines), std::vector<std::string>{"h2e2"});
    EXPECT_EQ(lines.back(), "bestmove h2e2");
    // An entry with no moves, or none legal, is searched as if it were not in the book.
    engine.send("position startpos moves h2e2");
    lines = engine.go("go depth 3");
    EXPECT_TRUE(candidates(lines).empty());
    engine.send("position startpos moves h2e2 h9g7");
    lines = engine.go("go depth 3");
    EXPECT_TRUE(candidates(lines).empty());
    EXPECT_NE(lines.back(), "bestmove e2e9");
}

TEST(Book, ThreeMissesSwitchItOffUntilLoadbook) {
    BookDir book(header() + record(keyOf(""), {"h2e2"}));
    Engine engine("", book.argv0());
    EXPECT_EQ(candidates(engine.go("go depth 1")).size(), 1u);  // a hit counts nothing
    for (const char* moves : {"h2e2", "h2e2 h9g7", "b2e2"}) {
        engine.send(std::string("position startpos moves ") + moves);
        EXPECT_TRUE(candidates(engine.go("go depth 1")).empty());
    }
    engine.send("position startpos");
    EXPECT_TRUE(candidates(engine.go("go depth 1")).empty());
    // Re-armed without reading the file again (and silently).
    engine.send("setoption loadbook");
    EXPECT_EQ(candidates(engine.go("go depth 1")), std::vector<std::string>{"h2e2"});
}

TEST(Book, EdgeCasesOfTheFile) {
    // Only a header: an empty book.
    {
        BookDir book(header());
        Engine engine("", book.argv0());
        EXPECT_EQ(engine.startupLines.front(), "book moves count=0.");
        EXPECT_TRUE(candidates(engine.go("go depth 1")).empty());
    }
    // Duplicate keys: the first record wins; 1 to 7 stray bytes after the last record.
    {
        BookDir book(header() + record(keyOf(""), {"b2e2"}) + record(keyOf(""), {"h2e2"}) +
                     std::string("\x12\x34\x56", 3));
        Engine engine("", book.argv0());
        EXPECT_EQ(engine.startupLines.front(), "book moves count=1.");
        EXPECT_EQ(candidates(engine.go("go depth 1")), std::vector<std::string>{"b2e2"});
    }
}

TEST(Book, MalformedFilesEndTheProcess) {
    std::string good = record(keyOf(""), {"h2e2", "b2e2"});
    struct Case {
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {std::string("\x01\x02\x03", 3), "文件头格式不正确！"},
        {std::string("\x01\x02\x03\x05", 4) + std::string(12, '\0') + good, "文件头格式不正确！"},
        {header() + good + bigEndian(keyOf("h2e2"), 8), "文件格式不正确！"},  // no count
        {header() + good + bigEndian(keyOf("h2e2"), 8) + "\x00",
         "文件格式不正确！"},                                              // half a count
        {header() + good.substr(0, good.size() - 1), "文件格式不正确！"},  // a cut move
    };
    for (const Case& c : cases) {
        BookDir book(c.bytes);
        std::string errors;
        auto [out, code] = failedStart(book, &errors);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(out, "");
        EXPECT_EQ(errors, gbk("开局库文件") + book.path() + gbk(c.message) + "\n");
    }
}

TEST(Book, LoadbookLoadsABookPlacedLater) {
    std::string dir = makeTempDir();
    Engine engine("", dir + "/qarn");
    EXPECT_EQ(engine.startupLines.front(), "id name Qarn chess engine 0.7.5  Q modify");
    // Nothing there yet: silently nothing.
    engine.send("setoption loadbook");
    EXPECT_EQ(engine.command("isready", "readyok"), std::vector<std::string>{"readyok"});
    writeFile(dir + "/qarn.bin", header() + record(keyOf(""), {"c3c4"}));
    engine.send("setoption loadbook");
    EXPECT_EQ(engine.readLine(), "book moves count=1.");
    EXPECT_EQ(engine.go("go depth 4").back(), "bestmove c3c4");
    // Once open, the file is not read again.
    writeFile(dir + "/qarn.bin", "garbage");
    engine.send("setoption loadbook");
    EXPECT_EQ(engine.command("isready", "readyok"), std::vector<std::string>{"readyok"});
}

TEST(Book, LateMalformedBookEndsTheProcessOnLoadbook) {
    std::string dir = makeTempDir();
    Engine engine("", dir + "/qarn");
    writeFile(dir + "/qarn.bin", "short");
    engine.send("setoption loadbook");
    EXPECT_EQ(engine.waitExit(), 1);
    EXPECT_EQ(engine.readErrors(),
              gbk("开局库文件") + dir + "/qarn.bin" + gbk("文件头格式不正确！") + "\n");
}

TEST(Book, PathRules) {
    // Started by a bare name, the book is looked up in the current directory.
    BookDir book(header() + record(keyOf(""), {"g3g4"}));
    Engine bare(book.dir, "qarn");
    EXPECT_EQ(bare.startupLines.front(), "book moves count=1.");
    // A directory too long for the path buffer means no book, not a truncated path.
    Engine tooLong("", std::string(1100, 'd') + "/qarn");
    EXPECT_EQ(tooLong.startupLines.front(), "id name Qarn chess engine 0.7.5  Q modify");
}

TEST(Book, TheDefaultBookAnswersTheStartPosition) {
    Engine engine;  // started from the build directory, beside build/qarn.bin
    ASSERT_FALSE(engine.startupLines.empty());
    EXPECT_TRUE(startsWith(engine.startupLines.front(), "book moves count="));
    auto lines = engine.go("go depth 8");
    EXPECT_FALSE(candidates(lines).empty());
}
