// Sessions with the real engine compared byte for byte with tests/golden/*.txt: every
// message, the board, the report lines and the node counts of each search. A file holds
// the lines sent ("> " before each) and the replies after each; times, speeds and loads
// are masked.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

bool endsSearch(const std::string& line) {
    return startsWith(line, "bestmove ") || line == "nobestmove" || line == "e_CommGoPonder";
}

// Answers one line of a transcript: an isready after it marks the end of its replies (its
// readyok is left out); a go line also waits for the end of its search. Each line is thus
// a line of its own: the transcripts hold no search interrupted by the next line.
std::string answer(ChildProcess& engine, const std::string& input) {
    engine.send(input);
    if (input == "quit") return engine.readRest();
    // An isready of the transcript's own is its own end mark.
    bool own = input == "isready", synced = false, searching = startsWith(input, "go ");
    if (!own) engine.send("isready");
    std::string out;
    while (!synced || searching) {
        auto reply = engine.readLine(120000);
        if (!reply) return out + "(no answer)\n";
        if (*reply == "readyok" && !synced) {
            synced = true;
            if (!own) continue;
        }
        if (endsSearch(*reply) || *reply == gbk("无法识别的指令。")) searching = false;
        out += maskClock(*reply) + "\n";
    }
    return out;
}

class Transcript : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(Transcript, MatchesTheEngineByteForByte) {
    ChildProcess engine(enginePath(), {}, "", kNoBook);
    expectReplay(std::string(GetParam()) + ".txt",
                 [&](const std::string& input) { return answer(engine, input); });
}

INSTANTIATE_TEST_SUITE_P(Engine, Transcript,
                         testing::Values("handshake", "commands", "board", "setups", "search",
                                         "mates"));
