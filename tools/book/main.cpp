// qarn-book: builds the engine's opening book from game collections, and lists books.
//   qarn-book build [OPTIONS] OUT.bin INPUT...
//   qarn-book export [OPTIONS] OUT.pgn INPUT...
//   qarn-book dump BOOK
//   qarn-book probe BOOK [--fen "FEN"] [--moves "h2e2 h9g7 ..."]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/platform.h"
#include "book/atomicwrite.h"
#include "book/bookformat.h"
#include "book/pipeline.h"
#include "book/tally.h"
#include "engine/init.h"
#include "games/arguments.h"
#include "games/fileio.h"
#include "games/inputs.h"
#include "games/pgn.h"
#include "games/replay.h"
#include "games/textgames.h"

namespace {

using Arguments = std::vector<std::string>;

constexpr char kUsage[] =
    "usage: qarn-book build [OPTIONS] OUT.bin INPUT...\n"
    "       qarn-book export [OPTIONS] OUT.pgn INPUT...\n"
    "       qarn-book dump BOOK\n"
    "       qarn-book probe BOOK [--fen \"FEN\"] [--moves \"h2e2 h9g7 ...\"]\n"
    "  build   writes the book of the moves played in the first plies of the games in the\n"
    "          inputs; an input is a file or a folder (read recursively); files are XQF,\n"
    "          PGN (ICCS, Chinese or WXF notation; UTF-8, GBK or Big5) or text (a line of\n"
    "          UCCI moves per game, optionally after \"fen FEN moves\"); the same game met\n"
    "          twice counts once, and a game tree counts as one game\n"
    "  export  writes the distinct games of the inputs as PGN with ICCS moves, each cut\n"
    "          after its last move in a position where some move was played in at least\n"
    "          K games: compact data that gives, built with --keep-duplicates, the same\n"
    "          book as the inputs for these or stricter options (of a game tree,\n"
    "          the main line only)\n"
    "  dump    lists every entry: the key in hex, then its moves\n"
    "  probe   lists the book moves of the position (default: the start position)\n"
    "options:\n"
    "  --max-ply N        count the moves of the first N plies of each game (default 20)\n"
    "  --min-games K      keep a move played in at least K games (default 1)\n"
    "  --min-share S      keep a move only if at least S percent of the games in its\n"
    "                     position played it (default 0: any)\n"
    "  --min-score P      keep a move only if its side scored at least P percent in the\n"
    "                     games with a known result that played it (default 0: any)\n"
    "  --keep-duplicates  count repeated games again (for inputs made by export)\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
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

// The options and paths of build and export; false on a usage error.
bool parseBuildArguments(const Arguments& args, BuildSettings& settings, Arguments& paths) {
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "--max-ply" || arg == "--min-games") {
            int& value = arg == "--max-ply" ? settings.maxPly : settings.filter.minGames;
            if (!hasValue || !parseNumber(args[++i], 1, 1000000, value)) return false;
        } else if (arg == "--min-score" || arg == "--min-share") {
            int& value = arg == "--min-score" ? settings.filter.minScore : settings.filter.minShare;
            if (!hasValue || !parseNumber(args[++i], 0, 100, value)) return false;
        } else if (arg == "--keep-duplicates") {
            settings.keepDuplicates = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else {
            paths.push_back(arg);
        }
    }
    return paths.size() >= 2;
}

// Reads every input; false (after a message) when an input cannot be read.
bool readInputs(BuildRun& run, const Arguments& paths) {
    std::vector<InputFile> files;
    std::string error;
    if (!listInputFiles(Arguments(paths.begin() + 1, paths.end()), files, error) ||
        !runInputs(run, files, error)) {
        std::fprintf(stderr, "qarn-book: %s\n", error.c_str());
        return false;
    }
    return true;
}

int runBuild(const Arguments& args) {
    BuildRun run;
    Arguments paths;
    if (!parseBuildArguments(args, run.settings, paths)) return usage();
    if (!readInputs(run, paths)) return 2;

    std::vector<BookEntry> entries = finishTally(run.tally, run.settings.filter);
    std::string error;
    if (!writeFileAtomically(paths[0], encodeBook(entries), error)) {
        std::fprintf(stderr, "qarn-book: %s\n", error.c_str());
        return 2;
    }
    size_t moves = 0;
    for (const BookEntry& entry : entries) moves += entry.moves.size();
    std::fputs(summaryText(run, entries.size(), moves).c_str(), stdout);
    return run.rejected > 0 ? 1 : 0;
}

// Each distinct game's main line up to its last move in a position where some move was
// played in at least minGames games. Every game through such a position keeps its move
// there, so that each count, share and score of the book stays as it was; games with no
// such move are left out. The other lines of a game tree are not written.
int runExport(const Arguments& args) {
    BuildRun run;
    Arguments paths;
    if (!parseBuildArguments(args, run.settings, paths) || run.settings.keepDuplicates)
        return usage();
    run.settings.keepGames = true;
    if (!readInputs(run, paths)) return 2;

    std::unordered_set<uint64_t> inBook;
    for (const auto& [key, tallies] : run.tally.positions) {
        for (const MoveTally& seen : tallies) {
            if (seen.games >= run.settings.filter.minGames) inBook.insert(key);
        }
    }
    std::string out;
    size_t written = 0;
    Position& pos = *run.pos;
    setupCheckedFen(pos, kStartFen);
    const uint64_t startKey = pos.key;
    for (const std::vector<GameRecord>& tree : run.kept) {
        const GameRecord& game = tree[0];
        if (!setupCheckedFen(pos, game.hasFen ? game.fen.c_str() : kStartFen)) continue;
        uint64_t gameStartKey = pos.key;
        std::vector<uint32_t> played;
        size_t length = 0;
        for (size_t ply = 0; ply < game.moves.size() && ply < size_t(run.settings.maxPly); ply++) {
            uint64_t key = pos.key;
            if (!playMoveText(pos, game.moves[ply].packed)) break;
            played.push_back(game.moves[ply].packed);
            if (inBook.count(key) != 0) length = ply + 1;
        }
        if (length == 0) continue;
        written++;
        // One line per game: a [FEN] tag only for another start, and the result as the
        // game's last token.
        if (game.hasFen && gameStartKey != startKey) out += "[FEN \"" + game.fen + "\"]\n";
        for (size_t ply = 0; ply < length; ply++) {
            for (int i = 0; i < 4; i++) out += char(played[ply] >> (8 * i) & 0xFF);
            out += ' ';
        }
        out += resultToken(game.result);
        out += '\n';
    }
    std::string error;
    if (!writeFileAtomically(paths[0], out, error)) {
        std::fprintf(stderr, "qarn-book: %s\n", error.c_str());
        return 2;
    }
    std::printf("files %d games %lld duplicates %lld rejected %lld written %zu\n", run.files,
                (long long)run.games, (long long)run.duplicates, (long long)run.rejected, written);
    return run.rejected > 0 ? 1 : 0;
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
        if (arg == "--help") command = arg;
    }
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    initTables();
    if (command == "build") return runBuild(args);
    if (command == "export") return runExport(args);
    if (command == "dump") return runDump(args);
    if (command == "probe") return runProbe(args);
    return usage();
}
