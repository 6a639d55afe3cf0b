// Rules stated by their numbers, where a report or transcript would not show a fault:
// parser bounds, time control, the transposition table, ordering statistics, make and
// unmake, FEN refusals, move texts and the search's special scores.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>

#include "engine/output.h"
#include "engine/parser.h"
#include "engine/timecontrol.h"
#include "eval/psqt.h"
#include "position/keys.h"
#include "position/tables.h"
#include "search/movepick.h"
#include "search/search.h"
#include "search/tt.h"
#include "test_util.h"

TEST(Units, ParserCodesAndBounds) {
    struct Case {
        const char* line;
        int code, arg1, arg2, arg3;
    } cases[] = {
        {"go depth 5", e_CommGo, e_GoDepth, 5, -1},
        {"go depth 40", e_CommGo, e_GoDepth, 31, -1},
        {"go depth x", e_CommGo, e_GoDepth, 0, -1},
        {"go infinite", e_CommGo, e_GoDepth, 31, -1},
        {"go ponder", e_CommGo, e_GoDepth, 31, -1},
        {"go ponder time 300", e_CommGoPonder, -1, -1, -1},
        {"go time 60 movestogo 40", e_CommGo, e_GoMovesToGo, 60, 40},
        {"go time 300 movestogo 0", e_CommGo, e_GoMovesToGo, 300, 1},
        {"go time 300 movestogo 500", e_CommGo, e_GoMovesToGo, 300, 100},
        {"go time 100 increment 2", e_CommGo, e_GoIncrement, 100, 2},
        {"go time 100 increment 9999", e_CommGo, e_GoIncrement, 100, 600},
        {"go time 99999999999999999999", e_CommGo, e_GoMovesToGo, 36000, 1},
        {"go time x", e_CommGo, e_GoMovesToGo, 0, 1},
        {"setoption batch on", e_CommSetOption, 1, 1, -1},
        {"setoption batch true", e_CommSetOption, 1, 1, -1},
        {"setoption batch off", e_CommSetOption, 1, 0, -1},
        {"setoption debug truex", e_CommSetOption, 2, 1, -1},
        {"setoption hashsize 5000", e_CommSetOption, 5, 1024, -1},
        {"setoption threads 64", e_CommSetOption, 6, 32, -1},
        {"setoption drawmoves 300", e_CommSetOption, 7, 200, -1},
        {"setoption repetition alwaysdraw", e_CommSetOption, 8, 0, -1},
        {"setoption repetition checkban", e_CommSetOption, 8, 1, -1},
        {"setoption repetition asianrule", e_CommSetOption, 8, 2, -1},
        {"setoption repetition other", e_CommSetOption, 8, 3, -1},
        {"setoption pruning large", e_CommSetOption, 9, 3, -1},
        {"setoption knowledge small", e_CommSetOption, 10, 1, -1},
        {"setoption selectivity medium", e_CommSetOption, 11, 2, -1},
        {"setoption style risky", e_CommSetOption, 12, 2, -1},
        {"setoption style solid", e_CommSetOption, 12, 0, -1},
        {"setoption style normal", e_CommSetOption, 12, 1, -1},
        {"setoption loadbook", e_CommSetOption, e_OptionLoadBook, -1, -1},
        {"setoption foo", e_CommSetOption, e_OptionNone, -1, -1},
        {"position startpos moves h2e2 h9g7", e_CommPosition, -1, 2, -1},
        {"position fen 4k4/9/9/9/9/9/9/9/9/4K4 b - - 0 1 moves e9e8", e_CommPosition, -1, 1, -1},
        {"move h2e2 h9g7 h0g2", e_CommMove, -1, 3, -1},
        {"banmoves a0a1 b0b1", e_CommBanMoves, 2, -1, -1},
        {"isready", e_CommIsReady, -1, -1, -1},
        {"quit ", e_CommNone, -1, -1, -1},
        {"stop", e_CommStop, -1, -1, -1},
        {"scr", e_CommScr, -1, -1, -1},
        {"quit", e_CommQuit, -1, -1, -1},
    };
    for (const Case& c : cases) {
        char line[256];
        std::strcpy(line, c.line);
        CommandArgs args{};
        EXPECT_EQ(parseCommandLine(line, args), c.code) << c.line;
        // -1: an argument that is not a number for this command.
        if (c.arg1 >= 0) EXPECT_EQ(args.arg1.number, c.arg1) << c.line;
        if (c.arg2 >= 0) EXPECT_EQ(args.arg2.number, c.arg2) << c.line;
        if (c.arg3 >= 0) EXPECT_EQ(args.arg3.number, c.arg3) << c.line;
    }
    char files[] = "setoption bookfiles a.bin;b.bin";
    CommandArgs args{};
    parseCommandLine(files, args);
    EXPECT_STREQ(args.arg2.text, "a.bin;b.bin");
    const char* text = "99999999999999999999 rest";
    EXPECT_EQ(parseBoundedNumber(&text, 36000), 36000);
    EXPECT_STREQ(text, " rest");
}

