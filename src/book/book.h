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
// Opens and reads the book, or, once it is open, only re-arms the probe. True when the
// book was read just now. A malformed file ends the process with one of the two format
// messages.
bool loadBook();

// The engine's pseudo-random generator (linear congruential, 32-bit state).
void seedRandom(uint32_t seed);
uint32_t nextRandom();

// The book's legal moves for the last position probed, in the file's order: the moves
// the choice was made among (an entry holds at most 65535 moves).
extern Move bookCandidates[65535];
extern int bookCandidateCount;

// A book move for the position, chosen at random among its legal candidates, or 0.
Move probeBook(const Position& pos);
