// Rules stated by their numbers, where a report or transcript would not show a fault:
// parser bounds, time control, the transposition table, ordering statistics, make and
// unmake, FEN refusals, move texts and the search's special scores.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "engine/parser.h"
#include "engine/reports.h"
#include "engine/timecontrol.h"
#include "harness.h"
#include "search/movepick.h"
#include "search/progress.h"
#include "search/score.h"
#include "search/search.h"
#include "search/stoprules.h"
#include "search/tt.h"
#include "test_util.h"

namespace {

// The parser's codes by name, indexed by their values.
const char* const kCommandNames[] = {
    "e_CommNone", "e_CommPonderHit", "e_CommStop",      "e_CommScr",      "e_CommMove",
    "e_CommUcci", "e_CommIsReady",   "e_CommSetOption", "e_CommPosition", "e_CommBanMoves",
    "e_CommGo",   "e_CommGoPonder",  "e_CommQuit"};
const char* const kOptionNames[] = {"e_OptionNone",      "e_OptionBatch",     "e_OptionDebug",
                                    "e_OptionBookFiles", "e_OptionEgtbPaths", "e_OptionHashSize",
                                    "e_OptionThreads",   "e_OptionDrawMoves", "e_OptionRepetition",
                                    "e_OptionPruning",   "e_OptionKnowledge", "e_OptionSelectivity",
                                    "e_OptionStyle",     "e_OptionLoadBook"};
const char* const kGoModeNames[] = {"e_GoDepth", "e_GoMovesToGo", "e_GoIncrement"};

std::string parsed(const std::string& line, CommandArgs& args) {
    std::string copy = line;
    int code = parseCommandLine(copy.data(), args);
    std::string out = "code " + std::string(kCommandNames[code]);
    auto moves = [&](int count, const uint32_t* texts) {
        out += " count " + std::to_string(count) + " moves";
        for (int i = 0; i < count; i++)
            out += " " + std::string(reinterpret_cast<const char*>(texts + i), 4);
    };
    if (code == e_CommGo || code == e_CommSetOption) {
        out += " arg1 " +
               std::string((code == e_CommGo ? kGoModeNames : kOptionNames)[args.arg1.number]);
        if (code == e_CommSetOption && args.arg1.number == e_OptionBookFiles)
            out += " text " + std::string(args.arg2.text);
        else
            out += " arg2 " + std::to_string(args.arg2.number) + " arg3 " +
                   std::to_string(args.arg3.number);
    } else if (code == e_CommPosition) {
        out += " fen " + std::string(args.arg1.text);
        moves(args.arg2.number, args.arg3.moveTexts);
    } else if (code == e_CommMove) {
        moves(args.arg2.number, args.arg3.moveTexts);
    } else if (code == e_CommBanMoves) {
        moves(args.arg1.number, args.arg2.moveTexts);
    }
    return out + "\n";
}

}  // namespace

// Parser codes and bounds, time limits, stop rules, FEN refusals and move texts, by the
// input lines of tests/golden/rules.txt.
TEST(Units, RulesMatch) {
    CommandArgs args{};
    expectReplay("rules.txt", [&](const std::string& input) {
        std::string rest = input.substr(input.find(' ') + 1);
        char out[160];
        if (startsWith(input, "parse ")) return parsed(rest, args);
        if (startsWith(input, "limits ")) {
            char name[32];
            int mode = 0, arg2, arg3;
            std::sscanf(rest.c_str(), "%31s %d %d", name, &arg2, &arg3);
            while (mode < 2 && std::strcmp(kGoModeNames[mode], name) != 0) mode++;
            resetSearchLimits();
            setSearchLimits(mode, arg2, arg3);
            std::snprintf(out, sizeof out, "depth %d %d time %d per move %g maximum %g\n",
                          searchLimits.depthLimited, searchLimits.depthLimit,
                          searchLimits.timeLimited, searchLimits.perMoveTime,
                          searchLimits.maximumTime);
        } else if (startsWith(input, "rules ")) {
            double elapsed;
            int dropped, failHigh, depth, first, second, best;
            std::sscanf(rest.c_str(), "%lf %d %d %d %d %d %d", &elapsed, &dropped, &failHigh,
                        &depth, &first, &second, &best);
            resetSearchLimits();
            setSearchLimits(e_GoMovesToGo, 10, 1);
            searchStats.elapsed = elapsed;
            searchProgress.scoreDropped = dropped;
            searchProgress.rootFailHigh = failHigh;
            searchProgress.bestScore = best;
            std::snprintf(out, sizeof out, "stops %d\n",
                          applyIterationRules(depth, 2, first, second));
        } else if (startsWith(input, "fen ")) {
            Position pos;
            std::snprintf(out, sizeof out, "%s\n",
                          setupFen(pos, rest.c_str()) ? "accepted" : "refused");
        } else {
            Move mv = moveOf(rest.c_str());
            char text[5] = "";
            bool written = moveToText(mv, text, 5);
            std::snprintf(out, sizeof out, "%04x %s %d real %d\n", mv, text, written,
                          isRealMove(mv));
        }
        return std::string(out);
    });
    // Text and buffer bounds not reached from text.
    char text[5];
    EXPECT_FALSE(moveToText(0xAAA7, text, 4));
    EXPECT_TRUE(moveToText(NULL_MOVE, text, 5));
    EXPECT_STREQ(text, "null");
    EXPECT_FALSE(isRealMove(0x10000));
    const char* number = "99999999999999999999 rest";
    EXPECT_EQ(parseBoundedNumber(&number, 36000), 36000);
    EXPECT_STREQ(number, " rest");
}

