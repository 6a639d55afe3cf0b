// The structured calls of the worker (see worker-glue.js): the rules and the notation of a
// game, the games of a file, and the check of a book before the engine reads it. Each works
// on a Position of its own, prints nothing and never yields, so that it may run while the
// engine's search is suspended at a yield and leave that search exactly as it was. Each
// answers with JSON text, valid until the next call.
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/fens.h"
#include "book/book.h"
#include "engine/init.h"
#include "games/inputs.h"
#include "games/notation.h"
#include "games/pgn.h"
#include "games/replay.h"
#include "json.h"
#include "moves.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"

namespace {

Position callPosition;
std::string reply;

// A call may come before the engine has read ucci and built its tables.
void prepareTables() {
    static bool ready = false;
    if (!ready) initTables();
    ready = true;
}

// The two counters at the end of a FEN (plies since the last capture, the move number),
// which the Position does not keep.
struct FenCounters {
    int quietPlies = 0;
    int moveNumber = 1;
};

FenCounters readCounters(const char* fen) {
    FenCounters counters;
    int quiet = 0, number = 0;
    // Board, side, two unused fields, then the counters.
    if (std::sscanf(fen, "%*s %*s %*s %*s %d %d", &quiet, &number) == 2 && quiet >= 0 &&
        number > 0) {
        counters = {quiet, number};
    }
    return counters;
}

std::string writeFen(const Position& pos, const FenCounters& counters) {
    std::string fen;
    for (int rank = FIRST_RANK; rank <= LAST_RANK; rank++) {
        int empty = 0;
        for (int file = FIRST_FILE; file <= LAST_FILE; file++) {
            PieceIndex piece = pos.board[rank * RANK_STEP + file];
            if (piece == 0) {
                empty++;
                continue;
            }
            if (empty > 0) fen += char('0' + empty);
            empty = 0;
            char letter = " KABNRCP"[pieceTypeOf[piece]];
            fen += (piece & BLACK_BIT) ? char(letter - 'A' + 'a') : letter;
        }
        if (empty > 0) fen += char('0' + empty);
        if (rank < LAST_RANK) fen += '/';
    }
    fen += pos.side == RED ? " w - - " : " b - - ";
    return fen + std::to_string(counters.quietPlies) + ' ' + std::to_string(counters.moveNumber);
}

// The fields of the position the game has reached: its FEN, side, legal moves, check and
// whether the game is over there.
void appendPositionFields(std::string& out, Position& pos, const FenCounters& counters) {
    MoveList legal;
    generateLegalMoves(legal, pos);
    bool check = inCheckNow(pos);
    appendField(out, "fen", writeFen(pos, counters));
    appendField(out, "side", pos.side == RED ? "red" : "black");
    out += "\"legal\":[";
    for (int i = 0; i < legal.count; i++) {
        if (i > 0) out += ',';
        appendJsonString(out, ucciMoveText(legal.moves[i]));
    }
    out += "],\"check\":";
    out += check ? "true" : "false";
    out += ",\"over\":";
    out += legal.count > 0 ? "null" : check ? "\"mate\"" : "\"stalemate\"";
}

void describeGame(std::string& out, const char* fen, const char* moves) {
    Position& pos = callPosition;
    out = "{";
    if (!isWellFormedFen(fen) || !setupFen(pos, fen)) {
        appendField(out, "error",
                    isWellFormedFen(fen)
                        ? "not a legal position (a king missing, too many pieces of a kind, a "
                          "piece where it can never stand, or the side not to move in check)"
                        : "not a FEN: it needs ten ranks of nine points of piece letters and "
                          "digits, then w or b");
        appendField(out, "startFen", fen);
        // No position, so no move to offer: the page's board takes none.
        out += "\"ok\":false,\"plies\":[],\"legal\":[]}";
        return;
    }
    FenCounters counters = readCounters(fen);
    appendField(out, "startFen", writeFen(pos, counters));
    std::string error;
    out += "\"plies\":[";
    int ply = 0;
    for (const std::string& word : moveWords(moves)) {
        Move move = word.size() == 4 ? moveFromText(packMoveText(word.c_str())) : 0;
        if (move == 0 || !isFullyLegal(move, pos)) {
            error = illegalMoveError(size_t(ply), word);
            break;
        }
        bool capture = pos.board[moveTo(move)] != 0;
        out += ply > 0 ? ",{" : "{";
        appendMoveFields(out, pos, move);
        if (pos.side == BLACK) counters.moveNumber++;
        counters.quietPlies = capture ? 0 : counters.quietPlies + 1;
        playMove(pos, move);
        appendField(out, "fen", writeFen(pos, counters));
        out += "\"capture\":";
        out += capture ? "true" : "false";
        out += ",\"check\":";
        out += inCheckNow(pos) ? "true}" : "false}";
        ply++;
    }
    out += "],";
    if (!error.empty()) appendField(out, "error", error);
    out += error.empty() ? "\"ok\":true," : "\"ok\":false,";
    appendPositionFields(out, pos, counters);
    out += '}';
}

// The encoding's name as the browser's TextDecoder knows it.
const char* encodingName(TextEncoding encoding) {
    constexpr const char* kNames[] = {"utf-8", "gb18030", "big5"};
    return kNames[int(encoding)];
}

// The tags' values as the file holds them, each byte a character (U+0000..U+00FF), with the
// file's encoding: the worker's script decodes them, having the browser's full tables.
void appendTags(std::string& out, const GameRecord& game) {
    appendField(out, "encoding", encodingName(game.encoding));
    out += "\"tags\":{";
    for (size_t i = 0; i < game.tags.size(); i++) {
        if (i > 0) out += ',';
        appendJsonString(out, game.tags[i].name);
        out += ":\"";
        for (char c : game.tags[i].value) {
            if (uint8_t(c) >= 0x20 && uint8_t(c) < 0x80 && c != '"' && c != '\\') {
                out += c;
                continue;
            }
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(uint8_t(c)));
            out += escaped;
        }
        out += '"';
    }
    out += "},";
}

