#include "search/tt.h"

#include "base/platform.h"
#include "position/makemove.h"

TranspositionTable transpositionTable;

namespace {

// 2^25 bytes (the smallest power of two above 16 MiB) / 32 index slots, plus three entries
// so that a bucket starting at the last slot stays inside the array.
constexpr uint32_t INDEX_SLOTS = 1u << 20;
constexpr uint32_t ENTRY_COUNT = INDEX_SLOTS + 3;
constexpr int BUCKET_SIZE = 4;

alignas(64) HashEntry tableStorage[ENTRY_COUNT];

void computeGenerationAge(TranspositionTable& table) {
    for (int g = 0; g < 16; g++) table.generationAge[g] = (table.generation - g) & 15;
}

}  // namespace

void ttReset() {
    transpositionTable.entries = nullptr;
    transpositionTable.entryCount = 0;
    transpositionTable.indexMask = 0;
    transpositionTable.generation = 0;
    computeGenerationAge(transpositionTable);
}

void ttAllocate() {
    // The entries are a static array: the table's size is fixed, so it cannot fail.
    adviseLargePages(tableStorage, sizeof tableStorage);
    transpositionTable.entries = tableStorage;
    transpositionTable.entryCount = ENTRY_COUNT;
    transpositionTable.indexMask = INDEX_SLOTS - 1;
    ttClear();
}

void ttClear() {
    TranspositionTable& table = transpositionTable;
    table.generation = 0;
    computeGenerationAge(table);
    const HashEntry empty = {0,    0,      -128, uint8_t(table.generation), -128, -128,
                             -128, -30000, 30000};
    for (uint32_t i = 0; i < table.entryCount; i++) table.entries[i] = empty;
}

void ttNewSearch() {
    transpositionTable.generation = (transpositionTable.generation + 1) & 15;
    computeGenerationAge(transpositionTable);
}

bool ttProbe(uint32_t keyLow, uint32_t keyHigh, ProbeResult& result) {
    TranspositionTable& table = transpositionTable;
    HashEntry* bucket = table.entries + (keyLow & table.indexMask);
    for (int i = 0; i < BUCKET_SIZE; i++) {
        HashEntry& entry = bucket[i];
        if (entry.lock != keyHigh) continue;
        if (entry.generation != table.generation) entry.generation = uint8_t(table.generation);
        result.move = entry.move;
        result.lowerDepth = entry.lowerDepth;
        result.upperDepth = entry.upperDepth;
        result.lowerBound = entry.lowerBound;
        result.upperBound = entry.upperBound;
        return true;
    }
    return false;
}

void ttStore(uint32_t keyLow, uint32_t keyHigh, Move move, int depth, int lowerBound,
             int upperBound) {
    TranspositionTable& table = transpositionTable;
    HashEntry* bucket = table.entries + (keyLow & table.indexMask);
    HashEntry* match = nullptr;
    for (int i = 0; i < BUCKET_SIZE; i++) {
        if (bucket[i].lock == keyHigh) {
            match = &bucket[i];
            break;
        }
    }
    if (match != nullptr) {
        // Each part is kept from the deepest search that produced it; ties go to the newer.
        HashEntry& entry = *match;
        entry.generation = uint8_t(table.generation);
        if (depth > entry.depth) entry.depth = int8_t(depth);
        if (move != 0 && depth >= entry.moveDepth) {
            entry.move = move;
            entry.moveDepth = int8_t(depth);
        }
        if (lowerBound > -MATE_SCORE && depth >= entry.lowerDepth) {
            entry.lowerBound = int16_t(lowerBound);
            entry.lowerDepth = int8_t(depth);
        }
        if (upperBound < MATE_SCORE && depth >= entry.upperDepth) {
            entry.upperBound = int16_t(upperBound);
            entry.upperDepth = int8_t(depth);
        }
        return;
    }
    // Older generations go first, then the shallowest entry; ties go to the earlier entry.
    HashEntry* victim = bucket;
    int victimValue = table.generationAge[bucket[0].generation] * 256 - bucket[0].depth;
    for (int i = 1; i < BUCKET_SIZE; i++) {
        int value = table.generationAge[bucket[i].generation] * 256 - bucket[i].depth;
        if (value > victimValue) {
            victim = &bucket[i];
            victimValue = value;
        }
    }
    HashEntry& entry = *victim;
    entry.lock = keyHigh;
    entry.generation = uint8_t(table.generation);
    entry.depth = int8_t(depth);
    entry.move = move;
    entry.moveDepth = int8_t(move != 0 ? depth : -128);
    entry.lowerDepth = int8_t(lowerBound > -MATE_SCORE ? depth : -128);
    entry.upperDepth = int8_t(upperBound < MATE_SCORE ? depth : -128);
    entry.lowerBound = int16_t(lowerBound);
    entry.upperBound = int16_t(upperBound);
}

void ttStorePv(const Move* moves, Position& pos) {
    Move move = moves[0];
    if (move == 0 || move == NULL_MOVE) return;
    UndoRecord undo;
    makeMove(pos, move, undo);
    ttStorePv(moves + 1, pos);
    unmakeMove(pos, move, undo);
    ttStore(uint32_t(pos.key), uint32_t(pos.key >> 32), move, -127, -MATE_SCORE, MATE_SCORE);
}
