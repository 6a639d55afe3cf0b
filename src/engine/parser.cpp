#include "engine/parser.h"

#include <cstring>

#include "base/fens.h"
#include "base/platform.h"
#include "engine/reader.h"

uint32_t moveListBuffer[MOVE_LIST_SIZE];

namespace {

char standardInputBuffer[LINE_BUFFER_SIZE + 1];
// The parser's copy of the current line; CommandArgs may point into it until the next
// call of parseCommand.
char commandLine[LINE_BUFFER_SIZE];
int inputSlot = -1;

// The largest values the commands take; larger numbers read as these.
constexpr int32_t MAX_HASH_SIZE = 1024;  // MiB
constexpr int32_t MAX_THREADS = 32;
constexpr int32_t MAX_DRAW_MOVES = 200;
constexpr int32_t MAX_TIME = 36000;  // seconds: ten hours
constexpr int32_t MAX_MOVES_TO_GO = 100;
constexpr int32_t MAX_INCREMENT = 600;  // seconds
// The deepest search a go asks for; a go without a depth or a time searches this deep.
constexpr int32_t MAX_DEPTH = 31;

// Steps the cursor past `prefix` when the text there begins with it.
bool skipPrefix(const char** cursor, const char* prefix) {
    size_t length = std::strlen(prefix);
    if (std::strncmp(*cursor, prefix, length) != 0) return false;
    *cursor += length;
    return true;
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Fills moveListBuffer from a list of four-character texts separated by single blanks.
int32_t readMoveList(const char* list) {
    int32_t count = int32_t((std::strlen(list) + 1) / MOVE_TEXT_STRIDE);
    if (count > MOVE_LIST_SIZE) count = MOVE_LIST_SIZE;
    for (int32_t i = 0; i < count; i++)
        std::memcpy(&moveListBuffer[i], list + MOVE_TEXT_STRIDE * i, 4);
    return count;
}

int32_t levelValue(const char* value) {
    if (startsWith(value, "none")) return 0;
    if (startsWith(value, "small")) return 1;
    if (startsWith(value, "medium")) return 2;
    if (startsWith(value, "large")) return 3;
    return 0;
}

void parseOption(const char* cursor, CommandArgs& args) {
    struct Option {
        const char* name;
        OptionCode code;
    };
    static constexpr Option kOptions[] = {
        {"batch ", e_OptionBatch},
        {"debug ", e_OptionDebug},
        {"bookfiles ", e_OptionBookFiles},
        {"egtbpaths ", e_OptionEgtbPaths},
        {"hashsize ", e_OptionHashSize},
        {"threads ", e_OptionThreads},
        {"drawmoves ", e_OptionDrawMoves},
        {"repetition ", e_OptionRepetition},
        {"pruning ", e_OptionPruning},
        {"knowledge ", e_OptionKnowledge},
        {"selectivity ", e_OptionSelectivity},
        {"style ", e_OptionStyle},
        {"loadbook", e_OptionLoadBook},
    };
    for (const Option& option : kOptions) {
        if (!skipPrefix(&cursor, option.name)) continue;
        args.arg1.number = option.code;
        switch (option.code) {
            case e_OptionBatch:
            case e_OptionDebug:
                args.arg2.number = startsWith(cursor, "on") || startsWith(cursor, "true");
                break;
            case e_OptionBookFiles:
            case e_OptionEgtbPaths:
                args.arg2.text = cursor;
                break;
            case e_OptionHashSize:
                args.arg2.number = parseBoundedNumber(&cursor, MAX_HASH_SIZE);
                break;
            case e_OptionThreads:
                args.arg2.number = parseBoundedNumber(&cursor, MAX_THREADS);
                break;
            case e_OptionDrawMoves:
                args.arg2.number = parseBoundedNumber(&cursor, MAX_DRAW_MOVES);
                break;
            case e_OptionRepetition:
                args.arg2.number = startsWith(cursor, "alwaysdraw")  ? 0
                                   : startsWith(cursor, "checkban")  ? 1
                                   : startsWith(cursor, "asianrule") ? 2
                                                                     : 3;
                break;
            case e_OptionPruning:
            case e_OptionKnowledge:
            case e_OptionSelectivity:
                args.arg2.number = levelValue(cursor);
                break;
            case e_OptionStyle:
                args.arg2.number = startsWith(cursor, "solid")    ? 0
                                   : startsWith(cursor, "normal") ? 1
                                   : startsWith(cursor, "risky")  ? 2
                                                                  : 0;
                break;
            default:
                break;
        }
        return;
    }
    args.arg1.number = e_OptionNone;
}

CommandCode parsePosition(const char* cursor, CommandArgs& args) {
    struct NamedPosition {
        const char* keyword;
        const char* fen;
    };
    static constexpr NamedPosition kPositions[] = {
        {"startpos", kStartFen},       {"midgamepos", kMidgameFen}, {"checkmatepos", kCheckmateFen},
        {"zugzwangpos", kZugzwangFen}, {"endgamepos", kEndgameFen},
    };
    const char* keyword = cursor;
    bool known = false;
    for (const NamedPosition& named : kPositions) {
        if (startsWith(cursor, named.keyword)) {
            args.arg1.text = named.fen;
            known = true;
            break;
        }
    }
    if (!known && skipPrefix(&cursor, "fen ")) {
        args.arg1.text = cursor;
        known = true;
    }
    if (!known) return e_CommNone;
    constexpr char kMovesKeyword[] = " moves ";
    const char* moves = std::strstr(keyword, kMovesKeyword);
    if (moves == nullptr) {
        args.arg2.number = 0;
    } else {
        args.arg2.number = readMoveList(moves + sizeof kMovesKeyword - 1);
        args.arg3.moveTexts = moveListBuffer;
    }
    return e_CommPosition;
}

CommandCode parseGo(const char* cursor, CommandArgs& args) {
    CommandCode code = skipPrefix(&cursor, "ponder ") ? e_CommGoPonder : e_CommGo;
    if (skipPrefix(&cursor, "time ")) {
        args.arg2.number = parseBoundedNumber(&cursor, MAX_TIME);
        if (skipPrefix(&cursor, " movestogo ")) {
            args.arg1.number = e_GoMovesToGo;
            args.arg3.number = parseBoundedNumber(&cursor, MAX_MOVES_TO_GO);
            if (args.arg3.number < 1) args.arg3.number = 1;
        } else if (skipPrefix(&cursor, " increment ")) {
            args.arg1.number = e_GoIncrement;
            args.arg3.number = parseBoundedNumber(&cursor, MAX_INCREMENT);
        } else {
            args.arg1.number = e_GoMovesToGo;
            args.arg3.number = 1;
        }
    } else if (skipPrefix(&cursor, "depth ")) {
        args.arg1.number = e_GoDepth;
        args.arg2.number = parseBoundedNumber(&cursor, MAX_DEPTH);
    } else {
        args.arg1.number = e_GoDepth;
        args.arg2.number = MAX_DEPTH;
    }
    return code;
}

}  // namespace

int32_t parseBoundedNumber(const char** cursor, int32_t maximum) {
    const char* text = *cursor;
    int32_t value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10 + (*text - '0');
        if (value > maximum) value = maximum;
        text++;
    }
    *cursor = text;
    return value;
}

