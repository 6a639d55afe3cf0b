// The build pipeline: every game of every input file, duplicates dropped, counted into
// one tally, with the figures of the summary.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "book/tally.h"
#include "games/gamerecord.h"
#include "games/inputs.h"

struct BuildSettings {
    int maxPly = 20;
    BookFilter filter;
    // Counts every game read, also repeats: for data whose games are already distinct
    // but were cut short, so that different games may now read the same.
    bool keepDuplicates = false;
    // Keeps the accepted games in BuildRun.kept (for export).
    bool keepGames = false;
};

struct BuildRun {
    BuildSettings settings;
    BookTally tally;
    std::unique_ptr<Position> pos = std::make_unique<Position>();
    // The identities of the games counted so far.
    std::unordered_set<uint64_t> seen;
    // The lines of the game tree being read: its main line, then its other lines.
    std::vector<GameRecord> tree;
    std::vector<std::vector<GameRecord>> kept;
    std::string path;
    int files = 0, skippedFiles = 0;
    int64_t games = 0, duplicates = 0, rejected = 0;
    std::map<std::string, int64_t> rejectedBy;
};

// Reads every file, handing each game to the tally. False, with a message, when a file
// cannot be read; games that cannot be read whole are reported on stderr as file:line:
// reason and counted, and do not stop the run. A progress line is kept on stderr when it
// is a terminal.
bool runInputs(BuildRun& run, const std::vector<InputFile>& files, std::string& error);

// The summary printed after a build.
std::string summaryText(const BuildRun& run, size_t positions, size_t moves);

// The identity of a game (all its lines) by its start position and moves: equal games from
// any file or format give the same value. A line that ended in an error differs from the
// same moves read whole (by the reason), so that its report is not lost.
uint64_t gameIdentity(const std::vector<GameRecord>& lines, Position& scratch);
