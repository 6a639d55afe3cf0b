// The opening book: a binary file of position keys and moves, read once into a map.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#include "position/position.h"

constexpr int BOOK_PATH_SIZE = 1024;
constexpr int BOOK_MISS_LIMIT = 3;

// "qarn.bin" beside the executable; empty when the path would not fit (no book).
extern char bookFilePath[BOOK_PATH_SIZE];
extern std::map<uint64_t, std::vector<Move>> bookTable;
extern FILE* bookFile;
extern bool bookLoaded;
extern int32_t bookMissCount;

enum BookReadResult {
    e_BookRead = 0,
    e_BookBadHeader = 1,
    e_BookBadFormat = 2,
    e_BookUnreadable = 3
};

// Reads a whole book file into the table (the first record of a key wins). The loader
// turns the two format failures into their fatal messages; reading itself never ends the
// process. e_BookUnreadable is a read error rather than an end of file: a directory, or
// anything else that opens but cannot be read as a file.
BookReadResult readBookFile(FILE* file, std::map<uint64_t, std::vector<Move>>& table);

// Fixes bookFilePath from the executable's path; false when it does not fit.
bool setBookPathFromExecutable(const char* executablePath);
// Opens and reads the book, or, once it is open, only re-arms the probe. A malformed file
// ends the process with one of the two format messages.
void loadBook();

// The engine's pseudo-random generator (linear congruential, 32-bit state).
void seedRandom(uint32_t seed);
uint32_t nextRandom();

// A book move for the position, or 0. Prints one info line per legal candidate.
Move probeBook(const Position& pos);
