// qarn-bench: searches a fixed set of positions, each from a fresh state and exactly as
// "go depth DEPTH" would, and prints the node counts. The total is the search's signature:
// any change of search behaviour changes it.
//   qarn-bench [DEPTH]
//   qarn-bench --list      prints the positions, one "fen FEN [moves ...]" line each
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "base/fens.h"
#include "base/platform.h"
#include "engine/init.h"
#include "engine/parser.h"
#include "engine/timecontrol.h"
#include "position/fen.h"
#include "search/movepick.h"
#include "search/progress.h"
#include "search/search.h"
#include "search/tt.h"

namespace {

constexpr int DEFAULT_DEPTH = 10;

struct BenchPosition {
    const char* fen;
    const char* moves;
};

// The named positions of the protocol, openings, middlegames reached by play, endgames.
// clang-format off
constexpr BenchPosition kPositions[] = {
    {kStartFen, ""},
    {kMidgameFen, ""},
    {kCheckmateFen, ""},
    {kZugzwangFen, ""},
    {kEndgameFen, ""},
    {kStartFen, "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5"},
    {kStartFen, "c3c4 b7c7 h2e2 c9e7 h0g2 h9i7"},
    {kStartFen, "g0e2 b7e7 h0g2 b9c7 i0h0 a9b9"},
    {kStartFen, "h2e2 h7e7 h0g2 h9g7 i0h0 i9h9 b0c2 b9c7"},
    {kStartFen, "b0c2 h9g7 g3g4 c6c5 h2h4 b9c7"},
    {kStartFen, "h2e2 b9c7 h0g2 h7f7 i0h0 h9g7 h0h4 i9h9"},
    {kStartFen, "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 g3g4 a9a8 e3e4 d9e8 b0c2 a8d8 c3c4 h7h3 b2a2 d8d3 "
             "a0b0 b7b3 f0e1 b3c3"},
    {kStartFen, "g0e2 b7e7 h0g2 b9c7 b0a2 c6c5 a0b0 a9b9 g3g4 c7d5 b2b3 h7g7 i0i1 h9i7 h2h6 g6g5 "
             "i1d1 d5c7 g2e1 i9h9 h6f6 g5g4 d1d4 g4h4"},
    {kStartFen, "h2e2 h7e7 h0g2 h9g7 i0h0 i9i8 g3g4 i8f8 h0h6 c6c5 h6g6 b9c7 g4g5 c7d5 d0e1 d5c3 "
             "g2h4 b7c7 b2c2 c5c4 g5f5 f8h8 h4i2 h8h3 c2c4 h3f3 e2g2 g7i8 b0c2 f3f5"},
    {kStartFen, "b0c2 h9g7 g3g4 c6c5 h0g2 b9c7 g2f4 a9a8 b2b4 a8f8 h2h4 g6g5 b4e4 f9e8 a0b0 e6e5 "
             "b0b7 e5e4 e3e4 g5g4"},
    {"3ak4/4a4/9/9/9/9/9/9/4A4/3AK1R2 w - - 0 1", ""},
    {"4ka3/4a4/4b4/9/2p3p2/9/2P1N1P2/4B4/4A4/3AK4 w - - 0 1", ""},
    {"3k5/4a4/4ba3/9/9/6C2/9/4B4/4A4/3AK4 w - - 0 1", ""},
    {"3k5/9/4b4/4p4/9/9/9/4R4/9/4K1r2 w - - 0 1", ""},
    {"2bak4/4a4/4b4/9/9/9/9/4B4/4A4/2BAK1N2 w - - 0 1", ""},
    {"4k4/9/3a5/9/4P4/9/9/9/4K4/9 b - - 0 1", ""},
    {"3aka3/9/4b4/4C4/9/9/9/9/3R5/4K4 b - - 0 1", ""},
    {"5k3/9/9/9/9/9/9/4K4/9/2n6 b - - 0 1", ""},
    {"2ba1k3/4a4/4b4/9/2P1P4/9/9/4B4/4A4/2B1KA3 w - - 0 1", ""},
    {"3k1a3/4a4/9/9/9/4r4/9/4B4/4A4/2BAKR3 b - - 0 1", ""},
};
// clang-format on

// Asked for, the usage is the answer (stdout, success); after a mistake it is an error.
int usage(bool asked = false) {
    fprintf(asked ? stdout : stderr,
            "usage: qarn-bench [DEPTH]   (depth 1..31, default %d)\n"
            "       qarn-bench --list    (the positions, one \"fen FEN [moves ...]\" line each)\n",
            DEFAULT_DEPTH);
    return asked ? 0 : 2;
}

bool setUp(Position& pos, const BenchPosition& bench) {
    if (!setupFen(pos, bench.fen)) return false;
    std::istringstream stream(bench.moves);
    std::string text;
    while (stream >> text) {
        if (!tryMoveText(pos, packMoveText(text.c_str()))) return false;
    }
    pos.rootCount = pos.historyCount;
    return true;
}

int listPositions() {
    for (const BenchPosition& bench : kPositions) {
        printf("fen %s%s%s\n", bench.fen, *bench.moves != '\0' ? " moves " : "", bench.moves);
    }
    return 0;
}

// The root of each search; too large for the stack.
Position benchPosition;

}  // namespace

int main(int argc, char** argv) {
    preparePlatform();
    int depth = DEFAULT_DEPTH;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0) return usage(true);
    }
    if (argc == 2 && strcmp(argv[1], "--list") == 0) return listPositions();
    if (argc > 2) return usage();
    if (argc == 2) {
        char* end = nullptr;
        long value = strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || value < 1 || value > 31) return usage();
        depth = int(value);
    }
    initTables();
    ttReset();
    ttAllocate();

    int64_t totalNodes = 0;
    double totalSeconds = 0;
    int index = 0;
    for (const BenchPosition& bench : kPositions) {
        if (!setUp(benchPosition, bench)) {
            fprintf(stderr, "qarn-bench: position %d does not load\n", index);
            return 1;
        }
        // A fresh state: empty table, cleared search tables, no book.
        ttClear();
        clearSearchTables();
        resetSearchLimits();
        setSearchLimits(e_GoDepth, depth, 0);
        auto start = std::chrono::steady_clock::now();
        iterativeDeepening(benchPosition);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char move[5] = "none";
        if (isRealMove(searchProgress.bestMove)) moveToText(Move(searchProgress.bestMove), move, 5);
        printf("%d nodes %" PRId64 " time_ms %lld bestmove %s\n", index, searchStats.nodes,
               (long long)(seconds * 1000), move);
        fflush(stdout);
        totalNodes += searchStats.nodes;
        totalSeconds += seconds;
        index++;
    }
    double nps = totalSeconds > 0 ? double(totalNodes) / totalSeconds : 0;
    printf("bench nodes %" PRId64 " time_ms %lld nps %.0f\n", totalNodes,
           (long long)(totalSeconds * 1000), nps);
    return 0;
}
