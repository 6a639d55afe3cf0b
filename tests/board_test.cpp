// The text board, byte for byte.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

constexpr char kNoBook[] = "/nonexistent/qarn";

// The drawing of the start position, in UTF-8; the engine writes it in GBK.
constexpr char kStartBoard[] =
    "\t\t  (Black)\n"
    " 9 [车][马][象][士][将][士][象][马][车]\n"
    "    │  │  │  │＼│／│  │  │  │ \n"
    " 8  ├--┼--┼--┼--※--┼--┼--┼--┤ \n"
    "    │  │  │  │／│＼│  │  │  │ \n"
    " 7  ├-[炮]-┼--┼--┼--┼--┼-[炮]-┤ \n"
    "    │  │  │  │  │  │  │  │  │ \n"
    " 6 [卒]-┼-[卒]-┼-[卒]-┼-[卒]-┼-[卒]\n"
    "    │  │  │  │  │  │  │  │  │ \n"
    " 5  ├--┴--┴--┴--┴--┴--┴--┴--┤ \n"
    "    │                              │ \n"
    " 4  ├--┬--┬--┬--┬--┬--┬--┬--┤ \n"
    "    │  │  │  │  │  │  │  │  │ \n"
    " 3 (兵)-┼-(兵)-┼-(兵)-┼-(兵)-┼-(兵)\n"
    "    │  │  │  │  │  │  │  │  │ \n"
    " 2  ├-(炮)-┼--┼--┼--┼--┼-(炮)-┤ \n"
    "    │  │  │  │＼│／│  │  │  │ \n"
    " 1  ├--┼--┼--┼--※--┼--┼--┼--┤ \n"
    "    │  │  │  │／│＼│  │  │  │ \n"
    " 0 (车)(马)(相)(仕)(帅)(仕)(相)(马)(车)\n"
    "     A   B   C   D   E   F   G   H   I\n"
    "\t\t   (Red)\n"
    "now is white turn.\n";

std::string drawing(Engine& engine, const std::string& command) {
    engine.send(command);
    std::string text;
    for (;;) {
        auto line = engine.readLine();
        if (!line) return text;
        text += *line + "\n";
        if (startsWith(*line, "now is ")) return text;
    }
}

}  // namespace

TEST(Board, StartPositionByteForByte) {
    Engine engine("", kNoBook);
    std::string text = drawing(engine, "scr");
    EXPECT_EQ(text, gbk(kStartBoard));
    EXPECT_EQ(text.size(), 841u);
}

TEST(Board, MovesShowOnTheBoard) {
    Engine engine("", kNoBook);
    std::string text = drawing(engine, "move h2e2");
    std::string expected = gbk(kStartBoard);
    // The cannon leaves h2 (the grid shows through) and stands on e2; black is to move.
    std::string oldRow = gbk(" 2  ├-(炮)-┼--┼--┼--┼--┼-(炮)-┤ \n");
    std::string newRow = gbk(" 2  ├-(炮)-┼--┼-(炮)-┼--┼--┼--┤ \n");
    expected.replace(expected.find(oldRow), oldRow.size(), newRow);
    expected.replace(expected.find("white"), 5, "black");
    EXPECT_EQ(text, expected);
    // A square a piece has left shows its grid again.
    text = drawing(engine, "move h9g7 e0e1");
    EXPECT_NE(text.find(gbk(" 0 (车)(马)(相)(仕)-┴-(仕)(相)(马)(车)")), std::string::npos) << text;
}
