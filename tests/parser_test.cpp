// The command parser on single lines: codes, arguments and their bounds.
#include "engine/parser.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Parsed {
    CommandCode code;
    CommandArgs args;
};

Parsed parse(const char* line) {
    static char copy[1024];
    std::strncpy(copy, line, sizeof copy - 1);
    Parsed parsed{};
    parsed.code = parseCommandLine(copy, parsed.args);
    return parsed;
}

std::string moveText(int i) {
    return std::string(reinterpret_cast<char*>(&moveListBuffer[i]), 4);
}

}  // namespace

TEST(Parser, BoundedNumbers) {
    const char* text = "123abc";
    EXPECT_EQ(parseBoundedNumber(&text, 1000), 123);
    EXPECT_STREQ(text, "abc");
    const char* none = "x12";
    EXPECT_EQ(parseBoundedNumber(&none, 1000), 0);
    EXPECT_STREQ(none, "x12");
    const char* huge = "99999999999999999999 rest";
    EXPECT_EQ(parseBoundedNumber(&huge, 36000), 36000);
    EXPECT_STREQ(huge, " rest");
}

TEST(Parser, CommandCodesByExactMatch) {
    EXPECT_EQ(parse("isready").code, e_CommIsReady);
    EXPECT_EQ(parse("isready ").code, e_CommNone);
    EXPECT_EQ(parse("stop").code, e_CommStop);
    EXPECT_EQ(parse("scr").code, e_CommScr);
    EXPECT_EQ(parse("quit").code, e_CommQuit);
    EXPECT_EQ(parse("quit ").code, e_CommNone);
    EXPECT_EQ(parse("go").code, e_CommNone);
    EXPECT_EQ(parse("ponderhit").code, e_CommNone);
    EXPECT_EQ(parse("ucci").code, e_CommNone);
    EXPECT_EQ(parse("Go depth 3").code, e_CommNone);
    EXPECT_EQ(parse("").code, e_CommNone);
}

TEST(Parser, GoLimits) {
    Parsed p = parse("go depth 5");
    EXPECT_EQ(p.code, e_CommGo);
    EXPECT_EQ(p.args.arg1.number, e_GoDepth);
    EXPECT_EQ(p.args.arg2.number, 5);
    EXPECT_EQ(parse("go depth 40").args.arg2.number, 31);
    EXPECT_EQ(parse("go depth x").args.arg2.number, 0);
    EXPECT_EQ(parse("go infinite").args.arg2.number, 31);
    // "ponder " needs its blank: "go ponder" alone is a plain depth-31 search.
    p = parse("go ponder");
    EXPECT_EQ(p.code, e_CommGo);
    EXPECT_EQ(p.args.arg2.number, 31);
    EXPECT_EQ(parse("go ponder time 300").code, e_CommGoPonder);

    p = parse("go time 60 movestogo 40");
    EXPECT_EQ(p.args.arg1.number, e_GoMovesToGo);
    EXPECT_EQ(p.args.arg2.number, 60);
    EXPECT_EQ(p.args.arg3.number, 40);
    EXPECT_EQ(parse("go time 300 movestogo 0").args.arg3.number, 1);
    EXPECT_EQ(parse("go time 300 movestogo 500").args.arg3.number, 100);
    p = parse("go time 100 increment 2");
    EXPECT_EQ(p.args.arg1.number, e_GoIncrement);
    EXPECT_EQ(p.args.arg2.number, 100);
    EXPECT_EQ(p.args.arg3.number, 2);
    EXPECT_EQ(parse("go time 100 increment 9999").args.arg3.number, 600);
    p = parse("go time 99999");
    EXPECT_EQ(p.args.arg1.number, e_GoMovesToGo);
    EXPECT_EQ(p.args.arg2.number, 36000);
    EXPECT_EQ(p.args.arg3.number, 1);
    EXPECT_EQ(parse("go time x").args.arg2.number, 0);
}

