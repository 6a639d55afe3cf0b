// The engine's book file layout: a 16-byte header starting 01 02 03 04, then records of
// an 8-byte key, a 2-byte move count and 2 bytes per move, all big-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "position/position.h"

// The moves stored for one position key, best first.
struct BookEntry {
    uint64_t key;
    std::vector<Move> moves;
};

// The file bytes for the entries, in the order given (the builder passes them sorted by
// key, each key once, as the engine's loader expects).
std::string encodeBook(const std::vector<BookEntry>& entries);

// Reads every record in file order. False with a reason on a bad header or a record cut
// short by the end of the file.
bool decodeBook(const std::string& bytes, std::vector<BookEntry>& entries, std::string& error);

// The move as UCCI text, or its code in hex when a square lies off the board (only a
// foreign or damaged book holds such moves).
std::string bookMoveText(Move move);
