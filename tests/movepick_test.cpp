// Move ordering: the stable sort, the staged picker's hand-out order, killers, history
// and the cut-off statistics.
#include "search/movepick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "test_util.h"

namespace {

class MovePickTest : public testing::Test {
protected:
    void SetUp() override { clearSearchTables(); }
    void TearDown() override { clearSearchTables(); }
};

std::vector<Move> pickAll(Position& pos, bool inCheck, int ply, Move hashMove) {
    MovePicker picker;
    initMovePicker(picker, pos, inCheck, ply, hashMove);
    std::vector<Move> moves;
    while (Move move = nextMove(picker)) moves.push_back(move);
    EXPECT_EQ(nextMove(picker), 0);
    return moves;
}

std::vector<Move> sorted(std::vector<Move> moves) {
    std::sort(moves.begin(), moves.end());
    return moves;
}

int historyIndexOf(const Position& pos, Move move) {
    return (pieceKindOf[pos.board[moveFrom(move)]] << 8) + moveTo(move);
}

}  // namespace

TEST_F(MovePickTest, StableSortByDescendingScore) {
    MoveList list;
    list.count = 4;
    Move moves[] = {1, 2, 3, 4};
    int16_t scores[] = {5, 7, 5, 9};
    for (int i = 0; i < 4; i++) {
        list.moves[i] = moves[i];
        list.scores[i] = scores[i];
    }
    sortMoveList(list);
    EXPECT_EQ(movesOf(list), (std::vector<Move>{4, 2, 1, 3}));
    EXPECT_EQ(list.scores[4], -32768);
}

TEST_F(MovePickTest, StagesHandOutEveryLegalMoveOnce) {
    // A middlegame with captures and quiet moves.
    auto pos = positionFrom(kStartFen, "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5");
    ASSERT_TRUE(pos);
    MoveList legal;
    generateLegalMoves(legal, *pos);
    std::vector<Move> all = movesOf(legal);
    killerMoves[3][0] = moveOf("b0c2");
    killerMoves[3][1] = moveOf("h6g6");  // a capture: not handed out as a killer
    // A quiet hash move, a capturing one, and two that are not moves here at all.
    for (Move hash : {Move(0), moveOf("g3g4"), moveOf("h6h7"), moveOf("a0a5"), Move(0x1234)}) {
        std::vector<Move> picked = pickAll(*pos, false, 3, hash);
        EXPECT_EQ(sorted(picked), sorted(all)) << textOf(hash);
        if (hash == moveOf("g3g4") || hash == moveOf("h6h7")) {
            EXPECT_EQ(picked[0], hash);
        }
    }
    // Order: hash move, captures by victim then attacker, killer, quiet moves.
    std::vector<Move> picked = pickAll(*pos, false, 3, moveOf("g3g4"));
    MoveList captures;
    generateCaptures(captures, *pos);
    size_t captureCount = 0;
    for (int i = 0; i < captures.count; i++) captureCount += isLegalMove(captures.moves[i], *pos);
    EXPECT_EQ(picked[1 + captureCount], moveOf("b0c2"));
    for (size_t i = 1; i <= captureCount; i++) EXPECT_NE(pos->board[moveTo(picked[i])], 0);
    EXPECT_EQ(textOf(picked[1]), "h6h7");  // the rook takes the cannon before any pawn
}

TEST_F(MovePickTest, KillerEqualToTheHashMoveComesOnce) {
    auto pos = positionFrom(kStartFen);
    killerMoves[0][0] = moveOf("b0c2");
    std::vector<Move> picked = pickAll(*pos, false, 0, moveOf("b0c2"));
    EXPECT_EQ(picked.size(), 44u);
    EXPECT_EQ(std::count(picked.begin(), picked.end(), moveOf("b0c2")), 1);
    EXPECT_EQ(picked[0], moveOf("b0c2"));
}

TEST_F(MovePickTest, QuietMovesCarryTheirCutoffRatio) {
    auto pos = positionFrom(kStartFen);
    Move quiet = moveOf("h2e2");
    int index = historyIndexOf(*pos, quiet);
    cutoffCount[index] = 1;
    triedCount[index] = 8;
    MovePicker picker;
    initMovePicker(picker, *pos, false, 0, 0);
    while (Move move = nextMove(picker)) {
        if (pos->board[moveTo(move)] != 0) {
            EXPECT_EQ(picker.cutoffRatio, 16384);
        } else if (move == quiet) {
            EXPECT_EQ(picker.cutoffRatio, 2048);
        }
    }
}

