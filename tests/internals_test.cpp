// The engine's internals on a table of positions, written as one report and compared with
// tests/golden/positions.txt: generation orders, the move pickers, single-move tests,
// attacks, keys, incremental scores, every evaluation term, quiescence, a shallow search,
// perft; and digests of the precomputed tables. Any change of these shows as a diff.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "eval/evaluate.h"
#include "eval/psqt.h"
#include "harness.h"
#include "position/perft.h"
#include "position/tables.h"
#include "search/movepick.h"
#include "search/search.h"
#include "search/tt.h"
#include "test_util.h"

namespace {

struct Case {
    const char* fen;
    const char* moves;
};

const Case kPositions[] = {
    {kStartFen, ""},
    {kStartFen, "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5"},                       // middlegame
    {"2bakab1r/6r2/1cn4c1/p1p1p3p/9/2P3p2/PC2P1n1P/2N1B1NC1/R4R3/3AKAB2 w", ""},  // midgamepos
    {"4kar2/4a2rn/4bc3/RN1c5/2bC5/9/4p4/9/4p4/3p1K3 w", ""},                      // many checks
    {"3k5/4PP3/4r4/3P5/9/9/9/9/9/5K3 w", ""},                                     // zugzwang
    {"3akab2/9/9/9/9/9/9/9/4R4/3K5 b", ""},                                       // in check
    {"3k5/9/9/4p4/9/9/4P4/4C4/9/5K3 w", ""},                                      // cannon screens
    {"5k3/9/9/9/2P6/2B6/9/9/3K5/9 w", ""},                                        // river rules
    {"4k4/9/9/9/4c4/9/4P4/9/4A4/3AK3r w", ""},                                    // open-f palace
    {"4k4/9/9/9/9/9/9/9/4A4/3AK3c b", ""},                                        // bottom cannon
    {"3aka3/9/9/9/9/4C4/9/9/9/4K4 b", ""},                                        // hollow cannon
    {"3k5/9/9/9/9/9/9/1C7/2R6/N3K4 w", ""},                                       // trapped knight
    {"r3k4/9/9/9/9/9/9/9/9/R2K5 w", ""},                                          // rook mobility
    {"2egkg3/9/4h4/4x4/9/9/9/9/9/4K4 w", ""},                                     // other letters
    {"P2k5/1P7/9/9/9/9/9/9/9/4K4 w", ""},                                         // far pawns
    {"4k3R/R8/9/9/9/9/9/9/9/3K5 b", ""},                                          // mated
    {"3k5/4R4/9/9/9/9/9/9/9/4K4 b", ""},                                          // stalemated
    {"3k5/9/9/9/9/9/9/9/9/4K4 w", "e0e1 d9d8 e1e0 d8d9 e0e1"},                    // repetition
    {"4k4/9/9/9/9/9/9/9/4R4/3K5 b", "e9f9 e1f1 f9e9 f1e1 e9f9"},                  // perpetual check
    {"4k4/9/9/9/9/9/9/9/5R3/3K5 w", "f1e1 e9f9 e1f1 f9e9 f1e1"},                  // ... other side
    {"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b", "h7e7 h0g2 h9g7"},  // black
    // Kings and advisors out of place could take a king: refused, or no legal move does.
    {"3A5/4k4/9/9/9/9/9/9/9/3K5 w", ""},
    {"3A5/9/4k4/9/9/9/9/9/9/3K5 b", ""},
    {"4k4/9/2B6/9/9/9/9/9/9/3K5 w", ""},
    {"9/9/9/9/9/9/9/3kK4/9/9 w", ""},
};

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

std::string report(const Case& c) {
    auto pos = positionFrom(c.fen, c.moves);
    std::string out = std::string("position ") + c.fen + " moves " + c.moves + "\n";
    if (!pos) return out + "refused\n";
    add(out, "key %016" PRIx64 " scores %d %d mask %08x check %d %d repetition %d\n", pos->key,
        pos->redScore, pos->blackScore, pos->pieceMask, isSideInCheck(*pos, RED),
        isSideInCheck(*pos, BLACK), repetitionStatus(*pos));
    MoveList list;
    generateAllMoves(list, *pos);
    addList(out, "all", movesOf(list));
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

// Placements checked for check only (some are refused as positions).
const char* kPlacements[] = {
    "4k4/9/9/9/9/9/9/9/9/4K4 b",    "4k4/9/9/9/4P4/9/9/9/9/4K4 b", "3k5/9/9/9/9/9/9/9/2n6/4K4 w",
    "3k5/9/9/9/9/9/9/9/2nA5/4K4 w", "3k5/9/9/9/9/9/9/9/9/c3K4 w",  "3k5/9/9/9/9/9/9/9/9/c1P1K4 w",
    "3k5/9/9/9/9/9/9/9/9/cPP1K4 w", "3k5/9/9/9/9/9/9/9/9/r3K4 w",  "3k5/3P5/9/9/9/9/9/9/9/4K4 b",
    "2Pk5/9/9/9/9/9/9/9/9/4K4 b",   "9/3k5/3P5/9/9/9/9/9/9/4K4 b", "3P5/3k5/9/9/9/9/9/9/9/4K4 b",
};

}  // namespace

TEST(Internals, PositionReportsMatch) {
    std::string out;
    for (const Case& c : kPositions) out += report(c);
    for (const char* fen : kPlacements) {
        Position pos;
        bool accepted = setupFen(pos, fen);
        add(out, "%s accepted %d check %d %d\n", fen, accepted, isSideInCheck(pos, RED),
            isSideInCheck(pos, BLACK));
    }
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
    const auto& psqt = pieceSquareValue;
    for (int type = 0; type < 8; type++) {
        out += "psqt";
        for (int rank = 3; rank <= 12; rank++) {
            for (int file = 3; file <= 11; file++)
                add(out, " %d", psqt[type * 256 + rank * 16 + file]);
        }
        out += "\n";
    }
    expectGolden("positions.txt", out);
}
