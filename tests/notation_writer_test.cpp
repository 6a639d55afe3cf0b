// The notation writer: the forms it gives, and a round trip through the reader. Every
// legal move of many positions (random games from the start and from positions crowded
// with tandem pieces) must read back as exactly that move.
#include <gtest/gtest.h>

#include <random>

#include "games/encoding.h"
#include "games/notation.h"
#include "games/textgames.h"
#include "test_util.h"

namespace {

// A move, and the texts the writer must give for it.
struct Written {
    const char* fen;
    const char* moves;
    const char* move;
    const char* chinese;
    const char* wxf;
};

// Tandem pieces. Crowded red: four red pawns on file 五 and one on file 三, two red rooks and
// two knights on file 六. Crowded black: five black pawns on file 5, two cannons on file 1,
// two advisors on file 4, two bishops on 3. Then three red pawns on file 五 and two on file
// 七, and three alone.
constexpr char kCrowdedRed[] = "4k4/9/4P4/3RP1P2/3RP4/3NP4/3N5/9/9/5K3 w - - 0 1";
constexpr char kCrowdedBlack[] = "2bak4/9/c2a5/c3p4/2b1p4/4p4/4p4/4p4/9/3K5 b - - 0 1";
constexpr char kThreeAndTwo[] = "3k5/9/2P1P4/2P1P4/4P4/9/9/9/9/5K3 w - - 0 1";
constexpr char kThree[] = "3k5/9/4P4/4P4/4P4/9/9/9/9/5K3 w - - 0 1";

// clang-format off
const Written kWritten[] = {
    {kStartFen,     "",     "h2e2", "炮二平五",   "C2=5"},
    {kStartFen,     "h2e2", "h9g7", "馬８進７",   "H8+7"},
    {kStartFen,     "",     "g0e2", "相三進五",   "E3+5"},
    {kStartFen,     "",     "f0e1", "仕四進五",   "A4+5"},
    {kStartFen,     "",     "i0i1", "車一進一",   "R1+1"},
    {kStartFen,     "h2e2", "c6c5", "卒３進１",   "P3+1"},
    {kCrowdedRed,   "",     "d6d7", "前車進一",   "+R+1"},
    {kCrowdedRed,   "",     "d5c5", "後車平七",   "-R=7"},
    {kCrowdedRed,   "",     "d4b3", "前馬退八",   "+H-8"},
    {kCrowdedRed,   "",     "d3e1", "後馬退五",   "-H-5"},
    {kCrowdedRed,   "",     "e7e8", "一兵進一",   "1P+1"},
    {kCrowdedRed,   "",     "e6f6", "二兵平四",   "2P=4"},
    {kCrowdedRed,   "",     "e5f5", "三兵平四",   "3P=4"},
    {kCrowdedRed,   "",     "g6g7", "兵三進一",   "P3+1"},
    {kCrowdedBlack, "",     "e2d2", "一卒平４",   "1P=4"},
    {kCrowdedBlack, "",     "e3f3", "二卒平６",   "2P=6"},
    {kCrowdedBlack, "",     "a6a5", "前炮進１",   "+C+1"},
    {kCrowdedBlack, "",     "a7b7", "後炮平２",   "-C=2"},
    {kCrowdedBlack, "",     "d7e8", "士４退５",   "A4-5"},
    {kCrowdedBlack, "",     "d9e8", "士４進５",   "A4+5"},
    {kCrowdedBlack, "",     "c5e7", "象３退５",   "E3-5"},
    {kCrowdedBlack, "",     "c9e7", "象３進５",   "E3+5"},
    {kThreeAndTwo,  "",     "e6f6", "中兵五平四", "2P5=4"},
    {kThreeAndTwo,  "",     "c6d6", "後兵七平六", "-P7=6"},
    {kThreeAndTwo,  "",     "e7e8", "前兵五進一", "+P5+1"},
    {kThree,        "",     "e7f7", "前兵平四",   "+P=4"},
    {kThree,        "",     "e6f6", "中兵平四",   "2P=4"},
    {kThree,        "",     "e5d5", "後兵平六",   "-P=6"},
};
// clang-format on

std::vector<uint32_t> codePoints(const std::string& utf8) {
    std::vector<uint32_t> chars;
    for (const char* p = utf8.data(); p < utf8.data() + utf8.size();) {
        size_t length = charLength(TextEncoding::Utf8, p, utf8.data() + utf8.size());
        chars.push_back(decodeChar(TextEncoding::Utf8, p, length));
        p += length;
    }
    return chars;
}

// The move the reader finds for the text in the notation, or "unknown" / "none" /
// "several" / "other notation".
std::string readBack(const std::string& text, Notation expected, Position& pos) {
    if (expected == Notation::Iccs) {
        uint32_t packed;
        return parseMoveToken(text, packed) ? textOf(moveFromText(packed)) : "unknown";
    }
    std::vector<uint32_t> chars = codePoints(text);
    NotationMove parsed;
    Notation notation = parseNotationMove(chars.data(), int(chars.size()), parsed);
    if (notation == Notation::Unknown) return "unknown";
    if (notation != expected) return "other notation";
    Move found = 0;
    int matches = resolveNotationMove(parsed, pos, found);
    return matches == 0 ? "none" : matches > 1 ? "several" : textOf(found);
}

}  // namespace

TEST(NotationWriter, WritesTheFormsOfMasterGames) {
    for (const Written& w : kWritten) {
        auto pos = positionFrom(w.fen, w.moves);
        ASSERT_NE(pos, nullptr) << w.fen << " " << w.moves;
        Move move = moveOf(w.move);
        ASSERT_TRUE(isFullyLegal(move, *pos)) << w.fen << " " << w.move;
        EXPECT_EQ(chineseMoveText(*pos, move), w.chinese) << w.fen << " " << w.move;
        EXPECT_EQ(wxfMoveText(*pos, move), w.wxf) << w.fen << " " << w.move;
    }
    EXPECT_EQ(iccsMoveText(moveOf("h2e2")), "H2-E2");
    EXPECT_EQ(iccsMoveText(moveOf("a9a0")), "A9-A0");
}

// Random games from each start; in every position, every legal move in each notation.
TEST(NotationWriter, EveryLegalMoveReadsBackAsItself) {
    std::mt19937 random(20260419);
    const char* starts[] = {kStartFen,    kCrowdedRed, kCrowdedBlack,
                            kThreeAndTwo, kThree,      kMidgameFen};
    int checked = 0;
    for (const char* start : starts) {
        for (int game = 0; game < 40; game++) {
            auto pos = positionFrom(start);
            ASSERT_NE(pos, nullptr) << start;
            for (int ply = 0; ply < 120; ply++) {
                MoveList legal;
                generateLegalMoves(legal, *pos);
                if (legal.count == 0) break;
                for (Move move : movesOf(legal)) {
                    for (Notation notation : {Notation::Chinese, Notation::Wxf, Notation::Iccs}) {
                        std::string text = moveTextIn(notation, *pos, move);
                        ASSERT_EQ(readBack(text, notation, *pos), textOf(move))
                            << text << " in " << start << " after " << ply << " plies";
                    }
                    checked++;
                }
                Move chosen = legal.moves[random() % unsigned(legal.count)];
                if (!tryMoveText(*pos, packMoveText(textOf(chosen).c_str()))) break;
            }
        }
    }
    EXPECT_GT(checked, 100000);
}
