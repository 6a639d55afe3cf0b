// The front end through the real engine binary where a transcript cannot show it: exit
// codes, the end of input, raw bytes and very long lines, and commands during a search.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <chrono>
#include <thread>

#include "engine/reader.h"
#include "harness.h"

namespace {

std::string idBlock() {
    return "id name Qarn chess engine 0.7.5  Q modify\nid copyright 2026 Qarn developers\n"
           "id author Qarn developers\nid user unknown\nucciok\nQ ADD scr -- " +
           gbk("显示棋盘命令") + "\n      move -- " + gbk("走棋命令") + "\n";
}

}  // namespace

TEST(Protocol, WholeSessionsFromRawInput) {
    const std::string unknown = gbk("无法识别的指令。") + "\n", ready = "readyok\n";
    const int full = LINE_BUFFER_SIZE - 1;
    struct Case {
        std::string input, output;
        int exitCode;
    } cases[] = {
        {"UCCI\n", "bye\n", 1},
        {"ucci \n", "bye\n", 1},
        {"isready\n", "bye\n", 1},
        {"\n", "bye\n", 1},
        {"", "bye\n", 1},
        {"ucci\nisready\n", idBlock() + ready + "bye\n", 0},
        {"ucci\nquit\nisready\n", idBlock() + "bye\n", 0},
        // Carriage returns before the line feed go; one not followed by it stays.
        {"ucci\nisready\r\nisready\nisready\r \n", idBlock() + ready + ready + unknown + "bye\n",
         0},
        // A line that fills the buffer without its line feed is one line, not two.
        {"ucci\n" + std::string(full, 'X') + "\n" + std::string(full - 1, 'X') + "\r\nisready\n",
         idBlock() + unknown + unknown + ready + "bye\n", 0},
        // Longer lines arrive in pieces of LINE_BUFFER_SIZE - 1 bytes, each a line of its own.
        {"ucci\n" + std::string(70000, 'x') + "\n" + std::string(full, 'y') + "isready\n",
         idBlock() + unknown + unknown + unknown + unknown + ready + "bye\n", 0},
    };
    for (const Case& c : cases) {
        ChildProcess engine(enginePath(), {}, "", kNoBook);
        engine.sendRaw(c.input);
        engine.closeInput();
        EXPECT_EQ(engine.readRest(), c.output) << c.input.substr(0, 40);
        EXPECT_EQ(engine.waitExit(), c.exitCode) << c.input.substr(0, 40);
    }
}

TEST(Protocol, EndOfInputOrQuitDuringASearchLetsItFinish) {
    Engine engine("", kNoBook);
    engine.send("go depth 7");
    engine.send("quit");  // ignored during a search
    ASSERT_FALSE(engine.readUntil("bestmove ").empty());
    EXPECT_EQ(engine.command("isready", "readyok").back(), "readyok");
    engine.send("go depth 4");
    engine.closeInput();
    std::string rest = engine.readRest(60000);
    EXPECT_NE(rest.find("\nbestmove "), std::string::npos) << rest;
    EXPECT_EQ(rest.substr(rest.size() - 4), "bye\n");
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST(Protocol, StopAndIsReadyDuringASearch) {
    Engine engine("", kNoBook);
    engine.send("go depth 31");
    ASSERT_FALSE(engine.readUntil("info depth 2 ").empty());
    engine.send("isready");
    EXPECT_EQ(engine.readUntil("readyok").back(), "readyok");
    auto rest = engine.go("stop", 10000);
    ASSERT_GE(rest.size(), 2u);
    EXPECT_TRUE(startsWith(rest.back(), "bestmove ")) << rest.back();
    EXPECT_TRUE(startsWith(rest[rest.size() - 2], "info time ")) << rest[rest.size() - 2];
}

// quit lets go of the reader's slot while the reader thread may still wake up: it must not
// read through the freed slot. It wakes first when "bye" waits for room in a full output
// pipe: a pipe of one page, filled to the byte by 512 readyok lines.
TEST(Protocol, QuitWithAFullOutputPipeEndsCleanly) {
    ChildProcess engine(enginePath(), {}, "", kNoBook);
    ASSERT_EQ(fcntl(engine.outputFd(), F_SETPIPE_SZ, 4096), 4096);
    engine.send("ucci");
    ASSERT_FALSE(engine.readUntil("      move -- ").empty());
    std::string input;
    for (int i = 0; i < 512; i++) input += "isready\n";
    engine.sendRaw(input + "quit\n");
    int pending = 0;
    for (int i = 0; i < 3000 && pending < 4096; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(ioctl(engine.outputFd(), FIONREAD, &pending), 0);
    }
    EXPECT_EQ(pending, 4096);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // time for the reader to wake
    std::string rest = engine.readRest();
    EXPECT_EQ(engine.waitExit(), 0);
    EXPECT_EQ(rest.size(), 512 * 8 + 4u);
    EXPECT_EQ(rest.substr(rest.size() - 4), "bye\n");
}
