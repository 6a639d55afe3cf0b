#include "search/tt.h"

#include "base/platform.h"
#include "position/makemove.h"

TranspositionTable transpositionTable;

namespace {

// 2^20 index slots of 16-byte entries, 16 MiB. Each slot starts a bucket of four entries;
// three more entries let the bucket of the last slot stay inside the array.
constexpr int BUCKET_SIZE = 4;
constexpr uint32_t INDEX_SLOTS = 1u << 20;
constexpr uint32_t ENTRY_COUNT = INDEX_SLOTS + BUCKET_SIZE - 1;
// Replacement weighs an entry's age in generations this much above its depth.
constexpr int AGE_WEIGHT = 256;
// The depth at which a principal variation is stored: below every searched depth.
constexpr int PV_STORE_DEPTH = -127;

alignas(64) HashEntry tableStorage[ENTRY_COUNT];

void computeGenerationAge(TranspositionTable& table) {
    for (int g = 0; g < GENERATIONS; g++)
        table.generationAge[g] = (table.generation - g) & (GENERATIONS - 1);
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
    const HashEntry empty = {0,         0,        NO_DEPTH, uint8_t(table.generation),
                             NO_DEPTH,  NO_DEPTH, NO_DEPTH, -MATE_SCORE,
                             MATE_SCORE};
    for (uint32_t i = 0; i < table.entryCount; i++) table.entries[i] = empty;
}

void ttNewSearch() {
    transpositionTable.generation = (transpositionTable.generation + 1) & (GENERATIONS - 1);
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
    int victimValue = table.generationAge[bucket[0].generation] * AGE_WEIGHT - bucket[0].depth;
    for (int i = 1; i < BUCKET_SIZE; i++) {
        int value = table.generationAge[bucket[i].generation] * AGE_WEIGHT - bucket[i].depth;
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
    entry.moveDepth = int8_t(move != 0 ? depth : NO_DEPTH);
    entry.lowerDepth = int8_t(lowerBound > -MATE_SCORE ? depth : NO_DEPTH);
    entry.upperDepth = int8_t(upperBound < MATE_SCORE ? depth : NO_DEPTH);
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
    ttStore(uint32_t(pos.key), uint32_t(pos.key >> 32), move, PV_STORE_DEPTH, -MATE_SCORE,
            MATE_SCORE);
}
