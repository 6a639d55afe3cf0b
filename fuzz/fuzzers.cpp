// The five libFuzzer targets, one per build of this file (QARN_FUZZ_TARGET names it):
// parser (a command line), fen (a script), book (the bytes of a book file), search (a
// depth byte, then a script) and games (a byte naming the file, then its bytes). See
// fuzz/README.md for what each checks.
#include <algorithm>

#include "../tests/test_util.h"
#include "book/book.h"
#include "engine/enginepos.h"
#include "engine/init.h"
#include "engine/parser.h"
#include "engine/timecontrol.h"
#include "games/encoding.h"
#include "games/inputs.h"
#include "games/notation.h"
#include "games/replay.h"
#include "games/textgames.h"
#include "position/psqt.h"
#include "search/progress.h"
#include "search/search.h"
#include "search/tt.h"

namespace {

// The longest line the engine's reader ever hands to the parser.
constexpr size_t kMaxLine = LINE_BUFFER_SIZE - 1;
Position loaded, scratch;

// Reports a broken property and aborts so that libFuzzer keeps the input.
void check(bool ok, const char* what, const std::string& detail = "") {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
    std::abort();
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool inList(const MoveList& list, Move mv) {
    return std::count(list.moves, list.moves + list.count, mv) > 0;
}

// Fails when a field of the Position disagrees with its placement, or the position is one
// no game reaches: a king missing, the side that has just moved in check, or a root that
// leaves the search less than its history room.
void expectSound(const Position& pos, bool root = true) {
    uint16_t rankBits[16] = {}, fileBits[16] = {};
    uint32_t mask = 0;
    int scores[2] = {};
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        check(inBoard[sq] && pos.board[sq] == p, "board and pieceSquare", std::to_string(p));
        rankBits[rankOf(sq)] |= fileBitOf[sq];
        fileBits[fileOf(sq)] |= rankBitOf[sq];
        mask |= 1u << (p - 16);
        scores[p >= BLACK_BIT] += pieceValue(p, sq);
    }
    for (int sq = 0; sq < 256; sq++)
        check(pos.board[sq] == 0 || (inBoard[sq] && pos.pieceSquare[pos.board[sq]] == sq),
              "occupied square", std::to_string(sq));
    check(!std::memcmp(rankBits, pos.rankBits, sizeof rankBits) &&
              !std::memcmp(fileBits, pos.fileBits, sizeof fileBits) && mask == pos.pieceMask,
          "line bits or piece mask");
    check(pos.key == computeKey(pos) && pos.keyHistory[pos.historyCount - 1] == pos.key, "key");
    check(pos.redScore == scores[0] && pos.blackScore == scores[1], "scores");
    check(pos.pieceSquare[16] != 0 && pos.pieceSquare[32] != 0, "a king is missing");
    check(pos.historyCount >= 1 && pos.rootCount >= 1 &&
              pos.historyCount <= (root ? HISTORY_SIZE - SEARCH_HISTORY_ROOM : HISTORY_SIZE) &&
              pos.rootCount <= pos.historyCount && (pos.moveHistory[0] & 0xFFFF) == NULL_MOVE,
          "history");
    check(!isSideInCheck(pos, 1 - pos.side), "the side that has moved is in check");
    check(inCheckNow(pos) == isSideInCheck(pos, pos.side), "check bit of the last move");
}

// A script's first line is what follows "position "; each later line is a move list played
// as "move" does, and "repeat N" plays the previous list N more times (short inputs reach
// long games). Loads `pos`, checking it after each line when `sound`; false when the first
// line is not a position the engine accepts.
bool playScript(const uint8_t* data, size_t size, Position& pos, bool sound) {
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    std::string body, line, previous;
    std::getline(lines, body);  // the position, even from an empty input
    line = ("position " + body).substr(0, kMaxLine);
    CommandArgs args{};
    if (parseCommandLine(line.data(), args) != e_CommPosition ||
        !loadFen(pos, args.arg1.text, args.arg2.number, args.arg3.moveTexts))
        return false;
    if (sound) expectSound(pos);
    while (std::getline(lines, body)) {
        if (body.rfind("repeat ", 0) != 0) previous = body;
        int repeats = body == previous ? 1 : std::clamp(std::atoi(body.c_str() + 7), 0, 2000);
        for (int r = 0, before = -1; r < repeats && pos.historyCount != before; r++) {
            line = ("move " + previous).substr(0, kMaxLine);  // the parser cuts what it reads
            if (parseCommandLine(line.data(), args) != e_CommMove) break;
            before = pos.historyCount;
            applyMoveTexts(pos, args.arg2.number, args.arg3.moveTexts);
            if (sound) expectSound(pos);
        }
    }
    return true;
}

// A move list's slots point into moveListBuffer and hold the bytes at every fifth place.
void checkMoveList(const char* list, int32_t count, const uint32_t* texts) {
    size_t length = std::strlen(list);
    check(size_t(count) == std::min((length + 1) / 5, size_t(MOVE_LIST_SIZE)), "move count");
    check(count == 0 || texts == moveListBuffer, "move texts outside the buffer");
    for (int32_t i = 0; i < count; i++)
        check(5 * size_t(i) + 4 <= length && std::memcmp(&texts[i], list + 5 * i, 4) == 0,
              "move text bytes");
}

// The code agrees with the line's prefix and every argument lies within its bounds.
void parserTarget(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxLine));
    char* line = text.data();
    size_t length = text.size();
    CommandArgs args;
    std::memset(&args, 0xA5, sizeof args);
    CommandCode code = parseCommandLine(line, args);
    int32_t a1 = args.arg1.number, a2 = args.arg2.number;
    const std::pair<const char*, CommandCode> exact[] = {
        {"isready", e_CommIsReady}, {"stop", e_CommStop}, {"scr", e_CommScr}, {"quit", e_CommQuit}};
    for (auto [word, wordCode] : exact)
        check((std::strcmp(line, word) == 0) == (code == wordCode), "exact command", word);
    if (code == e_CommSetOption) {
        check(startsWith(line, "setoption ") && a1 >= 0 && a1 <= e_OptionLoadBook, "setoption");
        bool text = a1 == e_OptionBookFiles || a1 == e_OptionEgtbPaths;
        check(!text || (args.arg2.text >= line && args.arg2.text <= line + length), "option text");
    } else if (code == e_CommPosition) {
        const char* rest = line + 9;
        check(args.arg1.text == rest + 4 || setupFen(scratch, args.arg1.text), "position text");
        const char* moves = std::strstr(rest, " moves ");
        if (moves != nullptr) checkMoveList(moves + 7, a2, args.arg3.moveTexts);
        check(moves != nullptr || a2 == 0, "moves without the keyword");
    } else if (code == e_CommBanMoves || code == e_CommMove) {
        bool ban = code == e_CommBanMoves;
        check(startsWith(line, ban ? "banmoves " : "move "), "move prefix");
        checkMoveList(line + (ban ? 9 : 5), ban ? a1 : a2,
                      ban ? args.arg2.moveTexts : args.arg3.moveTexts);
    } else if (code == e_CommGo || code == e_CommGoPonder) {
        bool ponder = startsWith(line, "go ponder ");
        const char* rest = line + (ponder ? 10 : 3);
        check(startsWith(line, "go ") && (code == e_CommGoPonder) == ponder, "go prefix");
        check(startsWith(rest, "time ") ? a1 == e_GoMovesToGo || a1 == e_GoIncrement
                                        : a1 == e_GoDepth,
              "go limits");
    } else if (code == e_CommNone) {
        for (const char* prefix : {"setoption ", "banmoves ", "go ", "move "})
            check(!startsWith(line, prefix), "recognised prefix refused", prefix);
    } else {
        check(code != e_CommPonderHit && code != e_CommUcci, "unexpected code");
    }
}

