// Reading game files on worker threads while the builder counts the files before them:
// parsing is most of a build's work, and the files come back in their given order, so
// the book does not depend on the threads.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "games/gamerecord.h"
#include "games/inputs.h"

// One file's games, as read.
struct FileGames {
    bool readable = false;
    std::string error;
    bool gameFile = false;
    std::vector<GameRecord> games;
};

// Reads the files on `threads` workers, at most a few files ahead, and hands each to
// `consume` in order, on the calling thread. Stops early when `consume` returns false.
void readFilesInOrder(const std::vector<InputFile>& files, int threads,
                      const std::function<bool(size_t, FileGames&)>& consume);
