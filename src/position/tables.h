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

// The steps of the king, the advisor and the bishop, and the knight's jumps with, in the
// same order, the step to the leg it must find empty; as differences of Squares.
inline constexpr int kingSteps[4] = {-16, -1, 1, 16};
inline constexpr int advisorSteps[4] = {-17, -15, 15, 17};
inline constexpr int bishopSteps[4] = {-34, -30, 30, 34};
inline constexpr int knightJumps[8] = {-33, -31, -18, -14, 14, 18, 31, 33};
inline constexpr int knightLegSteps[8] = {-16, -16, -1, 1, -1, 1, 16, 16};

// What stepKind tells of a Square difference.
constexpr int STEP_NONE = 0, STEP_KING = 1, STEP_ADVISOR = 2, STEP_BISHOP = 3;

// Indexed by to - from (-256..255): STEP_KING, STEP_ADVISOR, STEP_BISHOP or STEP_NONE.
extern const std::array<uint8_t, 512> stepKindTable;
// Indexed by to - from: the offset from a knight to its leg for a knight jump, else 0.
extern const std::array<int8_t, 512> knightLegTable;
inline int stepKind(int difference) {
    return stepKindTable[difference + 256];
}
inline int knightLegOf(int difference) {
    return knightLegTable[difference + 256];
}

// Step tables: destination lists ended by 0, parallel eye and leg lists.
extern Square kingMoves[256][8];
extern Square advisorMoves[256][8];
extern Square bishopMoves[256][8];
extern Square bishopEyes[256][4];
extern Square knightMoves[256][12];
extern Square knightLegs[256][8];
extern Square pawnMoves[2][256][4];

// The sliding tables, per line coordinate and occupancy. The quiet list holds bare files
// (along a rank) or ranks (along a file) ended by 0, low side first, then high side; it
// serves both the rook and the cannon, whose quiet destinations are the same Squares.
// Masks use the line's own bit numbering and are kept apart from the lists, so that the
// attack tests read a compact table that stays in cache; the generators take capture
// destinations from the masks (lowest bit first).
struct SlideLists {
    uint8_t quiet[12];
};

struct SlideMasks {
    uint16_t rookCaptureMask;    // the first piece on each side
    uint16_t cannonCaptureMask;  // the second piece on each side
    uint16_t emptyMask;          // the empty Squares before the first piece
    uint16_t thirdPieceMask;     // the third piece on each side
};

// Occupancies of a rank (nine files) and of a file (ten ranks); also every bit of a line.
constexpr int RANK_OCCUPANCIES = 1 << 9;
constexpr int FILE_OCCUPANCIES = 1 << 10;
constexpr unsigned ALL_FILE_BITS = RANK_OCCUPANCIES - 1;
constexpr unsigned ALL_RANK_BITS = FILE_OCCUPANCIES - 1;

// Index file(s) * RANK_OCCUPANCIES + rankBits[rank(s)].
extern SlideLists rankSlideLists[(LAST_FILE + 1) * RANK_OCCUPANCIES];
extern SlideMasks rankSlideMasks[(LAST_FILE + 1) * RANK_OCCUPANCIES];
// Index rank(s) * FILE_OCCUPANCIES + fileBits[file(s)].
extern SlideLists fileSlideLists[(LAST_RANK + 1) * FILE_OCCUPANCIES];
extern SlideMasks fileSlideMasks[(LAST_RANK + 1) * FILE_OCCUPANCIES];

inline int rankSlideIndex(const Position& pos, Square sq) {
    return fileOf(sq) * RANK_OCCUPANCIES + pos.rankBits[rankOf(sq)];
}
inline int fileSlideIndex(const Position& pos, Square sq) {
    return rankOf(sq) * FILE_OCCUPANCIES + pos.fileBits[fileOf(sq)];
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
    return Square(rankStart(sq) | (__builtin_ctz(bit) + FIRST_FILE));
}

extern uint8_t bitCount[1 << 16];

void buildSlideTables();
// Builds the sliding tables first, then the step tables.
void buildStepTables();
void buildBitCountTable();