TEST(Units, TimeControl) {
    // A drop of 50 from the last iteration's score keeps the search going.
    for (int drop : {49, 50}) {
        resetSearchLimits();
        searchProgress.reportDepth = 2;
        searchProgress.previousScore = 100;
        searchProgress.bestScore = 100 - drop;
        searchProgress.stopRequested = true;
        applyScoreDropRule();
        EXPECT_EQ(searchProgress.scoreDropped, drop == 50);
        EXPECT_EQ(searchProgress.stopRequested, drop != 50);
    }
    // A depth limit ends the search once the iteration reaches it.
    resetSearchLimits();
    setSearchLimits(e_GoDepth, 4, 0);
    EXPECT_FALSE(applyIterationRules(3, 2, 0, 0));
    EXPECT_TRUE(applyIterationRules(4, 2, 0, 0));
    // The stopwatch counts the monotonic clock in full, and a clock that seems to run
    // backwards (a wrapped counter) gives 0, never a negative time.
    stopwatchStart(searchStopwatch);
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    EXPECT_NEAR(searchStopwatch.startTick, std::chrono::duration<double>(now).count(), 1.0);
    searchStopwatch.startTick += 1e6;
    searchStopwatch.startClock += 1e6;
    EXPECT_EQ(stopwatchElapsed(searchStopwatch), 0);
    EXPECT_EQ(stopwatchLoad(searchStopwatch), 0);
}

TEST(Units, TranspositionTable) {
    ttClear();
    const uint32_t index = 100;
    ProbeResult result{};
    EXPECT_FALSE(ttProbe(index, 7, result));
    ttStore(index, 7, 0xAAA7, 6, 10, 30000);
    ttStore(index, 7, 0, 8, -30000, 50);  // no move, no lower bound: those stay
    ASSERT_TRUE(ttProbe(index, 7, result));
    EXPECT_EQ(std::vector<int>({result.move, result.lowerDepth, result.lowerBound,
                                result.upperDepth, result.upperBound}),
              std::vector<int>({0xAAA7, 6, 10, 8, 50}));
    ttStore(index, 7, 0xC3B3, 5, 20, 30000);  // shallower: nothing changes
    ttProbe(index, 7, result);
    EXPECT_EQ(result.move, 0xAAA7);
    EXPECT_EQ(result.lowerBound, 10);
    ttStore(index, 7, 0xC3B3, 6, 20, 30000);  // as deep: replaces
    ttProbe(index, 7, result);
    EXPECT_EQ(result.move, 0xC3B3);
    EXPECT_EQ(result.lowerBound, 20);
    EXPECT_FALSE(ttProbe(index, 8, result));
    // The last index slot's bucket runs into the extra entries.
    ttStore(transpositionTable.indexMask, 9, 0x1234, 1, 0, 0);
    EXPECT_TRUE(ttProbe(transpositionTable.indexMask, 9, result));

    // A full bucket: the shallowest of the generation goes, the first of equals; then an
    // entry of an older generation, whatever its depth (a probe refreshes an entry).
    ttClear();
    for (int lock : {1, 2, 3, 4}) ttStore(index, lock, lock, "\4\2\6\2"[lock - 1], 0, 0);
    ttStore(index, 5, 5, 9, 0, 0);
    EXPECT_FALSE(ttProbe(index, 2, result));
    EXPECT_TRUE(ttProbe(index, 4, result) && ttProbe(index, 5, result));
    ttNewSearch();
    for (int lock : {1, 3, 5}) ttProbe(index, lock, result);
    ttStore(index, 6, 6, 1, 0, 0);
    EXPECT_FALSE(ttProbe(index, 4, result));
    EXPECT_TRUE(ttProbe(index, 6, result));
    int start = transpositionTable.generation;
    for (int i = 0; i < 16; i++) ttNewSearch();
    EXPECT_EQ(transpositionTable.generation, start);
    for (int age = 0; age < 16; age++)  // the age of each generation, from 0 (current) to 15
        EXPECT_EQ(transpositionTable.generationAge[(start - age) & 15], age) << age;

    // Mate scores are stored relative to the node; beyond 29744 a score is a mate.
    EXPECT_EQ(std::vector<int>({scoreToTable(30000 - 5, 3), scoreFromTable(30000 - 2, 1),
                                scoreToTable(-30000 + 5, 3), scoreFromTable(-30000 + 2, 1),
                                scoreToTable(29744, 10), isMateScore(29745), isMateScore(-29744)}),
              std::vector<int>({30000 - 2, 30000 - 3, -30000 + 2, -30000 + 3, 29744, 1, 0}));

    // The principal variation becomes hash moves of depth -128, never displacing a
    // searched move.
    ttClear();
    auto pos = positionFrom(kStartFen);
    auto after = positionFrom(kStartFen, "h2e2 h9g7");
    Move line[] = {moveOf("h2e2"), moveOf("h9g7"), moveOf("h0g2"), 0};
    ttStorePv(line, *pos);
    ASSERT_TRUE(ttProbe(uint32_t(after->key), uint32_t(after->key >> 32), result));
    EXPECT_EQ(result.move, line[2]);
    EXPECT_EQ(result.lowerDepth, -128);
    ttStore(uint32_t(pos->key), uint32_t(pos->key >> 32), moveOf("b2e2"), 1, -30000, 30000);
    ttStorePv(line, *pos);
    ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result);
    EXPECT_EQ(result.move, moveOf("b2e2"));
    ttClear();
    Move nullFirst[] = {NULL_MOVE, moveOf("h2e2"), 0};
    ttStorePv(nullFirst, *pos);
    EXPECT_FALSE(ttProbe(uint32_t(pos->key), uint32_t(pos->key >> 32), result));
}

