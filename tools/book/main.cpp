// qarn-book: builds the engine's opening book from game collections, and lists books.
//   qarn-book build [--max-ply N] [--min-games K] OUT.bin INPUT...
//   qarn-book dump BOOK
//   qarn-book probe BOOK [--fen "FEN"] [--moves "h2e2 h9g7 ..."]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "book/bookformat.h"
#include "book/fileio.h"
#include "book/gamereader.h"
#include "book/replay.h"
#include "book/tally.h"
#include "engine/init.h"
#include "engine/platform.h"

namespace {

using Arguments = std::vector<std::string>;

int usage() {
    std::fputs(
        "usage: qarn-book build [--max-ply N] [--min-games K] OUT.bin INPUT...\n"
        "       qarn-book dump BOOK\n"
        "       qarn-book probe BOOK [--fen \"FEN\"] [--moves \"h2e2 h9g7 ...\"]\n"
        "  build  writes the book of the moves played in the first N plies (default 20) of\n"
        "         the games in the inputs, keeping the moves of at least K games (default 1);\n"
        "         inputs are text (a line of UCCI moves per game, optionally after\n"
        "         \"fen FEN moves\") or PGN with ICCS moves\n"
        "  dump   lists every entry: the key in hex, then its moves\n"
        "  probe  lists the book moves of the position (default: the start position)\n",
        stderr);
    return 2;
}

bool parseCount(const std::string& text, int& value) {
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || parsed < 1 || parsed > 1000000) return false;
    value = int(parsed);
    return true;
}

bool loadBookEntries(const std::string& path, std::vector<BookEntry>& entries) {
    std::string bytes, error;
    if (!readWholeFile(path, bytes, error)) {
        std::fprintf(stderr, "qarn-book: %s\n", error.c_str());
        return false;
    }
    if (!decodeBook(bytes, entries, error)) {
        std::fprintf(stderr, "qarn-book: %s: malformed book: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int runBuild(const Arguments& args) {
    int maxPly = 20, minGames = 1;
    Arguments paths;
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--max-ply" || args[i] == "--min-games") {
            int& value = args[i] == "--max-ply" ? maxPly : minGames;
            if (i + 1 == args.size() || !parseCount(args[i + 1], value)) return usage();
            i++;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage();
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() < 2) return usage();

    auto pos = std::make_unique<Position>();
    BookTally tally;
    int games = 0, rejected = 0;
    for (size_t i = 1; i < paths.size(); i++) {
        const std::string& path = paths[i];
        std::string bytes, error;
        if (!readWholeFile(path, bytes, error)) {
            std::fprintf(stderr, "qarn-book: %s\n", error.c_str());
            return 2;
        }
        GameSink sink = [&](const GameRecord& game) {
            games++;
            GameOutcome outcome = tallyGame(tally, game, maxPly, *pos);
            if (outcome.ok) return;
            rejected++;
            std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), outcome.line, outcome.reason.c_str());
        };
        if (isPgnInput(path, bytes)) {
            readPgnGames(bytes, sink);
        } else {
            readTextGames(bytes, sink);
        }
    }

    std::vector<BookEntry> entries = finishTally(tally, minGames);
    std::string error;
    if (!writeFileAtomically(paths[0], encodeBook(entries), error)) {
        std::fprintf(stderr, "qarn-book: %s\n", error.c_str());
        return 2;
    }
    size_t moves = 0;
    for (const BookEntry& entry : entries) moves += entry.moves.size();
    std::printf("games %d positions %zu moves %zu rejected %d\n", games, entries.size(), moves,
                rejected);
    return rejected > 0 ? 1 : 0;
}

int runDump(const Arguments& args) {
    if (args.size() != 1) return usage();
    std::vector<BookEntry> entries;
    if (!loadBookEntries(args[0], entries)) return 1;
    for (const BookEntry& entry : entries) {
        std::string line(16, '0');
        std::snprintf(line.data(), line.size() + 1, "%016" PRIx64, entry.key);
        for (Move move : entry.moves) {
            line += ' ';
            line += bookMoveText(move);
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int runProbe(const Arguments& args) {
    std::string bookPath, fen = kStartFen, moves;
    for (size_t i = 0; i < args.size(); i++) {
        if ((args[i] == "--fen" || args[i] == "--moves") && i + 1 < args.size()) {
            (args[i] == "--fen" ? fen : moves) = args[i + 1];
            i++;
        } else if (bookPath.empty() && !(args[i].size() > 1 && args[i][0] == '-')) {
            bookPath = args[i];
        } else {
            return usage();
        }
    }
    if (bookPath.empty()) return usage();

    auto pos = std::make_unique<Position>();
    if (!setupCheckedFen(*pos, fen.c_str())) {
        std::fprintf(stderr, "qarn-book: bad FEN: %s\n", fen.c_str());
        return 1;
    }
    GameRecord line;
    readTextGames(moves, [&](const GameRecord& game) { line = game; });
    if (!line.error.empty()) {
        std::fprintf(stderr, "qarn-book: %s\n", line.error.c_str());
        return 1;
    }
    for (const GameMove& move : line.moves) {
        if (!playMoveText(*pos, move.packed)) {
            std::fprintf(stderr, "qarn-book: illegal move %s\n", move.written.c_str());
            return 1;
        }
    }
    std::vector<BookEntry> entries;
    if (!loadBookEntries(bookPath, entries)) return 1;
    // The engine keeps the first record of a key, so the probe does too.
    for (const BookEntry& entry : entries) {
        if (entry.key != pos->key) continue;
        for (Move move : entry.moves) std::printf("%s\n", bookMoveText(move).c_str());
        break;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    preparePlatform();
    if (argc < 2) return usage();
    std::string command = argv[1];
    Arguments args(argv + 2, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help") return usage();
    }
    initTables();
    if (command == "build") return runBuild(args);
    if (command == "dump") return runDump(args);
    if (command == "probe") return runProbe(args);
    return usage();
}
