// The XQF reader on the files that tests/scripts/make_game_data.py writes (every version, a
// tree, a start position, damaged files), and the round trip: the same games in every
// notation and format give byte-identical books.
#include "games/xqf.h"

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using Strings = std::vector<std::string>;
const std::string kData = QARN_SOURCE_DIR "/tests/data/";

// Each game handed over as its moves, then "@line reason" when it ended in an error.
Strings readXqf(const std::string& path, GameRecord* last = nullptr) {
    Strings lines;
    readXqfGames(readFile(path), [&](const GameRecord& game) {
        std::string text;
        for (const GameMove& move : game.moves) text += move.written + " ";
        if (!game.error.empty())
            text.append("@").append(std::to_string(game.errorLine)).append(" ").append(game.error);
        EXPECT_EQ(game.variation, int(lines.size())) << path;
        lines.push_back(text);
        if (last != nullptr) *last = game;
    });
    return lines;
}

}  // namespace

TEST(XqfReader, EveryVersionGivesTheTreeMainLineFirst) {
    for (const char* version : {"0a", "0b", "0c", "0d", "0e", "0f", "10", "11", "12"}) {
        GameRecord game;
        EXPECT_EQ(readXqf(kData + "xqf/v" + version + ".xqf", &game),
                  (Strings{"h2e2 h9g7 h0g2 ", "h2e2 h7e7 b0c2 ", "c3c4 "}))
            << version;
        EXPECT_EQ(game.result, GameResult::RedWin);
        EXPECT_FALSE(game.hasFen);
    }
    GameRecord game;
    EXPECT_EQ(readXqf(kData + "xqf/black-first.xqf", &game), Strings{"h7e7 h2e2 "});
    EXPECT_EQ(game.fen, "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b - - 0 1");
    EXPECT_EQ(game.result, GameResult::BlackWin);
}

TEST(XqfReader, DamagedFilesAreReportedWhereTheyFail) {
    const std::vector<std::pair<const char*, Strings>> cases = {
        {"short", {"@0 XQF header cut short"}},
        {"bad-text", {"@0 damaged XQF header"}},
        {"version-19", {"@0 unknown XQF version 19"}},
        {"not-xqf", {"@0 not an XQF file"}},
        {"two-on-one", {"@0 two pieces on one point"}},
        {"empty", {"@0 empty XQF file"}},
        {"no-move", {"@0 no moves"}},
        {"huge-comment", {"@1 XQF record cut short"}},
        {"cut", {"h2e2 h9g7 h0g2 ", "h2e2 h7e7 b0c2 ", "@1 XQF record cut short"}},
        {"off-board", {"h2e2 @2 move off the board"}},
    };
    for (const auto& [name, lines] : cases) {
        EXPECT_EQ(readXqf(kData + "xqf/" + name + ".xqf"), lines) << name;
    }
}

TEST(BookRoundTrip, EveryNotationAndFormatGivesTheSameBook) {
    std::string dir = makeTempDir(), folder = kData + "roundtrip/";
    auto build = [&](const std::string& input, const char* minScore) {
        ChildProcess tool(toolPath("qarn-book"),
                          {"build", "--min-score", minScore, dir + "/book.bin", folder + input});
        tool.readRest();
        EXPECT_EQ(tool.waitExit(), 0) << input << ": " << tool.readErrors();
        return readFile(dir + "/book.bin");
    };
    std::string expected = build("games.txt", "0"), scored = build("xqf", "50");
    EXPECT_GT(expected.size(), 500u);
    EXPECT_LT(scored.size(), expected.size());
    for (const char* input : {"chinese-gbk.pgn", "chinese-big5.pgn", "chinese-utf8-bom.pgn",
                              "wxf.pgn", "wxf-fullwidth.pgn", "xqf"}) {
        EXPECT_TRUE(build(input, "0") == expected) << input;
        EXPECT_TRUE(build(input, "50") == scored) << input;
    }
}