// Killers, history and the cut-off statistics; the halvings at 16384 are rarely reached
// by the searches the other tests run.
TEST(Units, OrderingStatistics) {
    clearSearchTables();
    auto pos = positionFrom(kStartFen);
    auto index = [&](Move mv) { return (pieceKindOf[pos->board[moveFrom(mv)]] << 8) + moveTo(mv); };
    Move k = moveOf("b0c2"), m = moveOf("h0g2");
    for (Move mv : {k, m, m, moveOf("h2h9")}) updateKillersAndHistory(mv, *pos, 3, 5);
    EXPECT_EQ(std::vector<Move>({killerMoves[5][0], killerMoves[5][1]}), std::vector<Move>({m, k}));
    EXPECT_EQ(historyScore[index(m)], 18);
    historyScore[7] = 1;
    historyScore[index(k)] = 16384 - 9;
    updateKillersAndHistory(k, *pos, 3, 6);  // the whole table halves: h becomes (h + 1) / 2
    EXPECT_EQ(std::vector<int>({historyScore[index(k)], historyScore[index(m)], historyScore[7]}),
              std::vector<int>({8192, 9, 1}));
    clearSearchTables();
    recordTried(m, *pos);
    recordTried(moveOf("h2h9"), *pos);  // captures are not counted
    recordCutoff(k, *pos);
    EXPECT_EQ(std::vector<int>({triedCount[index(m)], triedCount[index(moveOf("h2h9"))],
                                cutoffCount[index(k)], triedCount[index(k)]}),
              std::vector<int>({2, 1, 2, 2}));
    triedCount[index(k)] = 16383;
    cutoffCount[index(k)] = 100;
    recordCutoff(k, *pos);
    EXPECT_EQ(std::vector<int>({triedCount[index(k)], cutoffCount[index(k)]}),
              std::vector<int>({8192, 51}));
    // The picker hands each quiet move out with its cut-off ratio, captures with the full one.
    clearSearchTables();
    cutoffCount[index(moveOf("h2e2"))] = 1;
    triedCount[index(moveOf("h2e2"))] = 8;
    MovePicker picker;
    initMovePicker(picker, *pos, false, 0, 0);
    while (Move mv = nextMove(picker)) {
        if (pos->board[moveTo(mv)] != 0) {
            EXPECT_EQ(cutoffRatio(picker), 16384);
        }
        if (mv == moveOf("h2e2")) {
            EXPECT_EQ(cutoffRatio(picker), 2048);
        }
    }
}

