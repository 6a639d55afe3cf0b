// qarn-xboard from the front end's side: a scripted XBoard drives the adapter, which runs
// either a fake UCCI engine that logs what it is sent, or the real engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "harness.h"

namespace {

// Plays a fixed opening line: its answer to "go" is the line's move at the position's ply.
// "wait" answers only "stop"; "die" ends at the first "go".
constexpr char kFakeEngine[] = R"(#!/usr/bin/env python3
import sys
log = open(sys.argv[1], "a", buffering=1)
mode = sys.argv[2]
line_moves = "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 b0c2 a9b9".split()
ply, searching = 0, False
for line in sys.stdin:
    line = line.strip()
    log.write(line + "\n")
    if line == "ucci":
        print("id name Fake\nucciok", flush=True)
    elif line.startswith("position"):
        ply = len(line.split(" moves ")[1].split()) if " moves " in line else 0
    elif line.startswith("go"):
        if mode == "die":
            sys.exit(3)
        print("info depth 2 mdepth 4 score MATE -3 upperbound time 1234 nodes 99 pv", line_moves[ply], flush=True)
        searching = mode == "wait"
        if not searching:
            print("bestmove", line_moves[ply], flush=True)
    elif line == "stop" and searching:
        searching = False
        print("bestmove", line_moves[ply], flush=True)
    elif line == "quit":
        break
)";

constexpr char kStart[] = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";

struct Adapter : ChildProcess {
    // With a fake engine in `mode`, or with the real engine when mode is empty.
    explicit Adapter(const std::string& mode = "")
        : ChildProcess(toolPath("qarn-xboard"), arguments(mode)), logPath(newLogPath) {
        send("xboard");
        send("protover 2");
        features = readUntil("feature done=1");
    }
    // The base is built before the members: the log's path waits in newLogPath.
    static inline std::string newLogPath;
    static std::vector<std::string> arguments(const std::string& mode) {
        if (mode.empty()) return {};
        std::string dir = makeTempDir();
        writeFile(dir + "/fake.py", kFakeEngine);
        chmod((dir + "/fake.py").c_str(), 0755);
        newLogPath = dir + "/log.txt";
        return {dir + "/fake.py", newLogPath, mode};
    }
    // The last line the engine received that starts with `prefix`.
    std::string lastSent(const std::string& prefix) {
        std::string log = readFile(logPath), found;
        for (size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
            if (startsWith(log.substr(at), prefix)) found = log.substr(at, end - at);
        return found;
    }
    std::string logPath;
    std::vector<std::string> features;
};

TEST(XBoard, HandshakeAnnouncesTheFeaturesXBoardNeeds) {
    Adapter adapter("quick");
    ASSERT_EQ(adapter.features.size(), 3u);
    EXPECT_EQ(adapter.features[0], "feature done=0");
    for (const char* feature : {"variants=\"xiangqi\"", "usermove=1", "setboard=1", "ping=1",
                                "sigint=0", "sigterm=0", "myname=\"Fake\""})
        EXPECT_NE(adapter.features[1].find(feature), std::string::npos) << feature;
    adapter.send("ping 4");
    EXPECT_EQ(adapter.readLine(), "pong 4");
}

// What reaches the engine for XBoard's clocks: movestogo right after the time, whole
// seconds rounded down after a reserve, and the adapter's own stop below one second.
TEST(XBoard, ClocksBecomeUcciGoLines) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"level 40 5 0", "time 30000"}, "go time 298 movestogo 40"},
        {{"level 40 0:30 0", "time 300"}, "go time 1 increment 0"},
        {{"level 0 2 3", "time 12000"}, "go time 119 increment 3"},
        {{"level 0 5 0", "time 30000"}, "go time 298 increment 0"},
        {{"level 0 0:05 0", "time 50"}, "go depth 31"},
        {{"st 10"}, "go time 9 movestogo 1"},
        {{"level 0 5 0", "sd 7", "time 30000"}, "go depth 7"},
    };
    Adapter adapter("quick");
    for (const auto& [commands, expected] : cases) {
        adapter.send("new");
        for (const std::string& command : commands) adapter.send(command);
        adapter.send("go");
        EXPECT_FALSE(adapter.readUntil("move h2e2").empty());
        EXPECT_EQ(adapter.lastSent("go"), expected) << commands.back();
    }
}