TEST_F(MovePickTest, InCheckThePickerOrdersAllLegalMoves) {
    // Black to move in check from the rook on e1.
    auto pos = positionFrom("3akab2/9/9/9/9/9/9/9/4R4/3K5 b");
    ASSERT_TRUE(pos && inCheckNow(*pos));
    MoveList legal;
    generateLegalMoves(legal, *pos);
    Move hash = legal.moves[legal.count - 1];
    std::vector<Move> picked = pickAll(*pos, true, 2, hash);
    EXPECT_EQ(sorted(picked), sorted(movesOf(legal)));
    EXPECT_EQ(picked[0], hash);
}

TEST_F(MovePickTest, KillersAndHistory) {
    auto pos = positionFrom(kStartFen);
    Move k = moveOf("b0c2"), m = moveOf("h0g2");
    updateKillersAndHistory(k, *pos, 3, 5);
    updateKillersAndHistory(m, *pos, 3, 5);
    EXPECT_EQ(killerMoves[5][0], m);
    EXPECT_EQ(killerMoves[5][1], k);
    updateKillersAndHistory(m, *pos, 3, 5);
    EXPECT_EQ(killerMoves[5][0], m);
    EXPECT_EQ(killerMoves[5][1], k);
    EXPECT_EQ(historyScore[historyIndexOf(*pos, m)], 18);
    // Captures change nothing.
    updateKillersAndHistory(moveOf("h2h9"), *pos, 3, 5);
    EXPECT_EQ(killerMoves[5][0], m);
    // Reaching 16384 halves the whole table: h becomes (h + 1) / 2.
    historyScore[7] = 1;
    historyScore[historyIndexOf(*pos, k)] = 16384 - 9;
    updateKillersAndHistory(k, *pos, 3, 6);
    EXPECT_EQ(historyScore[historyIndexOf(*pos, k)], 8192);
    EXPECT_EQ(historyScore[historyIndexOf(*pos, m)], 9);
    EXPECT_EQ(historyScore[7], 1);
    EXPECT_EQ(historyScore[8], 0);
}

TEST_F(MovePickTest, CutoffStatistics) {
    auto pos = positionFrom(kStartFen);
    Move cut = moveOf("b0c2");
    std::vector<Move> tried = {moveOf("h0g2"), moveOf("a3a4"), moveOf("c3c4"), moveOf("b2e2"),
                               moveOf("g0e2")};
    for (Move move : tried) recordTried(move, *pos);
    recordCutoff(cut, *pos);
    recordTried(moveOf("h2h9"), *pos);  // a capture: ignored
    for (Move move : tried) EXPECT_EQ(triedCount[historyIndexOf(*pos, move)], 2);
    EXPECT_EQ(cutoffCount[historyIndexOf(*pos, cut)], 2);
    EXPECT_EQ(triedCount[historyIndexOf(*pos, cut)], 2);
    EXPECT_EQ(triedCount[historyIndexOf(*pos, moveOf("h2h9"))], 1);
    int index = historyIndexOf(*pos, cut);
    triedCount[index] = 16383;
    cutoffCount[index] = 100;
    recordCutoff(cut, *pos);
    EXPECT_EQ(triedCount[index], 8192);
    EXPECT_EQ(cutoffCount[index], 51);
}

TEST_F(MovePickTest, QuiescencePickerCapturesOrEvasions) {
    auto pos = positionFrom(kStartFen);
    QuiescencePicker picker;
    initQuiescencePicker(picker, *pos, false);
    std::vector<Move> picked;
    while (Move move = nextQuiescenceMove(picker)) picked.push_back(move);
    EXPECT_EQ(picked, (std::vector<Move>{0xA434, 0xAA3A}));
    auto check = positionFrom("3akab2/9/9/9/9/9/9/9/4R4/3K5 b");
    initQuiescencePicker(picker, *check, true);
    picked.clear();
    while (Move move = nextQuiescenceMove(picker)) picked.push_back(move);
    MoveList legal;
    generateLegalMoves(legal, *check);
    EXPECT_EQ(sorted(picked), sorted(movesOf(legal)));
}
