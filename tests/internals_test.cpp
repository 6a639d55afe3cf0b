// The engine's internals on a table of positions, written as one report and compared with
// tests/golden/positions.txt: generation orders, the move pickers, single-move tests,
// attacks, keys, incremental scores, every evaluation term, quiescence, a shallow search,
// perft; and digests of the precomputed tables. Any change of these shows as a diff.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "eval/evaluate.h"
#include "harness.h"
#include "position/perft.h"
#include "position/psqt.h"
#include "position/tables.h"
#include "search/movepick.h"
#include "search/search.h"
#include "search/tt.h"
#include "test_util.h"

namespace {

void add(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void add(std::string& out, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    out += text;
}

void addList(std::string& out, const char* name, const std::vector<Move>& moves) {
    out += name;
    for (Move mv : moves) out += " " + textOf(mv);
    out += "\n";
}

// A digest of every 16-bit value for which the test holds.
template <typename Test>
void addDigest(std::string& out, const char* name, Test test) {
    uint64_t hash = 14695981039346656037ull, count = 0;
    for (uint32_t value = 0; value < 0x10000; value++) {
        if (test(Move(value))) hash = (hash ^ value) * 1099511628211ull, count++;
    }
    add(out, "%s %" PRIu64 " %016" PRIx64 "\n", name, count, hash);
}

// repetitionStatus by name: a plain repetition, or one in which the side to move ("mover"),
// its opponent or both checked throughout.
const char* const kRepetitionNames[] = {"none", "plain",           "", "mover-checks",
                                        "",     "opponent-checks", "", "both-check"};

std::string report(const std::string& fen, const std::string& moves) {
    auto pos = positionFrom(fen, moves);
    std::string out;
    if (!pos) return "refused\n";
    add(out, "key %016" PRIx64 " scores %d %d mask %08x check %d %d repetition %s\n", pos->key,
        pos->redScore, pos->blackScore, pos->pieceMask, isSideInCheck(*pos, RED),
        isSideInCheck(*pos, BLACK), kRepetitionNames[repetitionStatus(*pos)]);
    MoveList list;
    generateAllMoves(list, *pos);
    addList(out, "all", movesOf(list));
    // Make and unmake of every pseudo-legal move and of the null move restore everything.
    Position before = *pos;
    for (int i = 0; i <= list.count; i++) {
        UndoRecord undo;
        i < list.count ? makeMove(*pos, list.moves[i], undo) : makeNullMove(*pos, undo);
        i < list.count ? unmakeMove(*pos, list.moves[i], undo) : unmakeNullMove(*pos, undo);
        if (!samePosition(before, *pos))
            out += "unmake differs: " + textOf(i < list.count ? list.moves[i] : 0) + "\n";
        *pos = before;
    }
    generateCaptures(list, *pos);
    addList(out, "captures", movesOf(list));
    generateQuietMoves(list, *pos);
    addList(out, "quiet", movesOf(list));
    generateLegalMoves(list, *pos);
    addList(out, "legal", movesOf(list));
    // The picker with the last legal move as hash move and a killer from the list.
    clearSearchTables();
    bool inCheck = inCheckNow(*pos);
    if (list.count > 2) killerMoves[2][0] = list.moves[list.count / 2];
    MovePicker picker;
    initMovePicker(picker, *pos, inCheck, 2, list.count ? list.moves[list.count - 1] : 0);
    std::vector<Move> picked;
    while (Move mv = nextMove(picker)) picked.push_back(mv);
    addList(out, "picker", picked);
    QuiescencePicker quiescencePicker;
    initQuiescencePicker(quiescencePicker, *pos, inCheck);
    picked.clear();
    while (Move mv = nextQuiescenceMove(quiescencePicker)) picked.push_back(mv);
    addList(out, "quiescence", picked);
    addDigest(out, "pseudo", [&](Move mv) { return isPseudoLegal(mv, *pos); });
    addDigest(out, "quiet", [&](Move mv) { return isPseudoLegalQuiet(mv, *pos); });
    addDigest(out, "fully", [&](Move mv) { return isFullyLegal(mv, *pos); });
    addDigest(out, "checks",
              [&](Move mv) { return isFullyLegal(mv, *pos) && givesCheck(mv, *pos); });
    std::string attacks = "attacks";
    for (int rank = 3; rank <= 12; rank++) {
        attacks += " ";
        for (int file = 3; file <= 11; file++) {
            Square sq = Square(rank * 16 + file);
            attacks += char('0' + isSquareAttackedBy(*pos, RED, sq) +
                            2 * isSquareAttackedBy(*pos, BLACK, sq));
        }
    }
    out += attacks + "\n";
    int material = (pos->side == RED ? 1 : -1) * (pos->redScore - pos->blackScore);
    add(out, "eval %d threat %d rooks %d knights %d lazy %d %d\n", evaluate(-30000, 30000, *pos),
        palaceThreatScore(*pos), rookMobilityScore(*pos), knightTrapScore(*pos),
        evaluate(material + 300, material + 301, *pos),
        evaluate(material - 301, material - 300, *pos));
    ttClear();
    Move pv[256] = {};
    int quiet = quiescence(*pos, -30000, 30000, 1, pv);
    int searched = searchNode(*pos, -30000, 30000, 3, 1, pv, false);
    add(out, "quiescence %d search3 %d pv %s perft %" PRIu64 " %" PRIu64 " %" PRIu64 "\n", quiet,
        searched, textOf(pv[0]).c_str(), perft(*pos, 1), perft(*pos, 2), perft(*pos, 3));
    return out;
}

template <typename Entry, size_t N>
uint64_t digest(const Entry (&table)[N]) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(table);
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < sizeof table; i++) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

std::string tables() {
    std::string out;
    add(out,
        "tables king %016" PRIx64 " advisor %016" PRIx64 " bishop %016" PRIx64 " eyes %016" PRIx64
        " knight %016" PRIx64 " legs %016" PRIx64 " pawn %016" PRIx64 "\n",
        digest(kingMoves), digest(advisorMoves), digest(bishopMoves), digest(bishopEyes),
        digest(knightMoves), digest(knightLegs), digest(pawnMoves));
    add(out,
        "slides %016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64 " bits %016" PRIx64
        " mvvlva %016" PRIx64 "\n",
        digest(rankSlideLists), digest(rankSlideMasks), digest(fileSlideLists),
        digest(fileSlideMasks), digest(bitCount), digest(mvvLvaClass));
    for (int type = 0; type < 8; type++) {
        out += "psqt";
        for (int rank = 3; rank <= 12; rank++) {
            for (int file = 3; file <= 11; file++)
                add(out, " %d", pieceSquareValue[type * 256 + rank * 16 + file]);
        }
        out += "\n";
    }
    return out;
}

}  // namespace

// "position FEN [moves ...]", "check FEN" (a placement checked for check only) or "tables".
TEST(Internals, ReportsMatch) {
    expectReplay("positions.txt", [](const std::string& input) {
        if (input == "tables") return tables();
        std::string fen = input.substr(input.find(' ') + 1), moves;
        if (startsWith(input, "check ")) {
            Position pos;
            std::string out;
            bool accepted = setupFen(pos, fen.c_str());
            add(out, "accepted %d check %d %d\n", accepted, isSideInCheck(pos, RED),
                isSideInCheck(pos, BLACK));
            return out;
        }
        if (size_t at = fen.find(" moves "); at != std::string::npos) {
            moves = fen.substr(at + 7);
            fen.resize(at);
        }
        return report(fen, moves);
    });
}
