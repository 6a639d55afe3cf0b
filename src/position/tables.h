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
inline int stepKind(int difference) { return stepKindTable[difference + 256]; }
inline int knightLegOf(int difference) { return knightLegTable[difference + 256]; }

extern const int bishopSteps[4];

// Step tables: destination lists ended by 0, parallel eye and leg lists.
extern Square kingMoves[256][8];
extern Square advisorMoves[256][8];
extern Square bishopMoves[256][8];
extern Square bishopEyes[256][4];
extern Square knightMoves[256][12];
extern Square knightLegs[256][8];
extern Square pawnMoves[2][256][4];

// One line entry of the sliding tables. Lists hold bare files (along a rank) or ranks
// (along a file) ended by 0; masks use the line's own bit numbering. The quiet list serves
// both the rook and the cannon: their quiet destinations are the same Squares.
struct SlideEntry {
    uint8_t quiet[12];
    uint8_t rookCaptures[4];
    uint8_t cannonCaptures[4];
    uint16_t rookCaptureMask;
    uint16_t cannonCaptureMask;
    uint16_t emptyMask;
    uint16_t thirdPieceMask;
};

// Index file(s) * 512 + rankBits[rank(s)].
extern SlideEntry rankSlide[12 * 512];
// Index rank(s) * 1024 + fileBits[file(s)].
extern SlideEntry fileSlide[13 * 1024];

inline const SlideEntry& rankSlideOf(const Position& pos, Square sq) {
    return rankSlide[fileOf(sq) * 512 + pos.rankBits[rankOf(sq)]];
}
inline const SlideEntry& fileSlideOf(const Position& pos, Square sq) {
    return fileSlide[rankOf(sq) * 1024 + pos.fileBits[fileOf(sq)]];
}

extern uint8_t bitCount[65536];

void buildSlideTables();
// Builds the sliding tables first, then the step tables.
void buildStepTables();
void buildBitCountTable();