TEST(Units, TimeControl) {
    struct Case {
        int mode, arg2, arg3;
        double perMove, maximum;
    } cases[] = {
        {e_GoMovesToGo, 60, 40, 1, 2},      // 60 / 40 rounds down
        {e_GoMovesToGo, 300, 1, 300, 300},  // twice the share is more than all
        {e_GoMovesToGo, 300, 0, 300, 300}, {e_GoMovesToGo, 100, 3, 33, 66},
        {e_GoIncrement, 100, 2, 7, 14},    {e_GoIncrement, 10, 600, 600.5, 10},
    };
    for (const Case& c : cases) {
        resetSearchLimits();
        setSearchLimits(c.mode, c.arg2, c.arg3);
        EXPECT_TRUE(searchLimits.timeLimited && !searchLimits.depthLimited) << c.arg2;
        EXPECT_DOUBLE_EQ(searchLimits.perMoveTime, c.perMove) << c.arg2 << " " << c.arg3;
        EXPECT_DOUBLE_EQ(searchLimits.maximumTime, c.maximum) << c.arg2 << " " << c.arg3;
    }
    // The stop rules after an iteration, with 10 seconds a move: elapsed time, whether
    // the score dropped, an easy move (150 ahead at depth 1), a root fail-high, a mate.
    struct Rule {
        double elapsed;
        bool dropped, easy, failHigh;
        int depth, first, second, bestScore;
        bool stops;
    } rules[] = {
        {9.9, false, false, false, 3, 0, 0, 0, true},   // 0.6 of the time
        {5.9, false, false, false, 3, 0, 0, 0, false},  // below 0.6
        {5.9, true, false, false, 3, 0, 0, 0, false},
        {9.9, true, false, false, 3, 0, 0, 0, false},  // the score dropped last time
        {10, true, false, false, 3, 0, 0, 0, false},
        {10, false, false, false, 3, 0, 0, 0, true},
        {7, false, false, true, 3, 0, 0, 0, false},    // 0.6 does not count after a fail-high
        {2, false, false, false, 1, 150, 0, 0, true},  // easy at 0.2
        {1.9, false, false, false, 1, 150, 0, 0, false},
        {2, false, false, false, 1, 149, 0, 0, false},
        {0, false, false, false, 3, 0, 0, MATE_BOUND + 1, true},
        {0, false, false, false, 3, 0, 0, -MATE_BOUND - 1, true},
        {0, false, false, false, 3, 0, 0, MATE_BOUND, false},
    };
    for (const Rule& r : rules) {
        resetSearchLimits();
        setSearchLimits(e_GoMovesToGo, 10, 1);
        searchStats.elapsed = r.elapsed;
        searchProgress.scoreDropped = r.dropped;
        searchProgress.rootFailHigh = r.failHigh;
        searchProgress.bestScore = r.bestScore;
        EXPECT_EQ(applyIterationRules(r.depth, 2, r.first, r.second), r.stops)
            << r.elapsed << " " << r.depth << " " << r.first << " " << r.bestScore;
    }
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
    // The stopwatch counts the monotonic clock in full: it does not wrap.
    stopwatchStart(searchStopwatch);
    double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(searchStopwatch.startTick, now, 1.0);
    EXPECT_GE(stopwatchElapsed(searchStopwatch), 0);
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
    EXPECT_EQ(transpositionTable.generationAge[start], 0);
    EXPECT_EQ(transpositionTable.generationAge[(start + 15) & 15], 1);

    // Mate scores are stored relative to the node.
    EXPECT_EQ(scoreToTable(30000 - 5, 3), 30000 - 2);
    EXPECT_EQ(scoreFromTable(30000 - 2, 1), 30000 - 3);
    EXPECT_EQ(scoreToTable(-30000 + 5, 3), -30000 + 2);
    EXPECT_EQ(scoreFromTable(-30000 + 2, 1), -30000 + 3);
    EXPECT_EQ(scoreToTable(29744, 10), 29744);
    EXPECT_TRUE(isMateScore(29745));
    EXPECT_FALSE(isMateScore(-29744));

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

TEST(Units, OrderingStatistics) {
    clearSearchTables();
    auto pos = positionFrom(kStartFen);
    auto index = [&](Move mv) { return (pieceKindOf[pos->board[moveFrom(mv)]] << 8) + moveTo(mv); };
    Move k = moveOf("b0c2"), m = moveOf("h0g2");
    updateKillersAndHistory(k, *pos, 3, 5);
    updateKillersAndHistory(m, *pos, 3, 5);
    updateKillersAndHistory(m, *pos, 3, 5);
    updateKillersAndHistory(moveOf("h2h9"), *pos, 3, 5);  // a capture changes nothing
    EXPECT_EQ(killerMoves[5][0], m);
    EXPECT_EQ(killerMoves[5][1], k);
    EXPECT_EQ(historyScore[index(m)], 18);
    // Reaching 16384 halves the whole table: h becomes (h + 1) / 2.
    historyScore[7] = 1;
    historyScore[index(k)] = 16384 - 9;
    updateKillersAndHistory(k, *pos, 3, 6);
    EXPECT_EQ(historyScore[index(k)], 8192);
    EXPECT_EQ(historyScore[index(m)], 9);
    EXPECT_EQ(historyScore[7], 1);
    // Cut-offs and tries of quiet moves; 16384 tries halve both counts.
    clearSearchTables();
    recordTried(m, *pos);
    recordTried(moveOf("h2h9"), *pos);
    recordCutoff(k, *pos);
    EXPECT_EQ(std::vector<int>({triedCount[index(m)], triedCount[index(moveOf("h2h9"))],
                                cutoffCount[index(k)], triedCount[index(k)]}),
              std::vector<int>({2, 1, 2, 2}));
    triedCount[index(k)] = 16383;
    cutoffCount[index(k)] = 100;
    recordCutoff(k, *pos);
    EXPECT_EQ(triedCount[index(k)], 8192);
    EXPECT_EQ(cutoffCount[index(k)], 51);
    // The picker hands each quiet move out with its cut-off ratio.
    clearSearchTables();
    cutoffCount[index(moveOf("h2e2"))] = 1;
    triedCount[index(moveOf("h2e2"))] = 8;
    MovePicker picker;
    initMovePicker(picker, *pos, false, 0, 0);
    while (Move mv = nextMove(picker)) {
        if (pos->board[moveTo(mv)] != 0) EXPECT_EQ(picker.cutoffRatio, 16384);
        if (mv == moveOf("h2e2")) EXPECT_EQ(picker.cutoffRatio, 2048);
    }
    // The sort is stable, by descending score, with a sentinel after the last move.
    MoveList list{4, {1, 2, 3, 4}, {5, 7, 5, 9}};
    sortMoveList(list);
    EXPECT_EQ(movesOf(list), (std::vector<Move>{4, 2, 1, 3}));
    EXPECT_EQ(list.scores[4], -32768);
}

namespace {

// Every derived field of the Position agrees with its board.
void expectConsistent(const Position& pos) {
    uint16_t rankBits[16] = {}, fileBits[16] = {};
    uint32_t mask = 0;
    int scores[2] = {};
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        ASSERT_EQ(pos.board[sq], p);
        rankBits[rankOf(sq)] |= fileBitOf[sq];
        fileBits[fileOf(sq)] |= rankBitOf[sq];
        mask |= 1u << (p - 16);
        scores[p >= BLACK_BIT] += pieceValue(p, sq);
    }
    for (int sq = 0; sq < 256; sq++) {
        if (pos.board[sq] != 0) ASSERT_EQ(pos.pieceSquare[pos.board[sq]], sq);
    }
    ASSERT_EQ(0, std::memcmp(rankBits, pos.rankBits, sizeof rankBits));
    ASSERT_EQ(0, std::memcmp(fileBits, pos.fileBits, sizeof fileBits));
    ASSERT_EQ(mask, pos.pieceMask);
    ASSERT_EQ(pos.key, computeKey(pos));
    ASSERT_EQ(pos.keyHistory[pos.historyCount - 1], pos.key);
    ASSERT_EQ(pos.redScore, scores[0]);
    ASSERT_EQ(pos.blackScore, scores[1]);
}

// Everything make and unmake touch, history included.
bool samePosition(const Position& a, const Position& b) {
    return std::memcmp(&a, &b, offsetof(Position, moveHistory)) == 0 &&
           std::memcmp(a.moveHistory, b.moveHistory, sizeof(MoveRecord) * a.historyCount) == 0 &&
           std::memcmp(a.keyHistory, b.keyHistory, sizeof(uint64_t) * a.historyCount) == 0;
}

}  // namespace

