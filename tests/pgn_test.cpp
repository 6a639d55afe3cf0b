// The PGN reader on its samples: one file per encoding and notation, each game's moves,
// result and the first move it could not read.
#include "games/pgn.h"

#include <gtest/gtest.h>

#include <cstring>

#include "games/encoding.h"
#include "harness.h"

namespace {

struct Expected {
    GameResult result;
    const char* moves;
    int errorLine;
    // The start of the reason.
    const char* error;
};

struct Sample {
    const char* file;
    TextEncoding encoding;
    std::vector<Expected> games;
};

const Sample kSamples[] = {
    {"utf8.pgn",
     TextEncoding::Utf8,
     {{GameResult::RedWin, "h2e2 h9g7 h0g2 i9h9 i0h0", 0, ""},
      {GameResult::RedWin, "", 0, ""},
      {GameResult::Draw, "c3c4 g6g5", 14, "no legal move matches 马二进四"}}},
    {"gbk.pgn",
     TextEncoding::Gbk,
     {{GameResult::BlackWin, "h2e2 h9g7 h0g2 i9h9 i0h0", 0, ""},
      {GameResult::Unknown, "e6f6 d9e9", 12, "several legal moves match 前兵进一"}}},
    {"big5.pgn", TextEncoding::Big5, {{GameResult::RedWin, "h2e2 h7e7 h0g2 h9g7", 0, ""}}},
    {"wxf.pgn",
     TextEncoding::Utf8,
     {{GameResult::RedWin, "h2e2 h9g7 h0g2 i9h9 i0h0", 0, ""},
      {GameResult::Unknown, "c3c4", 7, "move 炮８平５ is not in WXF notation"}}},
};

std::string movesText(const GameRecord& game) {
    std::string text;
    for (const GameMove& move : game.moves) {
        if (!text.empty()) text += ' ';
        for (int i = 0; i < 4; i++) text += char(move.packed >> (8 * i));
    }
    return text;
}

}  // namespace

TEST(PgnReader, ReadsEachEncodingAndNotationOfTheSamples) {
    for (const Sample& sample : kSamples) {
        std::string bytes = readFile(std::string(QARN_PGN_SAMPLES) + "/" + sample.file);
        ASSERT_FALSE(bytes.empty()) << sample.file;
        EXPECT_EQ(detectEncoding(bytes), sample.encoding) << sample.file;
        std::vector<GameRecord> games;
        readPgnGames(bytes, [&](const GameRecord& game) { games.push_back(game); });
        ASSERT_EQ(games.size(), sample.games.size()) << sample.file;
        for (size_t i = 0; i < games.size(); i++) {
            const Expected& expected = sample.games[i];
            SCOPED_TRACE(std::string(sample.file) + " game " + std::to_string(i + 1));
            EXPECT_EQ(games[i].result, expected.result);
            EXPECT_EQ(movesText(games[i]), expected.moves);
            EXPECT_EQ(games[i].errorLine, expected.errorLine);
            EXPECT_EQ(games[i].error.rfind(expected.error, 0), 0u) << games[i].error;
        }
    }
}

TEST(PgnReader, TellsBig5FromGbkByTheMoves) {
    // The same moves in both encodings, with header text that is valid in either.
    const std::string gbkMoves = "\xC5\xDA\xB6\xFE\xC6\xBD\xCE\xE5";   // 炮二平五
    const std::string big5Moves = "\xAC\xB6\xA4\x47\xA5\xAD\xA4\xAD";  // 炮二平五
    const std::string header = "[Event \"\xA4\x40\xB0\xEA\"]\n";
    EXPECT_EQ(detectEncoding(header + "1. " + gbkMoves + " *\n"), TextEncoding::Gbk);
    EXPECT_EQ(detectEncoding(header + "1. " + big5Moves + " *\n"), TextEncoding::Big5);
    EXPECT_EQ(detectEncoding("\xEF\xBB\xBF[Event \"\xA4\x40\"]"), TextEncoding::Utf8);
    // UTF-8 moves with one damaged byte in a comment.
    EXPECT_EQ(detectEncoding("1. \xE7\x82\xAE\xE4\xBA\x8C\xE5\xB9\xB3\xE4\xBA\x94 {\xFF}"),
              TextEncoding::Utf8);
    EXPECT_TRUE(isStrictUtf8("\xE4\xB8\xAD", 3));
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(isStrictUtf8(bad, std::strlen(bad))) << bad;
    }
}
