// The Windows build under Wine against the Linux build: run when QARN_RUNNER, QARN_BIN_DIR
// (the unpacked package) and QARN_EXE_SUFFIX point at it, as .ci/run does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

#include "harness.h"

namespace {

using Lines = std::vector<std::string>;

// Runs the session against the Windows build, then against the Linux build.
template <class Session>
void expectSameAsLinux(Session session) {
    const char* target[] = {"QARN_RUNNER", "QARN_BIN_DIR", "QARN_EXE_SUFFIX"};
    Lines windows = session();
    std::string saved[3];
    for (int i = 0; i < 3; i++) saved[i] = std::getenv(target[i]), unsetenv(target[i]);
    Lines linux = session();
    for (int i = 0; i < 3; i++) setenv(target[i], saved[i].c_str(), 1);
    EXPECT_EQ(windows, linux);
}

// Masks the clock's figures, and the moves chosen by the clock or at random from the book
// (reported as a search of depth 1 reaching ply 0).
Lines& add(Lines& all, const Lines& out) {
    static const std::regex clock("(time_ms|time|nps|cpuload) [0-9]+");
    static const std::regex chosen("^(bestmove|info depth 1 mdepth 0 .* pv) .*");
    for (const std::string& line : out)
        all.push_back(std::regex_replace(std::regex_replace(line, clock, "$1 _"), chosen, "$1 _"));
    return all;
}

// Fixed depths (the first from the book), console commands, refused and unknown lines, "\r\n"
// line ends; "isready" and "stop" during a search, a search under a clock; quit.
Lines transcript() {
    Engine engine;
    Lines all = engine.startupLines;
    for (std::string line :
         {"position startpos\r", "go depth 6\r", "position midgamepos", "go depth 7",
          "position fen 3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1", "go depth 5", "go depth 0",
          "position fen 9/9/9 w", "go depth 3", "go ponder time 9",
          "position startpos moves h2e2 h9g7\r", "scr", "move h0g2 i9h9", "hello", "isready\r"}) {
        add(all, startsWith(line, "go depth") ? engine.go(line)
                                              : engine.command(line + "\nisready", "readyok"));
    }
    engine.send("position midgamepos\ngo depth 31");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    add(all, {engine.command("isready", "readyok").back(), engine.go("stop").back(),
              engine.go("go time 1").back()});
    engine.send("quit");
    return add(all, {engine.readRest(), std::to_string(engine.waitExit())});
}

}  // namespace

// Also: the end of input after the handshake or a line that is not it, and the tools.
TEST(Windows, SameBytesAsTheLinuxBuild) {
    if (std::getenv("QARN_RUNNER") == nullptr) GTEST_SKIP() << "QARN_RUNNER not set";
    expectSameAsLinux(transcript);
    for (Lines run :
         {Lines{"ucci", "qarn"}, Lines{"UCCI", "qarn"}, Lines{"", "qarn-bench", "5"},
          Lines{"", "qarn-perft", "4"},
          Lines{"", "qarn-book", "probe", QARN_BUILD_DIR "/qarn.bin", "--moves", "h2e2"},
          Lines{"", "qarn-perft", "--divide", "3", "--fen", "3k5/4PP3/4r4/9/9/9/9/9/9/5K3 w"}}) {
        expectSameAsLinux([&] {
            ChildProcess child(toolPath(run[1]), Lines(run.begin() + 2, run.end()));
            if (!run[0].empty()) child.send(run[0]);
            child.closeInput();
            Lines out;
            return add(out, {child.readRest(120000), std::to_string(child.waitExit())});
        });
    }
}

// A front end starts the engine by a full path, a bare name (found in the current or the
// front end's own directory) or a path relative to its directory: the book beside the
// executable is found each time. A malformed book ends the engine with its message.
TEST(Windows, BookBesideTheExecutable) {
    if (!std::getenv("QARN_RUNNER") || !std::getenv("WINEPREFIX")) GTEST_SKIP() << "no Wine";
    namespace fs = std::filesystem;
    fs::path qarn = fs::path(std::getenv("WINEPREFIX")) / "drive_c/Engines/Qarn";
    fs::create_directories(qarn);
    fs::create_directories(qarn.parent_path() / "Other");
    for (const char* name : {"qarn.exe", "qarn.bin", "qarn-launch.exe"})
        fs::copy_file(fs::path(enginePath()).parent_path() / name, qarn / name,
                      fs::copy_options::overwrite_existing);
    for (auto [directory, commandLine] : {std::pair{"C:\\", "C:\\Engines\\Qarn\\qarn.exe"},
                                          {"C:\\Engines\\Qarn", "qarn.exe"},
                                          {"C:\\Engines\\Other", "..\\Qarn\\qarn.exe"},
                                          {"C:\\", "qarn.exe"}}) {
        ChildProcess engine((qarn / "qarn-launch.exe").string(), {directory, commandLine});
        engine.send("ucci\nquit");
        EXPECT_TRUE(startsWith(engine.readLine().value_or(""), "book moves count=")) << commandLine;
        EXPECT_EQ(engine.waitExit(), 0) << commandLine;
    }
    writeFile((qarn / "qarn.bin").string(), "short");
    ChildProcess engine((qarn / "qarn.exe").string());
    engine.send("ucci");
    EXPECT_EQ(engine.waitExit(), 1);
    EXPECT_EQ(engine.readErrors(),
              gbk("开局库文件") + "C:\\Engines\\Qarn\\qarn.bin" + gbk("文件头格式不正确！") + "\n");
}