TEST(Units, MakeUnmakeOnRandomGames) {
    std::mt19937 random(12345);
    for (int game = 0; game < 30; game++) {
        auto pos = positionFrom(kStartFen);
        for (int ply = 0; ply < 150; ply++) {
            MoveList legal, all;
            generateLegalMoves(legal, *pos);
            if (legal.count == 0) break;
            generateAllMoves(all, *pos);
            for (int i = 0; i <= all.count; i++) {
                Position before = *pos;
                UndoRecord undo;
                if (i == all.count) {
                    makeNullMove(*pos, undo);
                    ASSERT_NO_FATAL_FAILURE(expectConsistent(*pos));
                    EXPECT_EQ(repetitionStatus(*pos), 0);
                    unmakeNullMove(*pos, undo);
                } else {
                    makeMove(*pos, all.moves[i], undo);
                    ASSERT_NO_FATAL_FAILURE(expectConsistent(*pos));
                    unmakeMove(*pos, all.moves[i], undo);
                }
                ASSERT_TRUE(samePosition(before, *pos)) << i;
            }
            Move mv = legal.moves[random() % legal.count];
            UndoRecord undo;
            makeMove(*pos, mv, undo);
            EXPECT_EQ(inCheckNow(*pos), isSideInCheck(*pos, pos->side));
            EXPECT_EQ(bool(pos->moveHistory[pos->historyCount - 1] & CHECK_BIT), inCheckNow(*pos));
        }
    }
}

