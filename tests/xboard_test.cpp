// qarn-xboard from the front end's side: a scripted XBoard drives the adapter, which runs
// either a fake UCCI engine that logs what it is sent, or the real engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "base/fens.h"
#include "harness.h"

namespace {

// Plays a fixed opening line: its answer to "go" is the line's move at the position's ply.
// "wait" answers only "stop"; "die" ends at the first "go".
constexpr char kFakeEngine[] = R"(#!/usr/bin/env python3
import sys
mode = sys.argv[1]
line_moves = "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 b0c2 a9b9".split()
for line in sys.stdin:
    line = line.strip()
    print(line, file=sys.stderr, flush=True)
    if line == "ucci":
        print("id name Fake\nucciok", flush=True)
    elif line.startswith("position"):
        ply = len(line.split(" moves ")[1].split()) if " moves " in line else 0
    elif line.startswith("go") and mode == "die":
        sys.exit(3)
    elif line.startswith("go"):
        print("info depth 2 mdepth 4 score MATE -3 upperbound time 1234 nodes 99 pv", line_moves[ply])
    if (line.startswith("go") and mode != "wait") or (line == "stop" and mode == "wait"):
        print("bestmove", line_moves[ply], flush=True)
    elif line == "quit":
        break
)";

const std::string kStart = std::string("position fen ") + kStartFen;

std::string fakeEngine() {
    static const std::string path = makeTempDir() + "/fake.py";
    writeFile(path, kFakeEngine);
    chmod(path.c_str(), 0755);
    return path;
}

struct Adapter : ChildProcess {
    // With a fake engine in `mode`, or with the real engine when mode is empty.
    explicit Adapter(const std::string& mode = "")
        : ChildProcess(toolPath("qarn-xboard"), mode.empty() ? std::vector<std::string>{}
                                                             : std::vector{fakeEngine(), mode}) {
        send("xboard\nprotover 2");
        features = readUntil("feature done=1");
    }
    void sendAll(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) send(line);
    }
    // The last line starting with `prefix` that the fake logged on its (the adapter's) stderr.
    std::string lastSent(const std::string& prefix) {
        std::istringstream in(readErrors(100));
        std::string line, found;
        while (std::getline(in, line)) found = startsWith(line, prefix) ? line : found;
        return found;
    }
    std::vector<std::string> features;
};

TEST(XBoard, HandshakeAndClocks) {
    Adapter adapter("quick");
    ASSERT_EQ(adapter.features.size(), 3u);
    EXPECT_EQ(adapter.features[0], "feature done=0");
    for (const char* feature : {"variants=\"xiangqi\"", "usermove=1", "setboard=1", "ping=1",
                                "sigint=0", "sigterm=0", "myname=\"Fake\""})
        EXPECT_NE(adapter.features[1].find(feature), std::string::npos) << feature;
    // XBoard's clocks for the engine: movestogo right after the time, whole seconds rounded
    // down after a reserve, and the adapter's own stop below one second.
    for (const auto& [commands, expected] : std::vector<std::pair<std::string, std::string>>{
             {"level 40 5 0\ntime 30000", "go time 298 movestogo 40"},
             {"level 40 0:30 0\ntime 300", "go time 1 increment 0"},
             {"level 0 2 3\ntime 12000", "go time 119 increment 3"},
             {"level 0 5 0\ntime 30000", "go time 298 increment 0"},
             {"level 0 0:05 0\ntime 50", "go depth 31"},
             {"st 10", "go time 9 movestogo 1"},
             {"level 0 5 0\nsd 7\ntime 30000", "go depth 7"}}) {
        adapter.sendAll({"new", commands, "go"});
        EXPECT_FALSE(adapter.readUntil("move h2e2").empty());
        EXPECT_EQ(adapter.lastSent("go"), expected) << commands;
    }
}

TEST(XBoard, MovesUndoAndSetboardKeepTheGame) {
    Adapter adapter("quick");
    adapter.sendAll(
        {"new", "force", "usermove a0a5", "usermove h2e2", "usermove h9g7", "undo", "go"});
    EXPECT_EQ(adapter.readLine(), "Illegal move: a0a5");
    EXPECT_EQ(adapter.readLine(), "move h9g7");
    EXPECT_EQ(adapter.lastSent("position"), kStart + " moves h2e2");
    adapter.sendAll({"force", "remove", "setboard 9/9/9/9/9/9/9/9/9/9 w 0 1",
                     "setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR w 0 1",
                     "go"});
    EXPECT_EQ(adapter.readLine(), "tellusererror Illegal position");
    EXPECT_EQ(adapter.readLine(), "move h2e2");
    EXPECT_EQ(adapter.lastSent("position"), kStart);
}

// A ping during a search is answered after the move; "?" and the adapter's own clock both
// end a search that would not end by itself.
TEST(XBoard, PingWaitsForTheMoveAndQuestionMarkStops) {
    Adapter adapter("wait");
    adapter.sendAll({"new", "post", "level 0 5 0", "time 30000", "usermove h2e2", "ping 7"});
    EXPECT_EQ(adapter.readLine(), "2 -100003 123 99 h9g7?");
    EXPECT_EQ(adapter.readLine(300), std::nullopt);
    adapter.send("?");
    EXPECT_EQ(adapter.readLine(), "move h9g7");
    EXPECT_EQ(adapter.readLine(), "pong 7");
    adapter.sendAll({"time 100", "usermove h0g2"});
    EXPECT_EQ(adapter.readUntil("move", 2000).back(), "move i9h9");
    EXPECT_EQ(adapter.lastSent("go"), "go depth 31");
    EXPECT_EQ(adapter.lastSent("stop"), "stop");
}

// With the real engine: its mate is followed by the claim, and a mated side to move loses
// at once.
TEST(XBoard, MatesAreClaimed) {
    Adapter adapter;
    adapter.sendAll({"new", "st 2", "setboard 3k5/R8/9/9/9/9/9/9/1R7/4K4 w 0 1", "go"});
    EXPECT_EQ(adapter.readUntil("move").back(), "move b1b9");
    EXPECT_EQ(adapter.readLine(), "1-0 {Red mates}");
    adapter.sendAll({"new", "setboard 1R1k5/R8/9/9/9/9/9/9/9/4K4 b 0 1", "go"});
    EXPECT_EQ(adapter.readLine(), "1-0 {Red mates}");
}

// An engine that dies, or (the quick fake playing Red's move for Black) plays an illegal
// move, ends the game with an error; wrong command lines are refused.
TEST(XBoard, FailuresAndCommandLine) {
    for (const char* mode : {"die", "quick"}) {
        Adapter adapter(mode);
        adapter.sendAll(
            {"setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b 0 1", "go"});
        auto lines = adapter.readUntil("resign");
        ASSERT_GE(lines.size(), 2u) << mode;
        EXPECT_TRUE(startsWith(lines[lines.size() - 2], "tellusererror")) << mode;
        EXPECT_EQ(adapter.waitExit(), 1);
    }
    ChildProcess help(toolPath("qarn-xboard"), {"--help"});
    EXPECT_TRUE(startsWith(help.readLine().value_or(""), "usage: qarn-xboard"));
    EXPECT_EQ(help.waitExit(), 0);
    for (auto [arg, code] : {std::pair{"--bogus", 2}, {"/nonexistent/engine", 1}})
        EXPECT_EQ(ChildProcess(toolPath("qarn-xboard"), {arg}).waitExit(), code) << arg;
}

}  // namespace
