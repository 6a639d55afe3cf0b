// Shared pieces of the fuzz targets: one-time set-up, the Position consistency check, and
// the script format in which the position targets receive a position and move lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/init.h"
#include "engine/output.h"
#include "engine/parser.h"
#include "engine/reader.h"
#include "eval/psqt.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/position.h"
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

// Reports a broken property and ends the run so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

inline std::string moveName(Move mv) {
    char text[5];
    moveToText(mv, text, sizeof text);
    return text;
}

// The first field of the Position that disagrees with the placement, or "" when all agree.
// The position is one the engine may reach by legal moves: both kings on the board and the
// side that has just moved not in check. A root (as "position" and "move" leave it) also
// keeps the history room that a search needs.
inline std::string positionFault(const Position& pos, bool root = true) {
    uint16_t rankBits[16] = {}, fileBits[16] = {};
    uint32_t mask = 0;
    int red = 0, black = 0;
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        if (!inBoard[sq]) return "piece " + std::to_string(p) + " off the board";
        if (pos.board[sq] != p) return "board disagrees with pieceSquare of " + std::to_string(p);
        rankBits[rankOf(sq)] |= fileBitOf[sq];
        fileBits[fileOf(sq)] |= rankBitOf[sq];
        mask |= 1u << (p - 16);
        (p & RED_BIT ? red : black) += pieceValue(p, sq);
    }
    for (int sq = 0; sq < 256; sq++) {
        PieceIndex piece = pos.board[sq];
        if (piece == 0) continue;
        if (!inBoard[sq]) return "square " + std::to_string(sq) + " off the board is occupied";
        if (piece < 16 || piece >= 48) return "bad piece index on square " + std::to_string(sq);
        if (pos.pieceSquare[piece] != sq)
            return "pieceSquare disagrees with board on " + std::to_string(sq);
    }
    if (std::memcmp(rankBits, pos.rankBits, sizeof rankBits) != 0) return "rankBits";
    if (std::memcmp(fileBits, pos.fileBits, sizeof fileBits) != 0) return "fileBits";
    if (mask != pos.pieceMask) return "pieceMask";
    if (pos.side != RED && pos.side != BLACK) return "side";
    if (pos.key != computeKey(pos)) return "key";
    if (pos.redScore != red) return "redScore";
    if (pos.blackScore != black) return "blackScore";
    if (pos.pieceSquare[16] == 0 || pos.pieceSquare[32] == 0) return "a king is missing";
    int historyLimit = root ? HISTORY_SIZE - SEARCH_HISTORY_ROOM : HISTORY_SIZE;
    if (pos.historyCount < 1 || pos.historyCount > historyLimit)
        return "historyCount " + std::to_string(pos.historyCount);
    if (pos.rootCount < 1 || pos.rootCount > pos.historyCount) return "rootCount";
    if (pos.keyHistory[pos.historyCount - 1] != pos.key) return "keyHistory";
    if ((pos.moveHistory[0] & 0xFFFF) != NULL_MOVE) return "first history record";
    if (isSideInCheck(pos, 1 - pos.side)) return "the side that has moved is in check";
    if (inCheckNow(pos) != isSideInCheck(pos, pos.side)) return "check bit of the last move";
    return "";
}

inline void expectSound(const Position& pos, const char* where) {
    std::string fault = positionFault(pos);
    if (!fault.empty()) fail(where, fault);
}

// The fields that make and unmake must restore exactly.
inline bool samePosition(const Position& a, const Position& b) {
    return std::memcmp(a.board, b.board, sizeof a.board) == 0 &&
           std::memcmp(a.pieceSquare, b.pieceSquare, sizeof a.pieceSquare) == 0 &&
           a.side == b.side && std::memcmp(a.rankBits, b.rankBits, sizeof a.rankBits) == 0 &&
           std::memcmp(a.fileBits, b.fileBits, sizeof a.fileBits) == 0 && a.key == b.key &&
           a.redScore == b.redScore && a.blackScore == b.blackScore && a.pieceMask == b.pieceMask &&
           a.historyCount == b.historyCount && a.rootCount == b.rootCount &&
           std::memcmp(a.moveHistory, b.moveHistory, sizeof(MoveRecord) * a.historyCount) == 0 &&
           std::memcmp(a.keyHistory, b.keyHistory, sizeof(uint64_t) * a.historyCount) == 0;
}