TEST(XBoard, MovesUndoAndSetboardKeepTheGame) {
    Adapter adapter("quick");
    for (const char* line :
         {"new", "force", "usermove a0a5", "usermove h2e2", "usermove h9g7", "undo", "go"})
        adapter.send(line);
    EXPECT_EQ(adapter.readLine(), "Illegal move: a0a5");
    EXPECT_EQ(adapter.readLine(), "move h9g7");
    EXPECT_EQ(adapter.lastSent("position"),
              std::string("position fen ") + kStart + " w - - 0 1 moves h2e2");
    for (const char* line : {"force", "remove", "setboard 9/9/9/9/9/9/9/9/9/9 w 0 1",
                             "setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/"
                             "RHEAKAEHR w 0 1",
                             "go"})
        adapter.send(line);
    EXPECT_EQ(adapter.readLine(), "tellusererror Illegal position");
    EXPECT_EQ(adapter.readLine(), "move h2e2");
    EXPECT_EQ(adapter.lastSent("position"), std::string("position fen ") + kStart + " w - - 0 1");
}

// A ping during a search is answered after the move; "?" and the adapter's own clock both
// end a search that would not end by itself.
TEST(XBoard, PingWaitsForTheMoveAndQuestionMarkStops) {
    Adapter adapter("wait");
    for (const char* line : {"new", "post", "level 0 5 0", "time 30000", "usermove h2e2", "ping 7"})
        adapter.send(line);
    EXPECT_EQ(adapter.readLine(), "2 -100003 123 99 h9g7?");
    EXPECT_EQ(adapter.readLine(300), std::nullopt);
    adapter.send("?");
    EXPECT_EQ(adapter.readLine(), "move h9g7");
    EXPECT_EQ(adapter.readLine(), "pong 7");
    adapter.send("time 100");
    adapter.send("usermove h0g2");
    EXPECT_EQ(adapter.readUntil("move", 2000).back(), "move i9h9");
    EXPECT_EQ(adapter.lastSent("go"), "go depth 31");
    EXPECT_EQ(adapter.lastSent("stop"), "stop");
}

// With the real engine: its mate is followed by the claim, and a mated side to move
// loses at once.
TEST(XBoard, MatesAreClaimed) {
    Adapter adapter;
    for (const char* line : {"new", "st 2", "setboard 3k5/R8/9/9/9/9/9/9/1R7/4K4 w 0 1", "go"})
        adapter.send(line);
    EXPECT_EQ(adapter.readUntil("move").back(), "move b1b9");
    EXPECT_EQ(adapter.readLine(), "1-0 {Red mates}");
    for (const char* line : {"new", "setboard 1R1k5/R8/9/9/9/9/9/9/9/4K4 b 0 1", "go"})
        adapter.send(line);
    EXPECT_EQ(adapter.readLine(), "1-0 {Red mates}");
}

TEST(XBoard, EngineFailuresEndTheGameWithAnError) {
    for (const char* mode : {"die", "quick"}) {
        Adapter adapter(mode);
        // The quick fake's move is Red's first, so as Black it plays an illegal move.
        adapter.send("setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b 0 1");
        adapter.send("go");
        auto lines = adapter.readUntil("resign");
        ASSERT_GE(lines.size(), 2u) << mode;
        EXPECT_TRUE(startsWith(lines[lines.size() - 2], "tellusererror")) << mode;
        EXPECT_EQ(adapter.waitExit(), 1);
    }
}

TEST(XBoard, CommandLine) {
    ChildProcess help(toolPath("qarn-xboard"), {"--help"});
    EXPECT_TRUE(startsWith(help.readLine().value_or(""), "usage: qarn-xboard"));
    EXPECT_EQ(help.waitExit(), 0);
    ChildProcess wrong(toolPath("qarn-xboard"), {"--bogus"});
    EXPECT_EQ(wrong.waitExit(), 2);
    ChildProcess missing(toolPath("qarn-xboard"), {"/nonexistent/engine"});
    EXPECT_EQ(missing.waitExit(), 1);
}

}  // namespace
