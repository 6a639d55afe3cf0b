#include "book/book.h"
#include "engine/output.h"
#include "position/movegen.h"

namespace {

uint32_t randomState = 0;

// Scratch board for the legality test of book candidates, and the candidates themselves
// (an entry holds at most 65535 moves).
Position candidatePosition;
Move candidates[65535];

}  // namespace

void seedRandom(uint32_t seed) {
    randomState = seed;
}

uint32_t nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return (randomState >> 16) & 32767;
}

Move probeBook(const Position& pos) {
    if (!bookLoaded || bookMissCount >= BOOK_MISS_LIMIT) return 0;
    auto found = bookTable.find(pos.key);
    // Only legal moves are offered: a book made for other keys, or a key collision, must
    // never make the engine play an illegal move.
    int count = 0;
    if (found != bookTable.end()) {
        candidatePosition = pos;
        for (Move move : found->second) {
            if (isFullyLegal(move, candidatePosition)) candidates[count++] = move;
        }
    }
    if (count == 0) {
        bookMissCount++;
        return 0;
    }
    for (int i = 0; i < count; i++) {
        char text[5];
        moveToText(candidates[i], text, sizeof text);
        printFlush("info depth 0 score 0 pv %s\n", text);
    }
    if (count == 1) return candidates[0];
    return candidates[nextRandom() % uint32_t(count)];
}