TEST(Units, FensAndMoveTexts) {
    Position pos;
    for (const char* fen :
         {"", "rnbakabnr/9/1c5c1", "4k4/9/9/9/9/9/9/9/9/4K4", "4k4/9/9/9/9/9/9/9/9/3K5w",
          "3kk4/9/9/9/9/9/9/9/9/4K4 w", "4k4/9/9/9/9/9/9/9/9/3RRRK2 w",
          "4k4/9/9/PPPPPP3/9/9/9/9/9/4K4 w", "4k4/9/9/9/9/9/9/9/9/9 w", "9/9/9/9/9/9/9/9/9/4K4 w",
          "4k4/9/9/9/9/9/9/9/9/4K4 w", "4k4/9/9/9/9/9/9/9/3r5/3K5 b", " w",
          "3A5/4k4/9/9/9/9/9/9/9/3K5 w", "9/9/9/9/9/9/9/3kK4/9/9 w", "4k4/9/4B4/9/9/9/9/9/9/3K5 w",
          "3k5/9/9/9/9/9/9/9/4B4/4K4 w", "3k5/9/9/9/9/9/9/9/P8/4K4 w",
          "3k5/9/9/9/9/1P7/9/9/9/4K4 w", "3k5/9/9/9/9/9/9/9/9/4K2A1 w"})
        EXPECT_FALSE(setupFen(pos, fen)) << fen;
    for (const char* fen : {"4k4/9/9/9/9/9/9/9/4R4/3K5 b", "P2k5/1P7/9/9/9/9/9/9/9/4K4 w",
                            "2b2k3/9/9/9/9/9/9/9/9/4K1p2 w", "3k5/9/9/9/9/9/9/9/9/4K4 r"})
        EXPECT_TRUE(setupFen(pos, fen)) << fen;
    char text[5];
    EXPECT_FALSE(moveToText(0xAAA7, text, 4));
    EXPECT_TRUE(moveToText(0x0101, text, 5));
    EXPECT_STREQ(text, "null");
    EXPECT_EQ(std::vector<Move>(
                  {moveOf("h2e2"), moveOf("a0i9"), moveOf("j2e2"), moveOf("h2e:"), moveOf("H2E2")}),
              std::vector<Move>({0xAAA7, 0xC33B, 0, 0, 0}));
    EXPECT_EQ(std::vector<bool>(
                  {isRealMove(0xAAA7), isRealMove(0), isRealMove(0x0101), isRealMove(0x10000)}),
              std::vector<bool>({true, false, false, false}));
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

TEST_F(SearchScores, TheDriverLeavesTheEnginePositionAlone) {
    consoleMuted = true;
    enginePosition = *positionFrom(kStartFen, "h2e2 h9g7 h0g2 i9h9");
    enginePositionValid = true;
    Position before = enginePosition;
    setSearchLimits(e_GoDepth, 6, 0);
    searchDriver();
    EXPECT_TRUE(samePosition(before, enginePosition));
    // Aborted by a time limit of 0 at the first poll after iteration 1.
    resetSearchLimits();
    setSearchLimits(e_GoMovesToGo, 0, 1);
    searchLimits.pollInterval = 64;
    searchDriver();
    consoleMuted = false;
    EXPECT_NE(searchProgress.bestMove, 0u);
    EXPECT_TRUE(samePosition(before, enginePosition));
}
