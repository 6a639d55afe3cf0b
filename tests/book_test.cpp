// The engine's opening book: the file layout it reads, its two fatal messages, the
// probe's report lines, the three-miss rule and re-arming by setoption loadbook.
#include <gtest/gtest.h>

#include "harness.h"
#include "test_util.h"

namespace {

std::string bigEndian(uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; i--) out += char((value >> (8 * i)) & 0xFF);
    return out;
}

const std::string kHeader = std::string("\x01\x02\x03\x04", 4) + std::string(12, 'x');

// A record: the key of the position after `moves`, the move count, the moves.
std::string record(const std::string& moves, const std::vector<std::string>& bookMoves) {
    std::string out =
        bigEndian(positionFrom(kStartFen, moves)->key, 8) + bigEndian(bookMoves.size(), 2);
    for (const std::string& text : bookMoves) out += bigEndian(moveOf(text.c_str()), 2);
    return out;
}

// A directory holding qarn.bin with these bytes; the engine started as dir/qarn finds it.
std::string bookDir(const std::string& bytes) {
    std::string dir = makeTempDir();
    writeFile(dir + "/qarn.bin", bytes);
    return dir;
}

std::string searched(Engine& engine, const std::string& line) {
    std::string out;
    for (const std::string& reply : engine.go(line)) out += reply + "\n";
    return maskClock(out);
}

}  // namespace

TEST(Book, LoadsAndAnswersWithLegalCandidatesOnly) {
    // The first record of a key counts; 1 to 7 stray bytes after the last are ignored.
    std::string dir =
        bookDir(kHeader + record("", {"a0a5", "h2e2", "e0e2", "h9g7"}) + record("h2e2", {}) +
                record("h2e2 h9g7", {"e2e9"}) + record("", {"b2e2"}) + "\x12\x34\x56");
    Engine engine("", dir + "/qarn");
    EXPECT_EQ(engine.startupLines.front(), "book moves count=3.");
    EXPECT_EQ(engine.startupLines[1], "id name Qarn chess engine 0.7.5  Q modify");
    EXPECT_EQ(searched(engine, "go depth 5"),
              "info depth 0 score 0 pv h2e2\ninfo depth 1 mdepth 0 score 1 time * nodes 0 pv h2e2\n"
              "info time * nodes 0 nps * cpuload *\nbestmove h2e2\n");
    // An entry with no legal move is searched as if it were not there. The third miss (hits
    // count nothing) switches the book off until setoption loadbook, which says nothing.
    const std::pair<const char*, bool> probes[] = {
        {"h2e2", false}, {"h2e2 h9g7", false}, {"", true}, {"b2e2", false}, {"", false}};
    for (const auto& [moves, hit] : probes) {
        engine.send(std::string("position startpos") + (*moves ? " moves " : "") + moves);
        std::string out = searched(engine, "go depth 1");
        EXPECT_EQ(startsWith(out, "info depth 0 score 0 pv h2e2\n"), hit) << moves << out;
        EXPECT_EQ(out.find("bestmove e2e9"), std::string::npos) << moves << out;
    }
    engine.send("setoption loadbook");
    EXPECT_TRUE(startsWith(searched(engine, "go depth 1"), "info depth 0 score 0 pv h2e2\n"));
}

TEST(Book, MalformedFilesEndTheProcess) {
    std::string good = record("", {"h2e2", "b2e2"}),
                next = bigEndian(positionFrom(kStartFen, "h2e2")->key, 8);
    const std::string header = "文件头格式不正确！", format = "文件格式不正确！";
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\x01\x02\x03", 3), header},
        {std::string("\x01\x02\x03\x05", 4) + std::string(12, '\0') + good, header},
        {kHeader + good + next, format},                         // no count
        {kHeader + good + next + std::string(1, '\0'), format},  // half a count
        {kHeader + good.substr(0, good.size() - 1), format},     // a cut move
    };
    for (const auto& [bytes, message] : cases) {
        std::string dir = bookDir(bytes);
        ChildProcess engine(enginePath(), {}, "", dir + "/qarn");
        engine.send("ucci");
        EXPECT_EQ(engine.readRest(), "");
        EXPECT_EQ(engine.waitExit(), 1);
        EXPECT_EQ(engine.readErrors(), gbk("开局库文件") + dir + "/qarn.bin" + gbk(message) + "\n");
    }
}

TEST(Book, LoadbookReadsABookPlacedLater) {
    std::string dir = makeTempDir();
    Engine engine("", dir + "/qarn");
    EXPECT_EQ(engine.startupLines.front(), "id name Qarn chess engine 0.7.5  Q modify");
    engine.send("setoption loadbook");  // nothing there yet: silently nothing
    EXPECT_EQ(engine.command("isready", "readyok"), std::vector<std::string>{"readyok"});
    writeFile(dir + "/qarn.bin", kHeader + record("", {"c3c4"}));
    engine.send("setoption loadbook");
    EXPECT_EQ(engine.readLine(), "book moves count=1.");
    EXPECT_EQ(engine.go("go depth 4").back(), "bestmove c3c4");
    writeFile(dir + "/qarn.bin", "garbage");  // once open, the file is not read again
    engine.send("setoption loadbook");
    EXPECT_EQ(engine.command("isready", "readyok"), std::vector<std::string>{"readyok"});
    // A malformed book found late ends the process just the same.
    std::string late = makeTempDir();
    Engine second("", late + "/qarn");
    writeFile(late + "/qarn.bin", "short");
    second.send("setoption loadbook");
    EXPECT_EQ(second.waitExit(), 1);
    EXPECT_EQ(second.readErrors(),
              gbk("开局库文件") + late + "/qarn.bin" + gbk("文件头格式不正确！") + "\n");
}

TEST(Book, PathRulesAndTheDefaultBook) {
    // Started by a bare name, the book is looked up in the current directory.
    Engine bare(bookDir(kHeader), "qarn");
    EXPECT_EQ(bare.startupLines.front(), "book moves count=0.");
    // A directory too long for the path buffer means no book, not a truncated path.
    Engine tooLong("", std::string(1100, 'd') + "/qarn");
    EXPECT_EQ(tooLong.startupLines.front(), "id name Qarn chess engine 0.7.5  Q modify");
    Engine engine;  // started from the build directory, beside build/qarn.bin
    ASSERT_FALSE(engine.startupLines.empty());
    EXPECT_TRUE(startsWith(engine.startupLines.front(), "book moves count="));
    EXPECT_TRUE(startsWith(engine.go("go depth 8").front(), "info depth 0 score 0 pv "));
}