TEST(Parser, Options) {
    struct Case {
        const char* line;
        int code;
        int value;
    };
    const Case cases[] = {
        {"setoption batch on", 1, 1},
        {"setoption batch true", 1, 1},
        {"setoption batch off", 1, 0},
        {"setoption debug truex", 2, 1},
        {"setoption hashsize 64", 5, 64},
        {"setoption hashsize 5000", 5, 1024},
        {"setoption threads 64", 6, 32},
        {"setoption drawmoves 300", 7, 200},
        {"setoption repetition alwaysdraw", 8, 0},
        {"setoption repetition checkban", 8, 1},
        {"setoption repetition asianrule", 8, 2},
        {"setoption repetition chineserule", 8, 3},
        {"setoption repetition other", 8, 3},
        {"setoption pruning large", 9, 3},
        {"setoption knowledge small", 10, 1},
        {"setoption selectivity medium", 11, 2},
        {"setoption style risky", 12, 2},
        {"setoption style solid", 12, 0},
        {"setoption style normal", 12, 1},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.line);
        EXPECT_EQ(p.code, e_CommSetOption) << c.line;
        EXPECT_EQ(p.args.arg1.number, c.code) << c.line;
        EXPECT_EQ(p.args.arg2.number, c.value) << c.line;
    }
    EXPECT_EQ(parse("setoption loadbook").args.arg1.number, e_OptionLoadBook);
    EXPECT_EQ(parse("setoption foo").args.arg1.number, e_OptionNone);
    Parsed files = parse("setoption bookfiles a.bin;b.bin");
    EXPECT_EQ(files.args.arg1.number, e_OptionBookFiles);
    EXPECT_STREQ(files.args.arg2.text, "a.bin;b.bin");
}

TEST(Parser, PositionsAndMoveLists) {
    Parsed p = parse("position startpos moves h2e2 h9g7");
    EXPECT_EQ(p.code, e_CommPosition);
    EXPECT_STREQ(p.args.arg1.text,
                 "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1");
    EXPECT_EQ(p.args.arg2.number, 2);
    EXPECT_EQ(p.args.arg3.moveTexts, moveListBuffer);
    EXPECT_EQ(moveText(0), "h2e2");
    EXPECT_EQ(moveText(1), "h9g7");
    EXPECT_EQ(parse("position startpos").args.arg2.number, 0);
    EXPECT_STREQ(parse("position endgamepos").args.arg1.text,
                 "4k4/4a4/4P4/9/9/9/9/4B4/9/4K4 w - - 0 1");
    EXPECT_STREQ(parse("position zugzwangpos").args.arg1.text,
                 "3k5/4PP3/4r4/3P5/9/9/9/9/9/5K3 w - - 0 1");
    // The FEN reader gets the whole rest of the line, move list included.
    p = parse("position fen 4k4/9/9/9/9/9/9/9/9/4K4 b - - 0 1 moves e9e8");
    EXPECT_STREQ(p.args.arg1.text, "4k4/9/9/9/9/9/9/9/9/4K4 b - - 0 1 moves e9e8");
    EXPECT_EQ(p.args.arg2.number, 1);
    EXPECT_EQ(moveText(0), "e9e8");
    EXPECT_EQ(parse("position foo").code, e_CommNone);

    p = parse("move h2e2 h9g7 h0g2");
    EXPECT_EQ(p.code, e_CommMove);
    EXPECT_EQ(p.args.arg2.number, 3);
    EXPECT_EQ(moveText(2), "h0g2");
    p = parse("banmoves a0a1 b0b1");
    EXPECT_EQ(p.code, e_CommBanMoves);
    EXPECT_EQ(p.args.arg1.number, 2);
    EXPECT_EQ(p.args.arg2.moveTexts, moveListBuffer);
}

TEST(Parser, UnsetArgumentsKeepTheirValues) {
    CommandArgs args{};
    static char line1[] = "go time 60 movestogo 40";
    static char line2[] = "go depth 3";
    parseCommandLine(line1, args);
    parseCommandLine(line2, args);
    EXPECT_EQ(args.arg2.number, 3);
    EXPECT_EQ(args.arg3.number, 40);
}
