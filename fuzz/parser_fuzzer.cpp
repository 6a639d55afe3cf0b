// The command parser on arbitrary lines as the reader delivers them (NUL-ended, shorter
// than LINE_BUFFER_SIZE): every code it returns agrees with the line's prefix, and every
// argument lies within the line or its stated bounds.
#include <algorithm>

#include "fuzz_common.h"

namespace {

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The slots of a move list point into moveListBuffer and hold the four bytes found at
// every fifth position of `list`, each text inside the list.
void checkMoveList(const char* list, int32_t count, const uint32_t* texts) {
    size_t length = std::strlen(list);
    if (count < 0 || count > MOVE_LIST_SIZE) fuzz::fail("move count", std::to_string(count));
    if (count > 0 && texts != moveListBuffer) fuzz::fail("move texts outside the buffer");
    if (size_t(count) != std::min((length + 1) / 5, size_t(MOVE_LIST_SIZE)))
        fuzz::fail("move count differs from the list length");
    for (int32_t i = 0; i < count; i++) {
        if (5 * size_t(i) + 4 > length) fuzz::fail("move text past the end of the line");
        if (std::memcmp(&texts[i], list + 5 * i, 4) != 0) fuzz::fail("move text bytes");
    }
}

void checkInsideLine(const char* text, const char* line) {
    if (text < line || text > line + std::strlen(line)) fuzz::fail("argument outside the line");
}

void checkGo(const char* line, CommandCode code, const CommandArgs& args) {
    bool ponder = startsWith(line, "go ponder ");
    if ((code == e_CommGoPonder) != ponder) fuzz::fail("ponder code");
    const char* rest = line + (ponder ? 10 : 3);
    int32_t mode = args.arg1.number, value = args.arg2.number, extra = args.arg3.number;
    if (startsWith(rest, "time ")) {
        if (mode != e_GoMovesToGo && mode != e_GoIncrement) fuzz::fail("time mode");
        if (value < 0 || value > 36000) fuzz::fail("time out of bounds");
        if (mode == e_GoMovesToGo && (extra < 1 || extra > 100)) fuzz::fail("movestogo bounds");
        if (mode == e_GoIncrement && (extra < 0 || extra > 600)) fuzz::fail("increment bounds");
    } else {
        if (mode != e_GoDepth) fuzz::fail("depth mode");
        if (value < 0 || value > 31) fuzz::fail("depth bounds", std::to_string(value));
        if (!startsWith(rest, "depth ") && value != 31) fuzz::fail("default depth");
    }
}

void checkOption(const char* line, const CommandArgs& args) {
    int32_t option = args.arg1.number;
    if (option < e_OptionNone || option > e_OptionLoadBook) fuzz::fail("option code");
    const char* value = line + 10;
    int32_t number = args.arg2.number;
    switch (option) {
        case e_OptionBatch:
        case e_OptionDebug:
            if (number != 0 && number != 1) fuzz::fail("switch value");
            break;
        case e_OptionBookFiles:
        case e_OptionEgtbPaths:
            checkInsideLine(args.arg2.text, line);
            break;
        case e_OptionHashSize:
            if (number < 0 || number > 1024) fuzz::fail("hashsize bounds");
            break;
        case e_OptionThreads:
            if (number < 0 || number > 32) fuzz::fail("threads bounds");
            break;
        case e_OptionDrawMoves:
            if (number < 0 || number > 200) fuzz::fail("drawmoves bounds");
            break;
        case e_OptionRepetition:
            if (number < 0 || number > 3) fuzz::fail("repetition value");
            break;
        case e_OptionPruning:
        case e_OptionKnowledge:
        case e_OptionSelectivity:
        case e_OptionStyle:
            if (number < 0 || number > 3) fuzz::fail("level value");
            break;
        case e_OptionLoadBook:
            if (!startsWith(value, "loadbook")) fuzz::fail("loadbook code");
            break;
        default:
            break;
    }
}

void checkPosition(const char* line, const CommandArgs& args) {
    const char* rest = line + 9;
    bool named = false;
    for (const char* keyword :
         {"startpos", "midgamepos", "checkmatepos", "zugzwangpos", "endgamepos"})
        named = named || startsWith(rest, keyword);
    if (named) {
        // A named position's FEN is the engine's own text: it must be a position.
        static Position scratch;
        if (!setupFen(scratch, args.arg1.text)) fuzz::fail("named position refused");
    } else {
        if (!startsWith(rest, "fen ")) fuzz::fail("position without a keyword");
        if (args.arg1.text != rest + 4) fuzz::fail("FEN text pointer");
    }
    const char* moves = std::strstr(rest, " moves ");
    if (moves == nullptr) {
        if (args.arg2.number != 0) fuzz::fail("moves without a moves keyword");
    } else {
        checkMoveList(moves + 7, args.arg2.number, args.arg3.moveTexts);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initOnce();
    // A reader line: at most kMaxLine bytes, ended by NUL (and so cut at an inner NUL).
    static char line[fuzz::kMaxLine + 1];
    size_t length = size < fuzz::kMaxLine ? size : fuzz::kMaxLine;
    std::memcpy(line, data, length);
    line[length] = '\0';

    CommandArgs args;
    std::memset(&args, 0xA5, sizeof args);
    CommandCode code = parseCommandLine(line, args);

    const std::pair<const char*, CommandCode> exact[] = {
        {"isready", e_CommIsReady}, {"stop", e_CommStop}, {"scr", e_CommScr}, {"quit", e_CommQuit}};
    for (auto [word, wordCode] : exact) {
        if ((std::strcmp(line, word) == 0) != (code == wordCode)) fuzz::fail("exact command", word);
    }
    switch (code) {
        case e_CommSetOption:
            if (!startsWith(line, "setoption ")) fuzz::fail("setoption prefix");
            checkOption(line, args);
            break;
        case e_CommPosition:
            if (!startsWith(line, "position ")) fuzz::fail("position prefix");
            checkPosition(line, args);
            break;
        case e_CommBanMoves:
            if (!startsWith(line, "banmoves ")) fuzz::fail("banmoves prefix");
            checkMoveList(line + 9, args.arg1.number, args.arg2.moveTexts);
            break;
        case e_CommMove:
            if (!startsWith(line, "move ")) fuzz::fail("move prefix");
            checkMoveList(line + 5, args.arg2.number, args.arg3.moveTexts);
            break;
        case e_CommGo:
        case e_CommGoPonder:
            if (!startsWith(line, "go ")) fuzz::fail("go prefix");
            checkGo(line, code, args);
            break;
        case e_CommNone:
            for (const char* prefix : {"setoption ", "banmoves ", "go ", "move "})
                if (startsWith(line, prefix)) fuzz::fail("recognised prefix refused", prefix);
            break;
        case e_CommIsReady:
        case e_CommStop:
        case e_CommScr:
        case e_CommQuit:
            break;
        default:
            fuzz::fail("unexpected code", std::to_string(code));
    }

    // The number reader at every digit run of the line stays within its cap.
    for (const char* cursor = line; *cursor != '\0'; cursor++) {
        if (*cursor < '0' || *cursor > '9' ||
            (cursor > line && cursor[-1] >= '0' && cursor[-1] <= '9'))
            continue;
        const char* end = cursor;
        int32_t value = parseBoundedNumber(&end, 600);
        if (value < 0 || value > 600 || end <= cursor) fuzz::fail("bounded number");
        for (const char* c = cursor; c < end; c++)
            if (*c < '0' || *c > '9') fuzz::fail("number reader passed a non-digit");
    }
    return 0;
}
