#include "book/pipeline.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "book/readahead.h"
#include "games/replay.h"

namespace {

uint64_t mix(uint64_t hash, uint64_t value) {
    // splitmix64's finaliser over the running hash: every input bit reaches every output bit.
    uint64_t z = hash ^ (value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t textHash(const std::string& text) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : text) hash = (hash ^ uint8_t(c)) * 0x100000001B3ull;
    return hash;
}

// Groups of rejections by their kind: the reason without its last word when that word is
// the move or value it names ("illegal move h0h9" is an "illegal move").
std::string reasonKind(const std::string& reason) {
    size_t last = reason.rfind(' ');
    if (last == std::string::npos || reason.find(' ') == last) return reason;
    return reason.substr(0, last);
}

// The progress line, on a terminal only, redrawn at most ten times a second.
struct Progress {
    bool shown = isatty(STDERR_FILENO) != 0;
    bool drawn = false;
    std::chrono::steady_clock::time_point last;
};

void showProgress(Progress& progress, const BuildRun& run, size_t total, bool force) {
    if (!progress.shown) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && progress.drawn && now - progress.last < std::chrono::milliseconds(100)) return;
    progress.last = now;
    progress.drawn = true;
    std::fprintf(stderr, "\r\033[Kqarn-book: file %d of %zu, %lld games", run.files, total,
                 (long long)run.games);
    std::fflush(stderr);
}

void clearProgress(Progress& progress) {
    if (!progress.drawn) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progress.drawn = false;
}

void countTree(BuildRun& run, Progress& progress) {
    if (run.tree.empty()) return;
    run.games++;
    if (!run.settings.keepDuplicates && !run.seen.insert(gameIdentity(run.tree, *run.pos)).second) {
        run.duplicates++;
        run.tree.clear();
        return;
    }
    // A tree always starts a game, even when its reader gave no main line.
    run.tree[0].variation = 0;
    std::string firstReason, lastReport;
    for (const GameRecord& line : run.tree) {
        GameOutcome outcome = tallyGame(run.tally, line, run.settings.maxPly, *run.pos);
        if (outcome.ok) continue;
        if (firstReason.empty()) firstReason = outcome.reason;
        // The lines of a tree share their first moves, and with them a fault there.
        std::string report = run.path + ":" + std::to_string(outcome.line) + ": " + outcome.reason;
        if (report == lastReport) continue;
        lastReport = report;
        clearProgress(progress);
        std::fprintf(stderr, "%s\n", report.c_str());
    }
    if (!firstReason.empty()) {
        run.rejected++;
        run.rejectedBy[reasonKind(firstReason)]++;
    }
    if (run.settings.keepGames) run.kept.push_back(std::move(run.tree));
    run.tree.clear();
}

}  // namespace

uint64_t gameIdentity(const std::vector<GameRecord>& lines, Position& scratch) {
    uint64_t hash = lines.size();
    for (const GameRecord& line : lines) {
        const char* fen = line.hasFen ? line.fen.c_str() : kStartFen;
        // A FEN the builder refuses is told apart by its text.
        hash = mix(hash, setupCheckedFen(scratch, fen) ? scratch.key : textHash(line.fen));
        hash = mix(hash, line.moves.size());
        for (const GameMove& move : line.moves) hash = mix(hash, move.packed);
        hash = mix(hash, textHash(line.error));
    }
    return hash;
}

bool runInputs(BuildRun& run, const std::vector<InputFile>& files, std::string& error) {
    Progress progress;
    bool readable = true;
    int threads = int(std::min(2u, std::max(1u, std::thread::hardware_concurrency())));
    readFilesInOrder(files, threads, [&](size_t index, FileGames& file) {
        if (!file.readable) {
            error = file.error;
            readable = false;
            return false;
        }
        run.path = files[index].path;
        if (file.gameFile) {
            run.files++;
        } else {
            run.skippedFiles++;
        }
        for (GameRecord& game : file.games) {
            if (game.variation == 0) countTree(run, progress);
            run.tree.push_back(std::move(game));
        }
        countTree(run, progress);
        showProgress(progress, run, files.size(), false);
        return true;
    });
    clearProgress(progress);
    return readable;
}

std::string summaryText(const BuildRun& run, size_t positions, size_t moves) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "files %d games %lld duplicates %lld rejected %lld positions %zu moves %zu\n",
                  run.files, (long long)run.games, (long long)run.duplicates,
                  (long long)run.rejected, positions, moves);
    std::string text = line;
    if (run.skippedFiles > 0) {
        text += "skipped " + std::to_string(run.skippedFiles) +
                ": files in folders that are not game files\n";
    }
    for (const auto& [kind, count] : run.rejectedBy) {
        text += "rejected " + std::to_string(count) + ": " + kind + "\n";
    }
    return text;
}
