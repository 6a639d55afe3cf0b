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
        if (rank >= 3 && rank <= 12 && file >= 3 && file <= 11)
            bits[sq] = uint16_t(1 << ((ofFile ? file : rank) - 3));
    }
    return bits;
}

constexpr std::array<uint8_t, 512> buildStepKind() {
    std::array<uint8_t, 512> kinds{};
    for (int d : {-16, -1, 1, 16}) kinds[d + 256] = 1;
    for (int d : {-17, -15, 15, 17}) kinds[d + 256] = 2;
    for (int d : {-34, -30, 30, 34}) kinds[d + 256] = 3;
    return kinds;
}

constexpr std::array<int8_t, 512> buildKnightLegs() {
    std::array<int8_t, 512> legs{};
    legs[-33 + 256] = -16;
    legs[-31 + 256] = -16;
    legs[-18 + 256] = -1;
    legs[-14 + 256] = 1;
    legs[14 + 256] = -1;
    legs[18 + 256] = 1;
    legs[31 + 256] = 16;
    legs[33 + 256] = 16;
    return legs;
}

}  // namespace

extern const std::array<uint16_t, 256> fileBitOf = lineBits(true);
extern const std::array<uint16_t, 256> rankBitOf = lineBits(false);
extern const std::array<uint8_t, 512> stepKindTable = buildStepKind();
extern const std::array<int8_t, 512> knightLegTable = buildKnightLegs();
const int bishopSteps[4] = {-34, -30, 30, 34};

Square kingMoves[256][8];
Square advisorMoves[256][8];
Square bishopMoves[256][8];
Square bishopEyes[256][4];
Square knightMoves[256][12];
Square knightLegs[256][8];
Square pawnMoves[2][256][4];

SlideLists rankSlideLists[12 * 512];
SlideMasks rankSlideMasks[12 * 512];
SlideLists fileSlideLists[13 * 1024];
SlideMasks fileSlideMasks[13 * 1024];

uint8_t bitCount[65536];

namespace {

// Scans one line from coordinate c through occupancy v, low side first, then high side.
void buildSlideEntry(SlideLists& lists, SlideMasks& masks, int c, int v, int last) {
    std::memset(&lists, 0, sizeof lists);
    std::memset(&masks, 0, sizeof masks);
    int quietCount = 0, rookCount = 0, cannonCount = 0;
    for (int step : {-1, 1}) {
        int phase = 1;
        for (int d = c + step; d >= 3 && d <= last; d += step) {
            uint16_t bit = uint16_t(1 << (d - 3));
            bool occupied = (v & bit) != 0;
            if (phase == 1) {
                if (!occupied) {
                    lists.quiet[quietCount++] = uint8_t(d);
                    masks.emptyMask |= bit;
                } else {
                    lists.rookCaptures[rookCount++] = uint8_t(d);
                    masks.rookCaptureMask |= bit;
                    phase = 2;
                }
            } else if (occupied && phase == 2) {
                lists.cannonCaptures[cannonCount++] = uint8_t(d);
                masks.cannonCaptureMask |= bit;
                phase = 3;
            } else if (occupied && phase == 3) {
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

bool hasPawnRow(int side, int sq) {
    int rank = sq >> 4, file = sq & 15;
    bool startFile = file == 3 || file == 5 || file == 7 || file == 9 || file == 11;
    if (side == RED) return rank <= 7 || ((rank == 8 || rank == 9) && startFile);
    return rank >= 8 || ((rank == 6 || rank == 7) && startFile);
}

}  // namespace

void buildSlideTables() {
    for (int file = 3; file <= 11; file++)
        for (int v = 0; v < 512; v++) {
            int index = file * 512 + v;
            buildSlideEntry(rankSlideLists[index], rankSlideMasks[index], file, v, 11);
        }
    for (int rank = 3; rank <= 12; rank++)
        for (int v = 0; v < 1024; v++) {
            int index = rank * 1024 + v;
            buildSlideEntry(fileSlideLists[index], fileSlideMasks[index], rank, v, 12);
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
            for (int d : {-16, -1, 1, 16})
                if (inPalace[s + d]) appendSquare(kingMoves[s], n, s + d);
            if (isAdvisorPoint(s)) {
                n = 0;
                for (int d : {-17, -15, 15, 17})
                    if (inPalace[s + d]) appendSquare(advisorMoves[s], n, s + d);
            }
        }
        if (!inBoard[s]) continue;
        if (isBishopPoint(s)) {
            int n = 0;
            for (int d : bishopSteps) {
                int to = s + d;
                if (to >= 0 && to < 256 && inBoard[to] && ((s ^ to) & 0x80) == 0) {
                    bishopEyes[s][n] = Square((s + to) / 2);
                    appendSquare(bishopMoves[s], n, to);
                }
            }
        }
        int n = 0;
        for (int jump : {-33, -31, -18, -14, 14, 18, 31, 33}) {
            if (inBoard[s + jump]) {
                knightLegs[s][n] = Square(s + knightLegOf(jump));
                appendSquare(knightMoves[s], n, s + jump);
            }
        }
        for (int side : {RED, BLACK}) {
            if (!hasPawnRow(side, s)) continue;
            n = 0;
            int forward = side == RED ? s - 16 : s + 16;
            if (inBoard[forward]) appendSquare(pawnMoves[side][s], n, forward);
            bool crossed = side == RED ? s < 0x80 : s >= 0x80;
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
