// Shared pieces of the fuzz targets: set-up, failure reports, the Position consistency
// check, and the script in which the position targets receive a position and move lists.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/init.h"
#include "engine/output.h"
#include "engine/parser.h"
#include "eval/psqt.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/tables.h"
#include "search/tt.h"

namespace fuzz {

// The longest line the engine's reader ever hands to the parser.
constexpr size_t kMaxLine = LINE_BUFFER_SIZE - 1;

inline void initOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    initTables();
    ttReset();
    ttAllocate();
    consoleMuted = true;
}

// Reports a broken property and aborts so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
    std::abort();
}

inline std::string moveName(Move mv) {
    char text[5] = "";
    moveToText(mv, text, sizeof text);
    return text;
}

inline bool inList(const MoveList& list, Move mv) {
    for (int i = 0; i < list.count; i++)
        if (list.moves[i] == mv) return true;
    return false;
}

// Fails when a field of the Position disagrees with its placement, or the position is one
// no game reaches: a king missing, the side that has just moved in check, a piece where
// its kind cannot go (written apart from the FEN reader's own rule), or a root that
// leaves the search less than its history room.
inline void expectSound(const Position& pos, const char* where, bool root = true) {
    uint16_t rankBits[16] = {}, fileBits[16] = {};
    uint32_t mask = 0;
    int scores[2] = {};
    auto check = [&](bool ok, const std::string& what) {
        if (!ok) fail(where, what);
    };
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        check(inBoard[sq] && pos.board[sq] == p, "board and pieceSquare of " + std::to_string(p));
        rankBits[rankOf(sq)] |= fileBitOf[sq];
        fileBits[fileOf(sq)] |= rankBitOf[sq];
        mask |= 1u << (p - 16);
        scores[p >= BLACK_BIT] += pieceValue(p, sq);
        int side = p < 32 ? RED : BLACK, slot = p & 15, rank = rankOf(sq), file = fileOf(sq);
        bool own = side == RED ? sq >= 0x80 : sq < 0x80;
        int back = side == RED ? 12 - rank : rank - 3, centre = side == RED ? 11 : 4;
        if (slot == SLOT_KING) check(inPalace[sq] && own, "king outside its palace");
        if (slot > SLOT_KING && slot < SLOT_BISHOP)
            check(
                inPalace[sq] && own && (rank - centre) * (rank - centre) == (file - 7) * (file - 7),
                "advisor off its points");
        if (slot >= SLOT_BISHOP && slot < SLOT_KNIGHT)
            check(back % 2 == 0 && back <= 4 && (file - 3) % 2 == 0 && (back + file - 3) % 4 == 2,
                  "bishop off its points");
        if (slot >= SLOT_PAWN)
            check(back >= 5 || (back >= 3 && (file - 3) % 2 == 0), "pawn unreachable");
    }
    for (int sq = 0; sq < 256; sq++) {
        PieceIndex piece = pos.board[sq];
        if (piece != 0)
            check(inBoard[sq] && pos.pieceSquare[piece] == sq,
                  "occupied square " + std::to_string(sq));
    }
    check(std::memcmp(rankBits, pos.rankBits, sizeof rankBits) == 0, "rankBits");
    check(std::memcmp(fileBits, pos.fileBits, sizeof fileBits) == 0, "fileBits");
    check(mask == pos.pieceMask, "pieceMask");
    check(pos.key == computeKey(pos), "key");
    check(pos.redScore == scores[0] && pos.blackScore == scores[1], "scores");
    check(pos.pieceSquare[16] != 0 && pos.pieceSquare[32] != 0, "a king is missing");
    int limit = root ? HISTORY_SIZE - SEARCH_HISTORY_ROOM : HISTORY_SIZE;
    check(pos.historyCount >= 1 && pos.historyCount <= limit, "historyCount");
    check(pos.rootCount >= 1 && pos.rootCount <= pos.historyCount, "rootCount");
    check(pos.keyHistory[pos.historyCount - 1] == pos.key, "keyHistory");
    check((pos.moveHistory[0] & 0xFFFF) == NULL_MOVE, "first history record");
    check(!isSideInCheck(pos, 1 - pos.side), "the side that has moved is in check");
    check(inCheckNow(pos) == isSideInCheck(pos, pos.side), "check bit of the last move");
}

// Everything make and unmake must restore.
inline bool samePosition(const Position& a, const Position& b) {
    return std::memcmp(&a, &b, offsetof(Position, moveHistory)) == 0 &&
           std::memcmp(a.moveHistory, b.moveHistory, sizeof(MoveRecord) * a.historyCount) == 0 &&
           std::memcmp(a.keyHistory, b.keyHistory, sizeof(uint64_t) * a.historyCount) == 0;
}

// A script is text: its first line is what follows "position " ("startpos moves h2e2 ..."
// or "fen FEN [moves ...]"); each later line is a move list played as the "move" command
// does, and "repeat N" plays the previous list N more times, so that short inputs reach
// long games. Lines are cut as the engine's reader cuts them. Loads the position into
// `pos`, calling afterEach(pos) after the position and every move line; false when the
// first line is not a position the engine accepts.
template <typename Check>
bool playScript(const uint8_t* data, size_t size, Position& pos, Check afterEach) {
    std::string text(reinterpret_cast<const char*>(data), size), line, previous;
    CommandArgs args{};
    size_t start = 0;
    for (bool first = true; start <= text.size(); first = false) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::string body = text.substr(start, end - start);
        body.resize(std::strlen(body.c_str()));  // the reader stops a line at a NUL
        start = end + 1;
        if (first) {
            line = ("position " + body).substr(0, kMaxLine);
            if (parseCommandLine(line.data(), args) != e_CommPosition ||
                !loadFen(pos, args.arg1.text, args.arg2.number, args.arg3.moveTexts))
                return false;
            afterEach(pos);
            continue;
        }
        int repeats = 1;
        if (body.rfind("repeat ", 0) == 0) {
            repeats = std::min(std::max(std::atoi(body.c_str() + 7), 0), 2000);
            body = previous;
        } else {
            previous = body;
        }
        for (int r = 0; r < repeats; r++) {
            line = ("move " + body).substr(0, kMaxLine);
            if (parseCommandLine(line.data(), args) != e_CommMove) break;
            int before = pos.historyCount;
            applyMoveTexts(pos, args.arg2.number, args.arg3.moveTexts);
            afterEach(pos);
            if (pos.historyCount == before) break;  // nothing more will be played
        }
    }
    return true;
}

}  // namespace fuzz
