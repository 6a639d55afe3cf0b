// The four libFuzzer targets, one per build of this file (QARN_FUZZ_TARGET names it):
// parser (a command line), fen (a script), book (the bytes of a book file) and search (a
// depth byte, then a script). See fuzz/README.md for what each checks.
#include <algorithm>
#include <map>
#include <vector>

#include "book/book.h"
#include "engine/timecontrol.h"
#include "fuzz_common.h"
#include "search/search.h"

namespace {

Position loaded, scratch;

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A move list's slots point into moveListBuffer and hold the bytes at every fifth place.
void checkMoveList(const char* list, int32_t count, const uint32_t* texts) {
    size_t length = std::strlen(list);
    if (size_t(count) != std::min((length + 1) / 5, size_t(MOVE_LIST_SIZE)))
        fuzz::fail("move count", std::to_string(count));
    if (count > 0 && texts != moveListBuffer) fuzz::fail("move texts outside the buffer");
    for (int32_t i = 0; i < count; i++) {
        if (5 * size_t(i) + 4 > length || std::memcmp(&texts[i], list + 5 * i, 4) != 0)
            fuzz::fail("move text bytes");
    }
}

// The code agrees with the line's prefix and every argument lies within its bounds.
void parserTarget(const uint8_t* data, size_t size) {
    static char line[fuzz::kMaxLine + 1];
    size_t length = std::min(size, fuzz::kMaxLine);
    std::memcpy(line, data, length);
    line[length] = '\0';
    CommandArgs args;
    std::memset(&args, 0xA5, sizeof args);
    CommandCode code = parseCommandLine(line, args);
    int32_t a1 = args.arg1.number, a2 = args.arg2.number, a3 = args.arg3.number;
    for (auto [word, wordCode] : {std::pair{"isready", e_CommIsReady},
                                  {"stop", e_CommStop},
                                  {"scr", e_CommScr},
                                  {"quit", e_CommQuit}}) {
        if ((std::strcmp(line, word) == 0) != (code == wordCode)) fuzz::fail("exact command", word);
    }
    const int optionMaximum[] = {0, 1, 1, 0, 0, 1024, 32, 200, 3, 3, 3, 3, 3, 0};
    if (code == e_CommSetOption) {
        if (!startsWith(line, "setoption ") || a1 < 0 || a1 > e_OptionLoadBook)
            fuzz::fail("setoption");
        bool text = a1 == e_OptionBookFiles || a1 == e_OptionEgtbPaths;
        if (text && (args.arg2.text < line || args.arg2.text > line + length))
            fuzz::fail("option text");
        if (!text && a1 != e_OptionNone && a1 != e_OptionLoadBook &&
            (a2 < 0 || a2 > optionMaximum[a1]))
            fuzz::fail("option value", std::to_string(a1) + " " + std::to_string(a2));
    } else if (code == e_CommPosition) {
        const char* rest = line + 9;
        bool named = false;
        for (const char* name :
             {"startpos", "midgamepos", "checkmatepos", "zugzwangpos", "endgamepos"})
            named = named || startsWith(rest, name);
        if (named ? !setupFen(scratch, args.arg1.text) : args.arg1.text != rest + 4)
            fuzz::fail("position text");
        const char* moves = std::strstr(rest, " moves ");
        if (moves == nullptr && a2 != 0) fuzz::fail("moves without the keyword");
        if (moves != nullptr) checkMoveList(moves + 7, a2, args.arg3.moveTexts);
    } else if (code == e_CommBanMoves || code == e_CommMove) {
        bool ban = code == e_CommBanMoves;
        if (!startsWith(line, ban ? "banmoves " : "move ")) fuzz::fail("move prefix");
        checkMoveList(line + (ban ? 9 : 5), ban ? a1 : a2,
                      ban ? args.arg2.moveTexts : args.arg3.moveTexts);
    } else if (code == e_CommGo || code == e_CommGoPonder) {
        bool ponder = startsWith(line, "go ponder ");
        const char* rest = line + (ponder ? 10 : 3);
        if (!startsWith(line, "go ") || (code == e_CommGoPonder) != ponder) fuzz::fail("go prefix");
        if (!startsWith(rest, "time ")) {
            if (a1 != e_GoDepth || a2 < 0 || a2 > 31 || (!startsWith(rest, "depth ") && a2 != 31))
                fuzz::fail("depth", std::to_string(a2));
        } else if (a2 < 0 || a2 > 36000 || (a1 == e_GoMovesToGo && (a3 < 1 || a3 > 100)) ||
                   (a1 == e_GoIncrement && (a3 < 0 || a3 > 600)) ||
                   (a1 != e_GoMovesToGo && a1 != e_GoIncrement)) {
            fuzz::fail("time limits");
        }
    } else if (code == e_CommNone) {
        for (const char* prefix : {"setoption ", "banmoves ", "go ", "move "})
            if (startsWith(line, prefix)) fuzz::fail("recognised prefix refused", prefix);
    } else if (code != e_CommIsReady && code != e_CommStop && code != e_CommScr &&
               code != e_CommQuit) {
        fuzz::fail("unexpected code", std::to_string(code));
    }
}

// Every accepted step is sound; make and unmake restore exactly; the single-move tests
// agree with the generator.
void fenTarget(const uint8_t* data, size_t size) {
    if (!fuzz::playScript(data, size, loaded,
                          [](const Position& pos) { fuzz::expectSound(pos, "loaded"); }))
        return;
    MoveList legal, pseudo;
    generateLegalMoves(legal, loaded);
    generateAllMoves(pseudo, loaded);
    scratch = loaded;
    for (int i = 0; i < pseudo.count; i++) {
        Move mv = pseudo.moves[i];
        UndoRecord undo;
        makeMove(loaded, mv, undo);
        bool safe = !isSideInCheck(loaded, undo.side), check = isSideInCheck(loaded, loaded.side);
        if (safe) fuzz::expectSound(loaded, "after a legal move", false);
        unmakeMove(loaded, mv, undo);
        if (!fuzz::samePosition(loaded, scratch)) fuzz::fail("unmake", fuzz::moveName(mv));
        if (isLegalMove(mv, loaded) != safe || safe != fuzz::inList(legal, mv))
            fuzz::fail("isLegalMove", fuzz::moveName(mv));
        if (safe && givesCheck(mv, loaded) != check) fuzz::fail("givesCheck", fuzz::moveName(mv));
    }
    for (int from = 0; from < 256; from++) {
        if (!inBoard[from] || (loaded.board[from] & sideBase(loaded.side)) == 0) continue;
        for (int to = 0; to < 256; to++) {
            if (!inBoard[to]) continue;
            Move mv = makeMoveCode(Square(from), Square(to));
            bool generated = fuzz::inList(pseudo, mv), pseudoLegal = isPseudoLegal(mv, loaded);
            if (generated != pseudoLegal) fuzz::fail("isPseudoLegal", fuzz::moveName(mv));
            if (isPseudoLegalQuiet(mv, loaded) != (pseudoLegal && loaded.board[to] == 0))
                fuzz::fail("isPseudoLegalQuiet", fuzz::moveName(mv));
            if (generated && isFullyLegal(mv, loaded) != fuzz::inList(legal, mv))
                fuzz::fail("isFullyLegal");
        }
    }
}

// readBookFile against the format written out here (16 header bytes starting 01 02 03 04,
// then records of an 8-byte key, a 2-byte count and its 2-byte moves, all big-endian; a
// record cut after its key is malformed); then the book followed from the start position
// offers only legal moves.
void bookTarget(const uint8_t* data, size_t size) {
    std::map<uint64_t, std::vector<Move>> table, expected;
    BookReadResult verdict = e_BookRead;
    auto be = [&](size_t at, int bytes) {
        uint64_t value = 0;
        for (int i = 0; i < bytes; i++) value = value << 8 | data[at + i];
        return value;
    };
    if (size < 16 || be(0, 4) != 0x01020304) verdict = e_BookBadHeader;
    for (size_t at = 16; verdict == e_BookRead && size >= at + 8;) {
        uint64_t key = be(at, 8);
        size_t count = size >= at + 10 ? be(at + 8, 2) : 0;
        if (size < at + 10 || size < at + 10 + 2 * count) verdict = e_BookBadFormat;
        std::vector<Move> moves;
        for (size_t i = 0; verdict == e_BookRead && i < count; i++)
            moves.push_back(Move(be(at + 10 + 2 * i, 2)));
        if (verdict == e_BookRead)
            expected.emplace(key, moves);  // the first record of a key counts
        at += 10 + 2 * count;
    }
    FILE* file =
        size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::fopen("/dev/null", "rb");
    BookReadResult result = readBookFile(file, table);
    std::fclose(file);
    if (result != verdict)
        fuzz::fail("verdict", std::to_string(result) + " for " + std::to_string(verdict));
    if (result != e_BookRead) return;
    if (table != expected) fuzz::fail("table contents");
    bookTable.swap(table);
    bookLoaded = true;
    setupFen(loaded, "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1");
    for (int ply = 0; ply < 40; ply++) {
        bookMissCount = 0;
        auto entry = bookTable.find(loaded.key);
        Move chosen = probeBook(loaded);
        bool anyLegal = false;
        if (entry != bookTable.end())
            for (Move mv : entry->second) anyLegal = anyLegal || isFullyLegal(mv, loaded);
        if (chosen == 0 && (anyLegal || bookMissCount != 1))
            fuzz::fail("a legal book move not offered");
        if (chosen == 0) break;
        if (!isFullyLegal(chosen, loaded) ||
            std::count(entry->second.begin(), entry->second.end(), chosen) == 0)
            fuzz::fail("book move", fuzz::moveName(chosen));
        UndoRecord undo;
        makeMove(loaded, chosen, undo);
    }
    bookTable.clear();
    bookLoaded = false;
}

// A short search from the script's position: the best move is legal, 0 exactly when there
// is none; the engine's Position is left as it was; the principal variation is legal. A
// small table, cleared every time, hands the search many hash moves of other positions.
void searchTarget(const uint8_t* data, size_t size) {
    static HashEntry smallTable[1024 + 3];
    if (size < 1) return;
    enginePositionValid =
        fuzz::playScript(data + 1, size - 1, enginePosition, [](const Position&) {});
    if (!enginePositionValid) return;
    transpositionTable.entries = smallTable;
    transpositionTable.entryCount = 1024 + 3;
    transpositionTable.indexMask = 1024 - 1;
    ttClear();
    scratch = enginePosition;
    resetSearchLimits();
    setSearchLimits(e_GoDepth, 1 + data[0] % 3, 0);
    searchDriver();
    if (!fuzz::samePosition(enginePosition, scratch)) fuzz::fail("the search changed the Position");
    MoveList legal;
    generateLegalMoves(legal, enginePosition);
    Move best = Move(searchProgress.bestMove);
    if ((best == 0) != (legal.count == 0) || (best != 0 && !fuzz::inList(legal, best)))
        fuzz::fail("best move", fuzz::moveName(best));
    if (best != 0 && searchProgress.pv[0] != best)
        fuzz::fail("the variation does not start with it");
    for (int i = 0; i < 256 && searchProgress.pv[i] != 0; i++) {
        if (!isFullyLegal(searchProgress.pv[i], scratch))
            fuzz::fail("variation", fuzz::moveName(searchProgress.pv[i]));
        UndoRecord undo;
        makeMove(scratch, searchProgress.pv[i], undo);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initOnce();
    QARN_FUZZ_TARGET(data, size);
    return 0;
}
