// The command parser by the lines of tests/golden/parser.txt: each line's code and
// arguments, and the bounds of its numbers.
#include "engine/parser.h"

#include <gtest/gtest.h>

#include "harness.h"
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

TEST(Parser, LinesMatch) {
    CommandArgs args{};
    expectReplay("parser.txt", [&](const std::string& input) {
        return parsed(input.substr(input.find(' ') + 1), args);
    });
    const char* number = "99999999999999999999 rest";
    EXPECT_EQ(parseBoundedNumber(&number, 36000), 36000);
    EXPECT_STREQ(number, " rest");
}
