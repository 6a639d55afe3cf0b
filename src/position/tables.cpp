#include "position/tables.h"

#include <array>
#include <cstring>

// clang-format off
const uint8_t inBoard[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

const uint8_t inPalace[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};
// clang-format on

namespace {

constexpr std::array<uint16_t, 256> lineBits(bool ofFile) {
    std::array<uint16_t, 256> bits{};
    for (int sq = 0; sq < 256; sq++) {
        int rank = sq >> 4, file = sq & 15;
        if (rank >= FIRST_RANK && rank <= LAST_RANK && file >= FIRST_FILE && file <= LAST_FILE)
            bits[sq] = uint16_t(1 << (ofFile ? file - FIRST_FILE : rank - FIRST_RANK));
    }
    return bits;
}

// Differences of Squares index the step tables from -256 up.
constexpr int DIFFERENCE_OFFSET = 256;

constexpr std::array<uint8_t, 512> buildStepKind() {
    std::array<uint8_t, 512> kinds{};
    for (int d : kingSteps) kinds[d + DIFFERENCE_OFFSET] = STEP_KING;
    for (int d : advisorSteps) kinds[d + DIFFERENCE_OFFSET] = STEP_ADVISOR;
    for (int d : bishopSteps) kinds[d + DIFFERENCE_OFFSET] = STEP_BISHOP;
    return kinds;
}

constexpr std::array<int8_t, 512> buildKnightLegs() {
    std::array<int8_t, 512> legs{};
    for (int i = 0; i < 8; i++)
        legs[knightJumps[i] + DIFFERENCE_OFFSET] = int8_t(knightLegSteps[i]);
    return legs;
}

}  // namespace

extern const std::array<uint16_t, 256> fileBitOf = lineBits(true);
extern const std::array<uint16_t, 256> rankBitOf = lineBits(false);
extern const std::array<uint8_t, 512> stepKindTable = buildStepKind();
extern const std::array<int8_t, 512> knightLegTable = buildKnightLegs();

Square kingMoves[256][8];
Square advisorMoves[256][8];
Square bishopMoves[256][8];
Square bishopEyes[256][4];
Square knightMoves[256][12];
Square knightLegs[256][8];
Square pawnMoves[2][256][4];

SlideLists rankSlideLists[(LAST_FILE + 1) * RANK_OCCUPANCIES];
SlideMasks rankSlideMasks[(LAST_FILE + 1) * RANK_OCCUPANCIES];
SlideLists fileSlideLists[(LAST_RANK + 1) * FILE_OCCUPANCIES];
SlideMasks fileSlideMasks[(LAST_RANK + 1) * FILE_OCCUPANCIES];

uint8_t bitCount[1 << 16];

namespace {

// Scans one line from coordinate c through occupancy v, low side first, then high side:
// the empty Squares up to the first piece, then the first, second and third pieces.
// Coordinates run from `first` to `last`; bit 0 is the first.
void buildSlideEntry(SlideLists& lists, SlideMasks& masks, int c, int v, int first, int last) {
    std::memset(&lists, 0, sizeof lists);
    std::memset(&masks, 0, sizeof masks);
    int quietCount = 0;
    for (int step : {-1, 1}) {
        int piecesMet = 0;
        for (int d = c + step; d >= first && d <= last; d += step) {
            uint16_t bit = uint16_t(1 << (d - first));
            bool occupied = (v & bit) != 0;
            if (piecesMet == 0) {
                if (!occupied) {
                    lists.quiet[quietCount++] = uint8_t(d);
                    masks.emptyMask |= bit;
                } else {
                    masks.rookCaptureMask |= bit;
                    piecesMet = 1;
                }
            } else if (occupied && piecesMet == 1) {
                masks.cannonCaptureMask |= bit;
                piecesMet = 2;
            } else if (occupied && piecesMet == 2) {
                masks.thirdPieceMask |= bit;
                break;
            }
        }
    }
}

// Appends a destination to a zero-ended row.
template <size_t N>
void appendSquare(Square (&row)[N], int& count, int sq) {
    row[count++] = Square(sq);
}

bool isAdvisorPoint(int sq) {
    for (int point : {0x36, 0x38, 0x47, 0x56, 0x58, 0xA6, 0xA8, 0xB7, 0xC6, 0xC8})
        if (sq == point) return true;
    return false;
}

bool isBishopPoint(int sq) {
    for (int point :
         {0x35, 0x39, 0x53, 0x57, 0x5B, 0x75, 0x79, 0x85, 0x89, 0xA3, 0xA7, 0xAB, 0xC5, 0xC9})
        if (sq == point) return true;
    return false;
}

// Whether a pawn of `side` can ever stand on the Square: on its starting files from its
// starting row on, and anywhere across the river.
bool hasPawnRow(int side, int sq) {
    int rank = sq >> 4, file = sq & 15;
    bool startFile = file == 3 || file == 5 || file == 7 || file == 9 || file == 11;
    if (side == RED) return rank <= 7 || ((rank == 8 || rank == 9) && startFile);
    return rank >= 8 || ((rank == 6 || rank == 7) && startFile);
}

}  // namespace

void buildSlideTables() {
    for (int file = FIRST_FILE; file <= LAST_FILE; file++)
        for (int v = 0; v < RANK_OCCUPANCIES; v++) {
            int index = file * RANK_OCCUPANCIES + v;
            buildSlideEntry(rankSlideLists[index], rankSlideMasks[index], file, v, FIRST_FILE,
                            LAST_FILE);
        }
    for (int rank = FIRST_RANK; rank <= LAST_RANK; rank++)
        for (int v = 0; v < FILE_OCCUPANCIES; v++) {
            int index = rank * FILE_OCCUPANCIES + v;
            buildSlideEntry(fileSlideLists[index], fileSlideMasks[index], rank, v, FIRST_RANK,
                            LAST_RANK);
        }
}

void buildStepTables() {
    buildSlideTables();
    std::memset(kingMoves, 0, sizeof kingMoves);
    std::memset(advisorMoves, 0, sizeof advisorMoves);
    std::memset(bishopMoves, 0, sizeof bishopMoves);
    std::memset(bishopEyes, 0, sizeof bishopEyes);
    std::memset(knightMoves, 0, sizeof knightMoves);
    std::memset(knightLegs, 0, sizeof knightLegs);
    std::memset(pawnMoves, 0, sizeof pawnMoves);
    for (int s = 0; s < 256; s++) {
        if (inPalace[s]) {
            int n = 0;
            for (int d : kingSteps)
                if (inPalace[s + d]) appendSquare(kingMoves[s], n, s + d);
            if (isAdvisorPoint(s)) {
                n = 0;
                for (int d : advisorSteps)
                    if (inPalace[s + d]) appendSquare(advisorMoves[s], n, s + d);
            }
        }
        if (!inBoard[s]) continue;
        if (isBishopPoint(s)) {
            int n = 0;
            for (int d : bishopSteps) {
                int to = s + d;
                if (to >= 0 && to < 256 && inBoard[to] && ((s ^ to) & RED_HALF_BIT) == 0) {
                    bishopEyes[s][n] = Square((s + to) / 2);
                    appendSquare(bishopMoves[s], n, to);
                }
            }
        }
        int n = 0;
        for (int jump : knightJumps) {
            if (inBoard[s + jump]) {
                knightLegs[s][n] = Square(s + knightLegOf(jump));
                appendSquare(knightMoves[s], n, s + jump);
            }
        }
        for (int side : {RED, BLACK}) {
            if (!hasPawnRow(side, s)) continue;
            n = 0;
            int forward = side == RED ? s - RANK_STEP : s + RANK_STEP;
            if (inBoard[forward]) appendSquare(pawnMoves[side][s], n, forward);
            bool crossed = side == RED ? (s & RED_HALF_BIT) == 0 : (s & RED_HALF_BIT) != 0;
            if (crossed) {
                if (inBoard[s - 1]) appendSquare(pawnMoves[side][s], n, s - 1);
                if (inBoard[s + 1]) appendSquare(pawnMoves[side][s], n, s + 1);
            }
        }
    }
}

void buildBitCountTable() {
    for (int v = 0; v < 65536; v++) {
        int x = v - ((v >> 1) & 0x5555);
        x = (x & 0x3333) + ((x >> 2) & 0x3333);
        x = (x + (x >> 4)) & 0x0F0F;
        bitCount[v] = uint8_t((x + (x >> 8)) & 0x1F);
    }
}