// Every accepted step is sound; make and unmake restore exactly; the single-move tests
// agree with the generator.
void fenTarget(const uint8_t* data, size_t size) {
    if (!playScript(data, size, loaded, true)) return;
    MoveList legal, pseudo;
    generateLegalMoves(legal, loaded);
    generateAllMoves(pseudo, loaded);
    scratch = loaded;
    for (Move mv : movesOf(pseudo)) {
        UndoRecord undo;
        makeMove(loaded, mv, undo);
        bool safe = !isSideInCheck(loaded, undo.side), gives = isSideInCheck(loaded, loaded.side);
        if (safe) expectSound(loaded, false);
        unmakeMove(loaded, mv, undo);
        check(samePosition(loaded, scratch), "unmake", textOf(mv));
        check(isLegalMove(mv, loaded) == safe && safe == inList(legal, mv), "legal", textOf(mv));
        check(!safe || givesCheck(mv, loaded) == gives, "givesCheck", textOf(mv));
        if (loaded.board[moveTo(mv)] != 0 && !inCheckNow(loaded))
            check(isLegalCaptureOutOfCheck(mv, loaded) == safe, "capture legality", textOf(mv));
    }
    for (int from = 0; from < 256; from++) {
        if (!inBoard[from] || (loaded.board[from] & sideBase(loaded.side)) == 0) continue;
        for (int to = 0; to < 256; to++) {
            if (!inBoard[to]) continue;
            Move mv = makeMoveCode(Square(from), Square(to));
            bool generated = inList(pseudo, mv), pseudoLegal = isPseudoLegal(mv, loaded);
            check(generated == pseudoLegal, "isPseudoLegal", textOf(mv));
            check(isPseudoLegalQuiet(mv, loaded) == (pseudoLegal && loaded.board[to] == 0),
                  "isPseudoLegalQuiet", textOf(mv));
            check(!generated || isFullyLegal(mv, loaded) == inList(legal, mv), "isFullyLegal");
        }
    }
}

