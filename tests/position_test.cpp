// FEN texts accepted or refused and move texts, by the lines of
// tests/golden/fen_and_moves.txt; the bounds of move text and of the game's history.
#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"
#include "test_util.h"

TEST(Position, FenAndMoveTextsMatch) {
    expectReplay("fen_and_moves.txt", [](const std::string& input) {
        std::string rest = input.substr(input.find(' ') + 1);
        char out[160];
        if (startsWith(input, "fen ")) {
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
}

TEST(Position, HistoryKeepsRoomForASearch) {
    // The history keeps room for a search: moves beyond it are refused.
    auto kings = positionFrom("3k5/9/9/9/9/9/9/9/9/4K4 w");
    const char* cycle[] = {"e0e1", "d9d8", "e1e0", "d8d9"};
    int played = 0;
    while (tryMoveText(*kings, packMoveText(cycle[played % 4]))) played++;
    EXPECT_EQ(played, HISTORY_SIZE - SEARCH_HISTORY_ROOM - 1);
}
