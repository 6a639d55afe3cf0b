// Faults found by the fuzz targets and the protocol stress test, each pinned by the
// smallest case that shows it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/parser.h"
#include "engine/reader.h"
#include "engine/timecontrol.h"
#include "harness.h"
#include "test_util.h"

namespace {

// Every generated legal move of the position, and every legal reply to each, leaves both
// kings on the board.
void expectNoKingCapture(const std::string& fen) {
    auto pos = positionFrom(fen);
    if (pos == nullptr) return;  // refusing such a position is a fix too
    auto capturesKing = [](Position& p, Move mv) {
        PieceIndex target = p.board[moveTo(mv)];
        return target == RED_BIT || target == BLACK_BIT;
    };
    MoveList moves;
    generateLegalMoves(moves, *pos);
    for (Move mv : movesOf(moves)) {
        EXPECT_FALSE(capturesKing(*pos, mv)) << fen << ": " << textOf(mv);
        UndoRecord undo;
        makeMove(*pos, mv, undo);
        MoveList replies;
        generateLegalMoves(replies, *pos);
        for (Move reply : movesOf(replies))
            EXPECT_FALSE(capturesKing(*pos, reply))
                << fen << ": " << textOf(mv) << " " << textOf(reply);
        unmakeMove(*pos, mv, undo);
    }
}

// Reads what is there on `fd` within timeoutMs.
std::string drain(int fd, int timeoutMs) {
    std::string out;
    char chunk[65536];
    pollfd fds{fd, POLLIN, 0};
    while (poll(&fds, 1, timeoutMs) > 0) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        out.append(chunk, size_t(n));
    }
    return out;
}

}  // namespace

// isSideInCheck looks only for rooks, cannons, knights, pawns and facing kings, which is
// complete only while kings stay in their palace and advisors and bishops on their own
// half. With a piece elsewhere a "legal" move could take a king: the red advisor on d9
// takes the black king on e8, the black king steps to e8 beside that advisor, the red
// bishop on c7 takes e9, or kings side by side in one palace take each other. Either the
// FEN is refused or no such move is legal.
TEST(Robustness, NoLegalMoveTakesAKing) {
    expectNoKingCapture("3A5/4k4/9/9/9/9/9/9/9/3K5 w - - 0 1");
    expectNoKingCapture("3A5/9/4k4/9/9/9/9/9/9/3K5 b - - 0 1");
    expectNoKingCapture("4k4/9/2B6/9/9/9/9/9/9/3K5 w - - 0 1");
    expectNoKingCapture("9/9/9/9/9/9/9/3kK4/9/9 w - - 0 1");
}

// quit lets go of the reader's slot before the process ends, while the reader thread may
// still wake up: it must not read through the freed slot. The thread is sure to wake
// first when "bye" has to wait for room in a full output pipe: a pipe of one page, filled
// to the byte by 512 readyok lines.
TEST(Robustness, QuitWithAFullOutputPipeEndsCleanly) {
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(fcntl(out[1], F_SETPIPE_SZ, 4096), 4096);
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
        std::string path = enginePath();
        char argv0[] = "/nonexistent/qarn";
        char* argv[] = {argv0, nullptr};
        execv(path.c_str(), argv);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::string handshake = "ucci\n";
    ASSERT_EQ(write(in[1], handshake.data(), handshake.size()), ssize_t(handshake.size()));
    std::string startup;
    for (int i = 0; i < 100 && startup.find("      move -- ") == std::string::npos; i++)
        startup += drain(out[0], 100);
    ASSERT_NE(startup.find("      move -- "), std::string::npos) << startup;
    std::string lines;
    for (int i = 0; i < 512; i++) lines += "isready\n";
    lines += "quit\n";
    ASSERT_EQ(write(in[1], lines.data(), lines.size()), ssize_t(lines.size()));
    // Wait until the pipe holds the 4096 bytes, then give the reader thread time to wake.
    int pending = 0;
    for (int i = 0; i < 3000 && pending < 4096; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(ioctl(out[0], FIONREAD, &pending), 0);
    }
    EXPECT_EQ(pending, 4096);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string rest = drain(out[0], 2000);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(in[1]);
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status))
        << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_TRUE(rest.size() >= 4 && rest.substr(rest.size() - 4) == "bye\n")
        << rest.substr(rest.size() - 20);
}

// A line of exactly LINE_BUFFER_SIZE - 1 bytes fills the reader's buffer without its line
// feed; the line feed left over must not read as a second, empty line (nor a carriage
// return and line feed split across the buffer's end).
TEST(Robustness, ALineThatFillsTheBufferIsOneLine) {
    Engine engine("", "/nonexistent/qarn");
    engine.send(std::string(LINE_BUFFER_SIZE - 1, 'X'));
    engine.send(std::string(LINE_BUFFER_SIZE - 2, 'X') + "\r");
    engine.send("isready");
    EXPECT_EQ(engine.readLine(), gbk("无法识别的指令。"));
    EXPECT_EQ(engine.readLine(), gbk("无法识别的指令。"));
    EXPECT_EQ(engine.readLine(), "readyok");
}
