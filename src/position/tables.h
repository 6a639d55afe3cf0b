// Precomputed move and mask tables. Step pieces read per-square destination lists; rooks
// and cannons read per-line tables indexed by their coordinate and the line's occupancy.
#pragma once

#include <array>
#include <cstdint>

#include "position/position.h"

extern const uint8_t inBoard[256];
extern const uint8_t inPalace[256];
// The Square's bit in rankBits (1 << (file - 3)) and in fileBits (1 << (rank - 3)).
extern const std::array<uint16_t, 256> fileBitOf;
extern const std::array<uint16_t, 256> rankBitOf;

// Indexed by to - from (-256..255): 1 king step, 2 advisor step, 3 bishop step, else 0.
extern const std::array<uint8_t, 512> stepKindTable;
// Indexed by to - from: the offset from a knight to its leg for a knight jump, else 0.
extern const std::array<int8_t, 512> knightLegTable;
inline int stepKind(int difference) {
    return stepKindTable[difference + 256];
}
inline int knightLegOf(int difference) {
    return knightLegTable[difference + 256];
}

extern const int bishopSteps[4];

// Step tables: destination lists ended by 0, parallel eye and leg lists.
extern Square kingMoves[256][8];
extern Square advisorMoves[256][8];
extern Square bishopMoves[256][8];
extern Square bishopEyes[256][4];
extern Square knightMoves[256][12];
extern Square knightLegs[256][8];
extern Square pawnMoves[2][256][4];

// The sliding tables, per line coordinate and occupancy. Lists hold bare files (along a
// rank) or ranks (along a file) ended by 0; the quiet list serves both the rook and the
// cannon, whose quiet destinations are the same Squares. Masks use the line's own bit
// numbering and are kept apart from the lists, so that the attack tests read a compact
// table that stays in cache; the generators take capture destinations from the masks too
// (lowest bit first, the order of the capture lists).
struct SlideLists {
    uint8_t quiet[12];
    uint8_t rookCaptures[4];
    uint8_t cannonCaptures[4];
};

struct SlideMasks {
    uint16_t rookCaptureMask;    // the first piece on each side
    uint16_t cannonCaptureMask;  // the second piece on each side
    uint16_t emptyMask;          // the empty Squares before the first piece
    uint16_t thirdPieceMask;     // the third piece on each side
};

// Index file(s) * 512 + rankBits[rank(s)].
extern SlideLists rankSlideLists[12 * 512];
extern SlideMasks rankSlideMasks[12 * 512];
// Index rank(s) * 1024 + fileBits[file(s)].
extern SlideLists fileSlideLists[13 * 1024];
extern SlideMasks fileSlideMasks[13 * 1024];

inline int rankSlideIndex(const Position& pos, Square sq) {
    return fileOf(sq) * 512 + pos.rankBits[rankOf(sq)];
}
inline int fileSlideIndex(const Position& pos, Square sq) {
    return rankOf(sq) * 1024 + pos.fileBits[fileOf(sq)];
}
inline const SlideLists& rankListsOf(const Position& pos, Square sq) {
    return rankSlideLists[rankSlideIndex(pos, sq)];
}
inline const SlideLists& fileListsOf(const Position& pos, Square sq) {
    return fileSlideLists[fileSlideIndex(pos, sq)];
}
inline const SlideMasks& rankMasksOf(const Position& pos, Square sq) {
    return rankSlideMasks[rankSlideIndex(pos, sq)];
}
inline const SlideMasks& fileMasksOf(const Position& pos, Square sq) {
    return fileSlideMasks[fileSlideIndex(pos, sq)];
}

// The Square on sq's file whose bit in the file's vector (bits by rank) is `bit`, and the
// Square on sq's rank whose bit in the rank's vector (bits by file) is `bit`.
inline Square squareOnFile(Square sq, unsigned bit) {
    return Square((__builtin_ctz(bit) + FIRST_RANK) << 4 | fileOf(sq));
}
inline Square squareOnRank(Square sq, unsigned bit) {
    return Square(rankOf(sq) << 4 | (__builtin_ctz(bit) + FIRST_FILE));
}

extern uint8_t bitCount[65536];

void buildSlideTables();
// Builds the sliding tables first, then the step tables.
void buildStepTables();
void buildBitCountTable();