// readBookFile takes any bytes (a memory file is never unreadable); then the book followed
// from the start position offers only legal moves of its entries.
void bookTarget(const uint8_t* data, size_t size) {
    bookTable.clear();
    FILE* file =
        size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::fopen("/dev/null", "rb");
    BookReadResult result = readBookFile(file, bookTable);
    std::fclose(file);
    check(result != e_BookUnreadable, "verdict");
    bookLoaded = result == e_BookRead;  // probeBook offers nothing from an unloaded book
    bookMissCount = 0;                  // or earlier misses would close the book
    setupFen(loaded, kStartFen);
    for (Move chosen; loaded.historyCount < 40 && (chosen = probeBook(loaded)) != 0;) {
        const std::vector<Move>& moves = bookTable[loaded.key];
        check(isFullyLegal(chosen, loaded) && std::count(moves.begin(), moves.end(), chosen) > 0,
              "book move", textOf(chosen));
        UndoRecord undo;
        makeMove(loaded, chosen, undo);
    }
}

// A short search from the script's position: the best move is legal, 0 exactly when there
// is none; the root Position is left as it was; the principal variation is legal. A small
// table, cleared every time, hands the search many hash moves of other positions.
void searchTarget(const uint8_t* data, size_t size) {
    static HashEntry smallTable[1024 + 3];
    if (size == 0 || !playScript(data + 1, size - 1, loaded, false)) return;
    transpositionTable = {smallTable, 1024 + 3, 1024 - 1, 0, {}};
    ttClear();  // sets the generation and its ages
    scratch = loaded;
    resetSearchLimits();
    setSearchLimits(e_GoDepth, 1 + data[0] % 3, 0);
    iterativeDeepening(loaded);
    check(samePosition(loaded, scratch), "the search changed the Position");
    MoveList legal;
    generateLegalMoves(legal, loaded);
    Move best = Move(searchProgress.bestMove);
    check((best == 0) == (legal.count == 0) &&
              (best == 0 || (inList(legal, best) && searchProgress.pv[0] == best)),
          "best move, or the variation does not start with it", textOf(best));
    for (int i = 0; i < 256 && searchProgress.pv[i] != 0; i++) {
        check(isFullyLegal(searchProgress.pv[i], scratch), "variation",
              textOf(searchProgress.pv[i]));
        UndoRecord undo;
        makeMove(scratch, searchProgress.pv[i], undo);
    }
}

// The move of the notation text, as the PGN reader resolves it in the position; 0 when it
// names none or several.
Move readBack(const std::string& utf8, Position& pos) {
    uint32_t chars[8];
    int count = 0;
    for (const char* p = utf8.data(); p < utf8.data() + utf8.size() && count < 8; count++) {
        size_t length = charLength(TextEncoding::Utf8, p, utf8.data() + utf8.size());
        chars[count] = decodeChar(TextEncoding::Utf8, p, length);
        p += length;
    }
    NotationMove parsed;
    Move found = 0;
    if (parseNotationMove(chars, count, parsed) == Notation::Unknown) return 0;
    return resolveNotationMove(parsed, pos, found) == 1 ? found : 0;
}

// The first byte names the file (its extension, and whether it was met in a folder), the
// rest are its bytes, read as the review and the book builder read them. Every move is on
// the board; a move the reader resolved from Chinese or WXF notation is legal (only
// coordinates may be illegal, found when the game is replayed); each legal move, written
// back in Chinese and WXF notation, reads as itself.
void gamesTarget(const uint8_t* data, size_t size) {
    if (size == 0) return;
    static const char* const kNames[] = {"game.pgn", "game.txt", "game.xqf", "game"};
    InputFile file{kNames[(data[0] >> 1) & 3], (data[0] & 1) != 0};
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    readGameFile(file, bytes, [](const GameRecord& game) {
        check(game.error.empty() || game.errorLine >= 0, "error line");
        if (!setupCheckedFen(loaded, game.hasFen ? game.fen.c_str() : kStartFen)) return;
        for (const GameMove& move : game.moves) {
            Move mv = moveFromText(move.packed);
            check(mv != 0, "move off the board", move.written);
            uint32_t packed;
            bool coordinates = parseMoveToken(move.written, packed) && packed == move.packed;
            if (!isFullyLegal(mv, loaded)) {
                check(coordinates, "illegal move from notation", move.written);
                return;
            }
            for (const std::string& text : {chineseMoveText(loaded, mv), wxfMoveText(loaded, mv)})
                check(readBack(text, loaded) == mv, "written move reads back", text);
            if (!playMoveText(loaded, move.packed)) return;
        }
    });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    initTables();
    ttReset();
    ttAllocate();
    // The engine's refusals of FENs and moves are not wanted in the fuzzer's log.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QARN_FUZZ_TARGET(data, size);
    return 0;
}