// One game as the readers hand it over: the other lines of a game tree are left out.
void appendGame(std::string& out, const GameRecord& game) {
    if (game.variation != 0) return;
    out += out.back() == '[' ? "{" : ",{";
    appendTags(out, game);
    if (game.hasFen) appendField(out, "fen", game.fen);
    if (!game.error.empty()) {
        std::string where =
            game.errorLine > 0 ? "line " + std::to_string(game.errorLine) + ": " : std::string();
        appendField(out, "error", where + game.error);
    }
    appendField(out, "result", resultToken(game.result));
    out += "\"moves\":[";
    for (size_t i = 0; i < game.moves.size(); i++) {
        uint32_t packed = game.moves[i].packed;
        char text[5] = {char(packed), char(packed >> 8), char(packed >> 16), char(packed >> 24)};
        if (i > 0) out += ',';
        appendJsonString(out, text);
    }
    out += "]}";
}

}  // namespace

// The game from `fen` (the start position when empty) through `moves` (UCCI texts separated
// by blanks), as the page's "game" call answers it; moves after a refused one are dropped.
extern "C" EMSCRIPTEN_KEEPALIVE const char* qarn_game(const char* fen, const char* moves) {
    prepareTables();
    describeGame(reply, fen[0] != '\0' ? fen : kStartFen, moves);
    return reply.c_str();
}

// The games of a file's bytes (XQF, PGN in any notation and encoding, or UCCI text), read
// by the game readers as the book builder reads them; `name` gives the extension.
extern "C" EMSCRIPTEN_KEEPALIVE const char* qarn_parse(const char* name, const char* bytes,
                                                       int size) {
    prepareTables();
    reply = "{\"games\":[";
    try {
        readGameFile({name, false}, std::string(bytes, size_t(size)),
                     [](const GameRecord& game) { appendGame(reply, game); });
        reply += "]}";
    } catch (const std::exception& failure) {
        reply = "{\"error\":";
        appendJsonString(reply, failure.what());
        reply += '}';
    }
    return reply.c_str();
}

// Reads book bytes as the engine reads its book file: a BookReadResult. The worker's script
// installs only a book that reads whole, since a malformed one would end the engine.
extern "C" EMSCRIPTEN_KEEPALIVE int qarn_check_book(const void* bytes, int size) {
    if (size <= 0) return e_BookBadHeader;
    FILE* file = fmemopen(const_cast<void*>(bytes), size_t(size), "rb");
    if (file == nullptr) return e_BookUnreadable;
    std::map<uint64_t, std::vector<Move>> table;
    BookReadResult result = readBookFile(file, table);
    std::fclose(file);
    return result;
}
