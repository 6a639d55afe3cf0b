// qarn-perft: counts the leaf nodes of the legal-move tree of a position.
//   qarn-perft [--divide] [--fen "FEN"] [--moves "h2e2 h9g7 ..."] DEPTH
#include "position/perft.h"

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
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"

namespace {

constexpr char kUsage[] =
    "usage: qarn-perft [--divide] [--fen \"FEN\"] [--moves \"h2e2 h9g7 ...\"] DEPTH\n"
    "  counts the leaf nodes of the legal-move tree DEPTH plies deep (1..20)\n";

// Asked for, the usage is the answer (stdout, success); after a mistake it is an error.
int usage(bool asked = false) {
    fputs(kUsage, asked ? stdout : stderr);
    return asked ? 0 : 2;
}

bool parseDepth(const char* text, int* depth) {
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 20) return false;
    *depth = int(value);
    return true;
}

// The position counted; too large for the stack.
Position perftPosition;

}  // namespace

int main(int argc, char** argv) {
    preparePlatform();
    bool divide = false;
    std::string fen = kStartFen, moves;
    int depth = -1;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0) return usage(true);
    }
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--divide") == 0) {
            divide = true;
        } else if (std::strcmp(argv[i], "--fen") == 0 && i + 1 < argc) {
            fen = argv[++i];
        } else if (std::strcmp(argv[i], "--moves") == 0 && i + 1 < argc) {
            moves = argv[++i];
        } else if (depth < 0 && parseDepth(argv[i], &depth)) {
        } else {
            return usage();
        }
    }
    if (depth < 0) return usage();

    initTables();
    Position& pos = perftPosition;
    if (!setupFen(pos, fen.c_str())) {
        fprintf(stderr, "qarn-perft: invalid FEN: %s\n", fen.c_str());
        return 1;
    }
    std::istringstream moveStream(moves);
    std::string text;
    while (moveStream >> text) {
        if (text.size() != 4 || !tryMoveText(pos, packMoveText(text.c_str()))) {
            fprintf(stderr, "qarn-perft: illegal or unreadable move: %s\n", text.c_str());
            return 1;
        }
    }

    auto start = std::chrono::steady_clock::now();
    uint64_t nodes = 0;
    if (divide) {
        MoveList list;
        generateLegalMoves(list, pos);
        for (int i = 0; i < list.count; i++) {
            UndoRecord undo;
            makeMove(pos, list.moves[i], undo);
            uint64_t count = perft(pos, depth - 1);
            unmakeMove(pos, list.moves[i], undo);
            char moveText[5];
            moveToText(list.moves[i], moveText, sizeof moveText);
            printf("%s %" PRIu64 "\n", moveText, count);
            nodes += count;
        }
    } else {
        nodes = perft(pos, depth);
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long long ms = (long long)(seconds * 1000);
    double nps = seconds > 0 ? double(nodes) / seconds : 0;
    printf("nodes %" PRIu64 " time_ms %lld nps %.0f\n", nodes, ms, nps);
    return 0;
}
