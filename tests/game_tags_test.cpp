// The tags the readers keep for the review's output: PGN tags as the file's bytes with its
// encoding, and the texts of an XQF header.
#include <gtest/gtest.h>

#include "games/pgn.h"
#include "games/xqf.h"
#include "harness.h"

namespace {

std::vector<GameRecord> readAll(const std::string& bytes, bool xqf) {
    std::vector<GameRecord> games;
    auto keep = [&](const GameRecord& game) { games.push_back(game); };
    xqf ? readXqfGames(bytes, keep) : readPgnGames(bytes, keep);
    return games;
}

std::string tagsOf(const GameRecord& game) {
    std::string text;
    for (const GameTag& tag : game.tags) text += tag.name + "=" + tag.value + ";";
    return text;
}

}  // namespace

TEST(GameTags, PgnKeepsEveryTagInTheFilesEncoding) {
    std::vector<GameRecord> games =
        readAll(readFile(std::string(QARN_PGN_SAMPLES) + "/gbk.pgn"), false);
    ASSERT_EQ(games.size(), 2u);
    // GB18030's four-byte character stays as it is.
    EXPECT_EQ(tagsOf(games[0]), "Event=GB18030 \x95\x32\x82\x36;Result=0-1;");
    EXPECT_EQ(tagsOf(games[1]),
              gbk("Event=兵;") + "FEN=3k5/9/2P1P4/2P1P4/4P4/9/9/9/9/5K3 w - - 0 1;");
    EXPECT_EQ(games[0].encoding, TextEncoding::Gbk);
    std::vector<GameRecord> escaped = readAll(
        "\xEF\xBB\xBF[Event \"a \\\"b\\\" \\\\ c\"]\n[Red \"\xE7\xBA\xA2\"]\n\n1. h2e2 *\n", false);
    ASSERT_EQ(escaped.size(), 1u);
    EXPECT_EQ(tagsOf(escaped[0]), "Event=a \"b\" \\ c;Red=\xE7\xBA\xA2;");
    EXPECT_EQ(escaped[0].encoding, TextEncoding::Utf8);
}

TEST(GameTags, XqfHeaderTextsBecomeTags) {
    std::string bytes = readFile(std::string(QARN_SOURCE_DIR) + "/tests/data/xqf/v12.xqf");
    ASSERT_GT(bytes.size(), 0x400u);
    // Title, event, date, site, red, black: a length byte, then GBK text.
    auto put = [&](size_t offset, const std::string& text) {
        bytes[offset] = char(text.size());
        bytes.replace(offset + 1, text.size(), text);
    };
    put(0x50, gbk("五羊杯"));
    put(0x110, "1992");
    put(0x130, gbk("柳大华"));
    put(0x140, gbk("胡荣华"));
    std::vector<GameRecord> lines = readAll(bytes, true);
    ASSERT_FALSE(lines.empty());
    for (const GameRecord& line : lines) {
        EXPECT_EQ(tagsOf(line), gbk("Title=五羊杯;Date=1992;Red=柳大华;Black=胡荣华;"));
        EXPECT_EQ(line.encoding, TextEncoding::Gbk);
    }
}