CommandCode waitForUcci() {
    inputSlot = startLineReader(stdin, standardInputBuffer);
    static char line[LINE_BUFFER_SIZE];
    while (takeLine(line, inputSlot) == 0) {
        if (lineReaderEnded(inputSlot)) return e_CommNone;
        sleepOneMillisecond();
    }
    return std::strcmp(line, "ucci") == 0 ? e_CommUcci : e_CommNone;
}

CommandCode parseCommandLine(const char* line, CommandArgs& args) {
    const char* cursor = line;
    if (std::strcmp(line, "isready") == 0) return e_CommIsReady;
    if (skipPrefix(&cursor, "setoption ")) {
        parseOption(cursor, args);
        return e_CommSetOption;
    }
    if (skipPrefix(&cursor, "position ")) return parsePosition(cursor, args);
    if (skipPrefix(&cursor, "banmoves ")) {
        args.arg1.number = readMoveList(cursor);
        args.arg2.moveTexts = moveListBuffer;
        return e_CommBanMoves;
    }
    if (skipPrefix(&cursor, "go ")) return parseGo(cursor, args);
    if (std::strcmp(line, "stop") == 0) return e_CommStop;
    if (std::strcmp(line, "scr") == 0) return e_CommScr;
    if (skipPrefix(&cursor, "move ")) {
        args.arg2.number = readMoveList(cursor);
        args.arg3.moveTexts = moveListBuffer;
        return e_CommMove;
    }
    if (std::strcmp(line, "quit") == 0) return e_CommQuit;
    return e_CommNone;
}

CommandCode parseCommand(CommandArgs& args) {
    while (takeLine(commandLine, inputSlot) == 0) {
        if (lineReaderEnded(inputSlot)) return e_CommQuit;
        sleepOneMillisecond();
    }
    return parseCommandLine(commandLine, args);
}

CommandCode pollCommand() {
    static char line[LINE_BUFFER_SIZE];
    // Programs that search without reading input (the tools) have no reader.
    if (inputSlot < 0 || takeLine(line, inputSlot) == 0) return e_CommNone;
    if (std::strcmp(line, "isready") == 0) return e_CommIsReady;
    if (std::strcmp(line, "ponderhit") == 0) return e_CommPonderHit;
    if (std::strcmp(line, "stop") == 0) return e_CommStop;
    return e_CommNone;
}

int standardInputSlot() {
    return inputSlot;
}
