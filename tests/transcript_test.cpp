// Sessions with the real engine compared byte for byte with tests/golden/*.txt: every
// message, the board, the report lines and the node counts of each search. A file holds
// the lines sent ("> " before each) and the replies after each; times, speeds and loads
// are masked.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "harness.h"

namespace {

std::string masked(const std::string& line) {
    static const std::regex figures(R"(\b(time|nps|cpuload) \d+)");
    return std::regex_replace(line, figures, "$1 *");
}

bool endsSearch(const std::string& line) {
    return startsWith(line, "bestmove ") || line == "nobestmove" || line == "e_CommGoPonder";
}

// Plays the input lines of a transcript and returns the transcript the engine gives. An
// isready after each line marks the end of its replies (its readyok is left out); a go
// line also waits for the end of its search. Each line is a line of its own, so the
// transcripts hold no search interrupted by the next line.
std::string replay(const std::string& script) {
    ChildProcess engine(enginePath(), {}, "", "/nonexistent/qarn");
    std::istringstream lines(script);
    std::string line, out;
    while (std::getline(lines, line)) {
        if (!startsWith(line, "> ")) continue;
        std::string input = line.substr(2);
        out += line + "\n";
        if (input == "quit") {
            engine.send(input);
            out += engine.readRest();
            break;
        }
        engine.send(input);
        // An isready of the transcript's own is its own end mark.
        bool own = input == "isready", synced = false, searching = startsWith(input, "go ");
        if (!own) engine.send("isready");
        while (!synced || searching) {
            auto reply = engine.readLine(120000);
            if (!reply) return out + "(no answer)\n";
            if (*reply == "readyok" && !synced) {
                synced = true;
                if (!own) continue;
            }
            if (endsSearch(*reply) || *reply == gbk("无法识别的指令。")) searching = false;
            out += masked(*reply) + "\n";
        }
    }
    return out;
}

class Transcript : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(Transcript, MatchesTheEngineByteForByte) {
    std::string name = std::string(GetParam()) + ".txt";
    expectGolden(name, replay(readFile(goldenPath(name))));
}

INSTANTIATE_TEST_SUITE_P(Engine, Transcript,
                         testing::Values("handshake", "commands", "board", "setups", "search",
                                         "mates"));
