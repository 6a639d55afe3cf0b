// The front end through the real engine binary where a transcript cannot show it: exit
// codes, the end of input, raw bytes and very long lines, and commands during a search.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
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
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(fcntl(out[1], F_SETPIPE_SZ, 4096), 4096);
    signal(SIGPIPE, SIG_IGN);
    std::string path = enginePath(), input = "ucci\n";
    for (int i = 0; i < 512; i++) input += "isready\n";
    input += "quit\n";
    char argv0[] = "/nonexistent/qarn";
    char* argv[] = {argv0, nullptr};
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
        execv(path.c_str(), argv);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    // The id block first, so that the pipe then holds readyok lines only.
    std::string output;
    char chunk[65536];
    pollfd fds{out[0], POLLIN, 0};
    ASSERT_EQ(write(in[1], input.data(), 5), 5);
    while (output.find("      move -- ") == std::string::npos && poll(&fds, 1, 10000) > 0) {
        ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0) break;
        output.append(chunk, size_t(n));
    }
    ASSERT_NE(output.find("      move -- "), std::string::npos);
    ASSERT_EQ(write(in[1], input.data() + 5, input.size() - 5), ssize_t(input.size() - 5));
    int pending = 0;
    for (int i = 0; i < 3000 && pending < 4096; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(ioctl(out[0], FIONREAD, &pending), 0);
    }
    EXPECT_EQ(pending, 4096);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    output.clear();
    while (poll(&fds, 1, 2000) > 0) {
        ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0) break;
        output.append(chunk, size_t(n));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(in[1]);
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(output.size(), 512 * 8 + 4u);
    EXPECT_EQ(output.substr(output.size() - 4), "bye\n");
}

// The tools' output byte for byte (times and speeds masked), exit codes and usage texts;
// qarn-bench's per-position node counts are the search's signature at depth 4.
TEST(Tools, OutputsMatch) {
    const std::vector<std::vector<std::string>> runs = {
        {"qarn-bench", "4"},
        {"qarn-bench", "0"},
        {"qarn-bench", "32"},
        {"qarn-perft", "4"},
        {"qarn-perft", "--divide", "2"},
        {"qarn-perft", "--divide", "--fen", "4k4/9/9/9/4c4/9/4P4/9/4A4/3AK3r w", "3"},
        {"qarn-perft", "--fen", "rnbakabnr/9/1c5c1", "1"},
        {"qarn-perft", "--moves", "h2e2 h2h3", "1"},
        {"qarn-perft", "--moves", "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5", "3"},
        {"qarn-perft"},
        {"qarn-perft", "-1"},
        {"qarn-book"},
    };
    std::string out;
    for (const auto& run : runs) {
        ChildProcess tool(toolPath(run[0]), std::vector<std::string>(run.begin() + 1, run.end()));
        for (const std::string& word : run) out += word + " ";
        std::string stdoutText = tool.readRest(120000);
        out += "\n" + stdoutText + "stderr: " + tool.readErrors() + "exit " +
               std::to_string(tool.waitExit()) + "\n";
    }
    static const std::regex figures(R"(\b(time_ms|nps) \d+)");
    expectGolden("tools.txt", std::regex_replace(out, figures, "$1 *"));
}
