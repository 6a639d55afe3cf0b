// Moves in Chinese and WXF notation resolved against positions: every form of writing
// the piece, its file, tandem pieces and pawns, for both sides.
#include "games/notation.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

// Three red pawns on file 五 (e7 e6 e5) and two on file 七 (c7 c6).
constexpr char kPawns[] = "3k5/9/2P1P4/2P1P4/4P4/9/9/9/9/5K3 w - - 0 1";
// Two red cannons on file 六 (d2 d1).
constexpr char kCannons[] = "3ak1b2/9/9/9/9/9/9/3C5/3C5/5K3 w - - 0 1";
// Two black rooks on file 1 (a5 a4); a4 is black's front one.
constexpr char kRooks[] = "4k4/9/9/9/r8/r8/9/9/9/3K4 b - - 0 1";

struct Case {
    const char* fen;
    const char* moves;
    const char32_t* text;
    // The UCCI move, or "none" / "several".
    const char* expected;
};

// clang-format off
const Case kCases[] = {
    {kStartFen, "", U"炮二平五", "h2e2"},      {kStartFen, "", U"砲八平五", "b2e2"},
    {kStartFen, "", U"马二进三", "h0g2"},      {kStartFen, "", U"傌二進三", "h0g2"},
    {kStartFen, "", U"車一進一", "i0i1"},      {kStartFen, "", U"俥九平八", "none"},
    {kStartFen, "", U"相三进五", "g0e2"},      {kStartFen, "", U"仕四进五", "f0e1"},
    {kStartFen, "", U"帥五進一", "e0e1"},      {kStartFen, "", U"兵七进一", "c3c4"},
    {kStartFen, "", U"马二平三", "none"},      {kStartFen, "", U"车一进九", "none"},
    {kStartFen, "", U"C2=5", "h2e2"},          {kStartFen, "", U"c2.5", "h2e2"},
    {kStartFen, "", U"Ｃ２＝５", "h2e2"},      {kStartFen, "", U"N2+3", "h0g2"},
    {kStartFen, "", U"H8+7", "b0c2"},          {kStartFen, "", U"E3+5", "g0e2"},
    {kStartFen, "", U"B7+5", "c0e2"},          {kStartFen, "", U"A6+5", "d0e1"},
    {kStartFen, "", U"K5+1", "e0e1"},          {kStartFen, "", U"P3+1", "g3g4"},
    // Black counts files from its own right, in any style of numeral.
    {kStartFen, "h2e2", U"马８进７", "h9g7"},  {kStartFen, "h2e2", U"马8进7", "h9g7"},
    {kStartFen, "h2e2", U"馬八進七", "h9g7"},  {kStartFen, "h2e2", U"H8+7", "h9g7"},
    {kStartFen, "h2e2", U"炮２平５", "b7e7"},  {kStartFen, "h2e2", U"卒３进１", "c6c5"},
    {kStartFen, "h2e2", U"象3退5", "none"},    {kStartFen, "h2e2", U"将5平4", "none"},
    {kCannons, "", U"前炮进三", "d2d5"},       {kCannons, "", U"後炮平四", "d1f1"},
    {kCannons, "", U"C++3", "d2d5"},           {kCannons, "", U"+C+3", "d2d5"},
    {kCannons, "", U"-C=4", "d1f1"},           {kCannons, "", U"C-.4", "d1f1"},
    {kCannons, "", U"中炮进三", "none"},       {kCannons, "", U"后炮进二", "none"},
    // The file form picks whichever of the two can move so.
    {kCannons, "", U"炮六进三", "d2d5"},
    {kRooks, "", U"前车进一", "a4a3"},         {kRooks, "", U"後車平２", "a5b5"},
    {kRooks, "", U"R-=2", "a5b5"},             {kRooks, "", U"+R+1", "a4a3"},
    {kPawns, "", U"前兵平四", "e7f7"},         {kPawns, "", U"中兵平四", "e6f6"},
    {kPawns, "", U"后兵平四", "e5f5"},         {kPawns, "", U"前兵进一", "several"},
    {kPawns, "", U"后兵平六", "several"},      {kPawns, "", U"二兵平四", "e6f6"},
    {kPawns, "", U"四兵进一", "c7c8"},         {kPawns, "", U"五兵平六", "c6d6"},
    {kPawns, "", U"前兵七进一", "c7c8"},       {kPawns, "", U"后兵七平六", "c6d6"},
    {kPawns, "", U"前兵五进一", "e7e8"},       {kPawns, "", U"2P=4", "e6f6"},
    {kPawns, "", U"六兵进一", "none"},         {kPawns, "", U"+P7+1", "c7c8"},
    // Text that is neither Chinese nor WXF notation.
    {kStartFen, "", U"h2e2", "unknown"},       {kStartFen, "", U"炮二平", "unknown"},
    {kStartFen, "", U"炮二走五", "unknown"},   {kStartFen, "", U"C2x5", "unknown"},
    {kStartFen, "", U"前炮平五五", "unknown"},
};
// clang-format on

}  // namespace

TEST(Notation, ResolvesEveryFormAgainstTheLegalMoves) {
    for (const Case& c : kCases) {
        auto pos = positionFrom(c.fen, c.moves);
        ASSERT_NE(pos, nullptr) << c.fen;
        const std::u32string text = c.text;
        NotationMove move;
        Notation notation = parseNotationMove(reinterpret_cast<const uint32_t*>(text.data()),
                                              int(text.size()), move);
        // Chinese notation is the one with Chinese characters (full-width WXF has none).
        bool chinese = false;
        for (char32_t ch : text) chinese |= ch >= 0x4E00 && ch <= 0x9FFF;
        EXPECT_TRUE(notation == Notation::Unknown || chinese == (notation == Notation::Chinese))
            << testing::PrintToString(text);
        Move found = 0;
        int matches = notation == Notation::Unknown ? -1 : resolveNotationMove(move, *pos, found);
        std::string got = matches < 0    ? "unknown"
                          : matches == 0 ? "none"
                          : matches > 1  ? "several"
                                         : textOf(found);
        EXPECT_EQ(got, c.expected) << testing::PrintToString(text);
    }
}
