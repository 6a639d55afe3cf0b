// The UCCI front end seen from outside: handshake, id block, command recognition, quit
// and the end of input, through the real engine binary.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

// Started from a path whose directory holds no book.
constexpr char kNoBook[] = "/nonexistent/qarn";

std::vector<std::string> expectedIdBlock() {
    return {"id name Qarn chess engine 0.7.5  Q modify",
            "id copyright 2026 Qarn developers",
            "id author Qarn developers",
            "id user unknown",
            "ucciok",
            "Q ADD scr -- " + gbk("显示棋盘命令"),
            "      move -- " + gbk("走棋命令")};
}

// Sends the lines, then isready, and returns what came before readyok.
std::vector<std::string> repliesBeforeReady(Engine& engine, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) engine.send(line);
    auto replies = engine.command("isready", "readyok");
    if (!replies.empty()) replies.pop_back();
    return replies;
}

}  // namespace

TEST(Protocol, HandshakePrintsTheIdBlockByteForByte) {
    Engine engine("", kNoBook);
    EXPECT_EQ(engine.startupLines, expectedIdBlock());
}

TEST(Protocol, AnswersIsReadyAndReportsUnknownLines) {
    Engine engine("", kNoBook);
    std::string unknown = gbk("无法识别的指令。");
    EXPECT_EQ(engine.command("isready", "readyok"), std::vector<std::string>{"readyok"});
    // Whole-line and prefix matches are exact: a trailing blank, a missing blank, the
    // wrong case or a command that only exists during a search are all unknown.
    auto replies = repliesBeforeReady(
        engine, {"isready ", "go", "ponderhit", "ISREADY", " isready", "", "position foo"});
    EXPECT_EQ(replies, std::vector<std::string>(7, unknown));
}

TEST(Protocol, CommandsWithoutAnswerStaySilent) {
    Engine engine("", kNoBook);
    auto replies =
        repliesBeforeReady(engine, {"setoption hashsize 64", "setoption foo", "stop",
                                    "banmoves a0a1", "setoption bookfiles x.bin",
                                    "position startpos moves h2e2 h9g7", "setoption loadbook"});
    EXPECT_TRUE(replies.empty());
}

TEST(Protocol, GoPonderIsNotSearched) {
    Engine engine("", kNoBook);
    auto replies = repliesBeforeReady(engine, {"go ponder time 300"});
    EXPECT_EQ(replies, std::vector<std::string>{"e_CommGoPonder"});
}

TEST(Protocol, QuitSaysByeAndExitsWithZero) {
    Engine engine("", kNoBook);
    engine.send("quit");
    EXPECT_EQ(engine.readLine(), "bye");
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST(Protocol, BadFirstLineEndsWithExitCodeOne) {
    for (std::string first : {"UCCI", "ucci ", "isready", ""}) {
        ChildProcess engine(enginePath(), {}, "", kNoBook);
        engine.send(first);
        EXPECT_EQ(engine.readRest(), "bye\n") << first;
        EXPECT_EQ(engine.waitExit(), 1) << first;
    }
}

TEST(Protocol, EndOfInputBeforeTheHandshakeEndsWithExitCodeOne) {
    ChildProcess engine(enginePath(), {}, "", kNoBook);
    engine.closeInput();
    EXPECT_EQ(engine.readRest(), "bye\n");
    EXPECT_EQ(engine.waitExit(), 1);
}

TEST(Protocol, EndOfInputAtThePromptEndsAsOnQuit) {
    Engine engine("", kNoBook);
    engine.send("isready");
    engine.closeInput();
    EXPECT_EQ(engine.readRest(), "readyok\nbye\n");
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST(Protocol, EndOfInputDuringASearchLetsItFinish) {
    Engine engine("", kNoBook);
    engine.send("go depth 4");
    engine.closeInput();
    std::string rest = engine.readRest(60000);
    EXPECT_NE(rest.find("\nbestmove "), std::string::npos) << rest;
    EXPECT_TRUE(rest.size() >= 4 && rest.substr(rest.size() - 4) == "bye\n") << rest;
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST(Protocol, LinesArriveOneByOneWithCarriageReturnsRemoved) {
    Engine engine("", kNoBook);
    // Several lines in one write are still delivered one at a time.
    engine.sendRaw("isready\r\nisready\nisready\r\n");
    for (int i = 0; i < 3; i++) EXPECT_EQ(engine.readLine(), "readyok");
    // A carriage return not followed by the line feed stays part of the line.
    engine.sendRaw("isready\r \n");
    EXPECT_EQ(engine.readLine(), gbk("无法识别的指令。"));
}

TEST(Protocol, LongLinesStayWholeAndOverlongOnesArriveInPieces) {
    Engine engine("", kNoBook);
    std::string unknown = gbk("无法识别的指令。");
    // A position with a long game: 301 moves shuffling the kings, all played.
    std::string moves;
    const char* cycle[] = {"e0e1", "d9d8", "e1e0", "d8d9"};
    for (int i = 0; i < 301; i++) moves += std::string(" ") + cycle[i % 4];
    engine.send("position fen 3k5/9/9/9/9/9/9/9/9/4K4 w - - 0 1 moves" + moves);
    auto lines = engine.go("go depth 1");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(startsWith(lines.back(), "bestmove d9")) << lines.back();  // black to move
    // Lines beyond the buffer arrive in pieces of 32767 bytes, each a line of its own:
    // 32767 + 32767 + 4466 bytes here.
    engine.send(std::string(70000, 'x'));
    for (int i = 0; i < 3; i++) EXPECT_EQ(engine.readLine(), unknown);
    // A piece may be a command: the bytes after the first 32767 form "isready".
    engine.send(std::string(32767, 'y') + "isready");
    EXPECT_EQ(engine.readLine(), unknown);
    EXPECT_EQ(engine.readLine(), "readyok");
}

TEST(Protocol, QuitDuringASearchIsIgnored) {
    Engine engine("", kNoBook);
    // Deep enough that the search polls its input many times before it ends.
    engine.send("go depth 7");
    engine.send("quit");
    auto lines = engine.readUntil("bestmove ");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(engine.command("isready", "readyok").back(), "readyok");
}
