// The transposition table: a fixed array of buckets of four entries, each keeping a move
// and two bounds from the deepest searches that produced them.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "search/score.h"

// The depth of a part of an entry that holds nothing.
constexpr int8_t NO_DEPTH = -128;
// Searches are told apart by a generation that counts modulo this.
constexpr int GENERATIONS = 16;

struct HashEntry {
    uint32_t lock;  // high 32 bits of the key
    uint16_t move;
    int8_t depth;  // greatest depth ever stored into the entry; drives replacement
    uint8_t generation;
    int8_t moveDepth;   // NO_DEPTH: no move
    int8_t lowerDepth;  // NO_DEPTH: no lower bound
    int8_t upperDepth;  // NO_DEPTH: no upper bound
    int16_t lowerBound;
    int16_t upperBound;
};
static_assert(sizeof(HashEntry) == 16);

struct TranspositionTable {
    HashEntry* entries;
    uint32_t entryCount;
    uint32_t indexMask;
    int generation;
    int generationAge[GENERATIONS];
};

extern TranspositionTable transpositionTable;

struct ProbeResult {
    Move move;
    int lowerDepth;
    int upperDepth;
    int lowerBound;
    int upperBound;
};

void ttReset();
void ttAllocate();
void ttClear();
void ttNewSearch();
bool ttProbe(uint32_t keyLow, uint32_t keyHigh, ProbeResult& result);
void ttStore(uint32_t keyLow, uint32_t keyHigh, Move move, int depth, int lowerBound,
             int upperBound);
// Stores a principal variation (ended by 0 or the null move) as hash moves, from its end
// back to its start, with depth -127 so that it never displaces a searched move.
void ttStorePv(const Move* moves, Position& pos);

// Starts loading the bucket of a position that is about to be probed: both of its cache
// lines, as a bucket of four entries rarely starts a line.
inline void ttPrefetch(uint64_t key) {
    const HashEntry* bucket =
        transpositionTable.entries + (uint32_t(key) & transpositionTable.indexMask);
    __builtin_prefetch(bucket);
    __builtin_prefetch(bucket + 3);
}