inline bool inList(const MoveList& list, Move mv) {
    for (int i = 0; i < list.count; i++)
        if (list.moves[i] == mv) return true;
    return false;
}

// A script is text, one command per line:
//   line 1      the arguments of a "position" command: "startpos moves h2e2 ..." or
//               "fen FEN [moves ...]"
//   later lines "MOVES" plays them as the "move" command does, and "repeat N" plays the
//               previous line's moves N more times (so that short inputs reach long games).
// Every line is cut to what the engine's reader would deliver.
struct Script {
    std::string position;
    std::vector<std::string> moveLines;
};

inline Script parseScript(const uint8_t* data, size_t size) {
    Script script;
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        // The reader stops a line at a NUL byte.
        line = line.substr(0, std::strlen(line.c_str()));
        if (first) {
            script.position = line;
            first = false;
        } else {
            script.moveLines.push_back(line);
        }
        start = end + 1;
    }
    return script;
}

// Runs `prefix + body` through the parser as the engine would see that line.
inline CommandCode parseLine(const std::string& prefix, const std::string& body,
                             std::string& storage, CommandArgs& args) {
    storage = (prefix + body).substr(0, kMaxLine);
    return parseCommandLine(storage.c_str(), args);
}

// Whether every piece stands on a square that its kind can reach in a game: kings in their
// palace, advisors and bishops on their points, pawns on their own files before the river
// or anywhere beyond it. Written apart from the engine's own rule, from the board alone.
inline bool reachablePlacement(const Position& pos) {
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        int side = p < 32 ? RED : BLACK;
        bool ownHalf = side == RED ? sq >= 0x80 : sq < 0x80;
        int slot = p & 15;
        int rank = rankOf(sq), file = fileOf(sq);
        if (slot == SLOT_KING) {
            if (!inPalace[sq] || !ownHalf) return false;
        } else if (slot < SLOT_BISHOP) {
            // The palace corners and its centre.
            int centreRank = side == RED ? 11 : 4;
            int dr = rank - centreRank, df = file - 7;
            if (!inPalace[sq] || !ownHalf || dr * dr != df * df) return false;
        } else if (slot < SLOT_KNIGHT) {
            // Relative to the own back rank and file a: ranks 0, 2, 4 and files 0..8, both
            // even and their sum 2 modulo 4.
            int relativeRank = side == RED ? 12 - rank : rank - 3, relativeFile = file - 3;
            if (relativeRank % 2 != 0 || relativeRank > 4 || relativeFile % 2 != 0 ||
                (relativeRank + relativeFile) % 4 != 2)
                return false;
        } else if (slot >= SLOT_PAWN) {
            bool startFile = file == 3 || file == 5 || file == 7 || file == 9 || file == 11;
            bool crossed = side == RED ? rank <= 7 : rank >= 8;
            bool home = side == RED ? (rank == 8 || rank == 9) : (rank == 6 || rank == 7);
            if (!crossed && !(home && startFile)) return false;
        }
    }
    return true;
}

// Loads the script's position into `pos` as "position" and "move" commands would, calling
// `afterEach(pos)` after the position and after every move line. False when the position
// line is not a position command or its FEN is refused.
template <typename Check>
bool playScript(const Script& script, Position& pos, Check afterEach) {
    CommandArgs args{};
    std::string line;
    if (parseLine("position ", script.position, line, args) != e_CommPosition) return false;
    if (!loadFen(pos, args.arg1.text, args.arg2.number, args.arg3.moveTexts)) return false;
    // The attack test is complete only for such placements (elsewhere an advisor in the
    // other palace could take a king unseen), so the FEN reader refuses every other one.
    if (!reachablePlacement(pos)) fail("a piece accepted where its kind cannot go");
    afterEach(pos);
    std::string previous;
    for (const std::string& moves : script.moveLines) {
        int repeats = 1;
        std::string body = moves;
        if (moves.rfind("repeat ", 0) == 0) {
            repeats = std::atoi(moves.c_str() + 7);
            if (repeats < 0) repeats = 0;
            if (repeats > 2000) repeats = 2000;
            body = previous;
        } else {
            previous = moves;
        }
        for (int r = 0; r < repeats; r++) {
            if (parseLine("move ", body, line, args) != e_CommMove) break;
            int before = pos.historyCount;
            applyMoveTexts(pos, args.arg2.number, args.arg3.moveTexts);
            afterEach(pos);
            if (pos.historyCount == before) break;  // nothing more will be played
        }
    }
    return true;
}

}  // namespace fuzz