TEST(Units, HistoryKeepsRoomForASearch) {
    // The history keeps room for a search: moves beyond it are refused.
    auto kings = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w");
    const char* cycle[] = {"e0e1", "d9d8", "e1e0", "d8d9"};
    int played = 0;
    while (tryMoveText(*kings, packMoveText(cycle[played % 4]))) played++;
    EXPECT_EQ(played, HISTORY_SIZE - SEARCH_HISTORY_ROOM - 1);
}

class SearchScores : public testing::Test {
protected:
    void SetUp() override {
        ttClear();
        clearSearchTables();
        resetSearchLimits();
    }
};

TEST_F(SearchScores, MatesRepetitionsAndPruning) {
    Move pv[256];
    auto mated = positionFrom("4k3R/R8/9/9/9/9/9/9/9/3K5 b");
    EXPECT_EQ(quiescence(*mated, -30000, 30000, 3, pv), -29997);
    EXPECT_EQ(searchNode(*mated, -30000, 30000, 3, 7, pv, false), -29993);
    ProbeResult entry;
    EXPECT_FALSE(ttProbe(uint32_t(mated->key), uint32_t(mated->key >> 32), entry));
    // The side to move at the root scores a repetition as -20 for itself, others +20.
    auto quiet = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w", "e0e1 d9d8 e1e0 d8d9 e0e1");
    EXPECT_EQ(quiescence(*quiet, -30000, 30000, 0, pv), -20);
    quiet->rootCount--;
    EXPECT_EQ(quiescence(*quiet, -30000, 30000, 1, pv), 20);
    EXPECT_EQ(searchNode(*quiet, -30000, 30000, 4, 1, pv, false), 20);
    // Checking throughout loses like being mated, for the side that gave every check.
    auto checker = positionFrom("4k4/9/9/9/9/9/9/9/4R4/3K5 b", "e9f9 e1f1 f9e9 f1e1 e9f9");
    checker->rootCount -= 2;
    EXPECT_EQ(quiescence(*checker, -30000, 30000, 2, pv), 2 - 30000);
    auto checked = positionFrom("4k4/9/9/9/9/9/9/9/5R3/3K5 w", "f1e1 e9f9 e1f1 f9e9 f1e1");
    checked->rootCount -= 3;
    EXPECT_EQ(quiescence(*checked, -30000, 30000, 3, pv), 30000 - 3);
    EXPECT_EQ(repetitionScore(7, 3), 0);
    // Mate-distance pruning.
    auto start = positionFrom(kStartFen);
    EXPECT_EQ(quiescence(*start, 29990, 30000, 12, pv), 29987);
    EXPECT_EQ(searchNode(*start, 29990, 30000, 5, 12, pv, true), 29987);
}

TEST_F(SearchScores, TheSearchLeavesItsRootAlone) {
    auto root = positionFrom(kStartFen, "h2e2 h9g7 h0g2 i9h9");
    Position before = *root;
    setSearchLimits(e_GoDepth, 6, 0);
    EXPECT_TRUE(iterativeDeepening(*root));
    EXPECT_TRUE(samePosition(before, *root));
    // A stop heard once iteration 1 is complete aborts the search at that poll.
    resetSearchLimits();
    setSearchLimits(e_GoDepth, 20, 0);
    searchLimits.pollInterval = 64;
    searchHooks.pollInput = [] { return searchLimits.abortArmed; };
    EXPECT_FALSE(iterativeDeepening(*root));
    searchHooks.pollInput = nullptr;
    EXPECT_GT(searchProgress.iterationDepth, 1);
    EXPECT_NE(searchProgress.bestMove, 0u);
    EXPECT_TRUE(samePosition(before, *root));
}

// The closing lines' figures (masked in the transcripts): milliseconds, nodes per second
// and the load in thousandths; only a legal best move is printed, a ponder move only
// when it is legal after it.
TEST(Units, ClosingReportFigures) {
    auto start = positionFrom(kStartFen);
    resetSearchLimits();
    searchStats = SearchStats{1234, 5, 2.5, 493.6, 0.5};
    const std::pair<const char*, const char*> cases[] = {{"h2e2 h9g7", "bestmove h2e2 ponder h9g7"},
                                                         {"h2e2 h2e3", "bestmove h2e2"},
                                                         {"a0a5 h9g7", "bestmove e0e1"}};
    for (const auto& [pv, answer] : cases) {
        std::string first(pv, 4), second(pv + 5, 4);
        searchProgress.bestMove = searchProgress.pv[0] = moveOf(first.c_str());
        searchProgress.pv[1] = moveOf(second.c_str());
        searchProgress.pv[2] = 0;
        testing::internal::CaptureStdout();
        reportBestMove(*start);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  std::string("info time 2500 nodes 1234 nps 494 cpuload 500\n") + answer + "\n");
    }
}
