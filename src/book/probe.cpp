#include "book/book.h"
#include "position/movegen.h"

Move bookCandidates[65535];
int bookCandidateCount = 0;

namespace {

// A linear congruential generator: state * 214013 + 2531011, giving 15 bits of the state.
constexpr uint32_t RANDOM_MULTIPLIER = 214013u;
constexpr uint32_t RANDOM_INCREMENT = 2531011u;
constexpr int RANDOM_SHIFT = 16;
constexpr uint32_t RANDOM_MASK = 32767;

uint32_t randomState = 0;

// Scratch board for the legality test of book candidates.
Position candidatePosition;

}  // namespace

void seedRandom(uint32_t seed) {
    randomState = seed;
}

uint32_t nextRandom() {
    randomState = randomState * RANDOM_MULTIPLIER + RANDOM_INCREMENT;
    return (randomState >> RANDOM_SHIFT) & RANDOM_MASK;
}

Move probeBook(const Position& pos) {
    bookCandidateCount = 0;
    if (!bookLoaded || bookMissCount >= BOOK_MISS_LIMIT) return 0;
    auto found = bookTable.find(pos.key);
    // Only legal moves are offered: a book made for other keys, or a key collision, must
    // never make the engine play an illegal move.
    int count = 0;
    if (found != bookTable.end()) {
        candidatePosition = pos;
        for (Move move : found->second) {
            if (isFullyLegal(move, candidatePosition)) bookCandidates[count++] = move;
        }
    }
    bookCandidateCount = count;
    if (count == 0) {
        bookMissCount++;
        return 0;
    }
    if (count == 1) return bookCandidates[0];
    return bookCandidates[nextRandom() % uint32_t(count)];
}
