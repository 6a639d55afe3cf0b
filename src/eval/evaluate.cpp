#include "eval/evaluate.h"

#include "position/tables.h"

namespace {

// The tempo of the side to move.
constexpr int sideToMoveBonus = 3;
// Lazy evaluation: a score this far outside the window skips the terms still to come (the
// palace threat after the first margin, the mobility terms after the second), which
// rarely move it that far.
constexpr int lazyMargin1 = 160, lazyMargin2 = 80;
// A knight with no safe exit, or with one.
constexpr int KNIGHT_TRAPPED_PENALTY = 10, KNIGHT_ONE_EXIT_PENALTY = 5, KNIGHT_TRAP_WEIGHT = 2;
// Each empty square a rook reaches counts a quarter.
constexpr int ROOK_MOBILITY_SHIFT = 2;
// A screened central cannon whose target corner of an opened palace is also attacked.
constexpr int ATTACKED_CORNER_PENALTY = 20;
// A central cannon screened by the defender's own knight on the palace centre.
constexpr int PALACE_KNIGHT_FACTOR = 4;

// By the cannon's rank distance from the threatened king's back rank.
constexpr int hollowCannonPenalty[10] = {0, 0, 0, 40, 45, 50, 55, 60, 60, 60};
constexpr int screenedCannonPenalty[10] = {0, 0, 0, 10, 8, 6, 4, 2, 2, 2};
// By file index 3..11 (files a..i).
constexpr int bottomCannonPenalty[16] = {0, 0, 0, 15, 10, 0, 0, 0, 0, 0, 10, 15, 0, 0, 0, 0};

// Squares that never count as a safe knight move: rows '9' and '0', files a and i, and
// the two palace centres.
// clang-format off
constexpr uint8_t knightBadSquare[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};
// clang-format on

// The palace of one side, as the threat terms see it.
struct PalaceSquares {
    int colour;            // the defender's colour bit
    uint32_t advisorBits;  // the defender's advisors in pieceMask
    Square king, leftCorner, rightCorner, centre;
    int backRank;          // rank index of the defender's back rank
    uint16_t kingRankBit;  // the back rank's bit in a file vector
};

constexpr PalaceSquares kRedPalace = {RED_BIT, 0x6, 0xC7, 0xC6, 0xC8, 0xB7, 12, 1 << 9};
constexpr PalaceSquares kBlackPalace = {BLACK_BIT, 0x60000, 0x37, 0x36, 0x38, 0x47, 3, 1 << 0};

inline bool isKnightOf(PieceIndex piece, int colour) {
    int slot = slotOf(piece);
    return (piece & colour) && (slot == SLOT_KNIGHT || slot == SLOT_KNIGHT + 1);
}

// The penalty of the defender for the enemy cannons aimed at its palace.
int palacePenalty(const Position& pos, const PalaceSquares& palace) {
    int ownBase = palace.colour;
    if ((pos.pieceMask & palace.advisorBits) != palace.advisorBits) return 0;
    if (pos.pieceSquare[ownBase + SLOT_KING] != palace.king) return 0;
    Square a1 = pos.pieceSquare[ownBase + SLOT_ADVISOR];
    Square a2 = pos.pieceSquare[ownBase + SLOT_ADVISOR + 1];
    auto placedOn = [&](Square x, Square y) {
        return (a1 == x && a2 == y) || (a1 == y && a2 == x);
    };
    enum { HOME, OPEN_RIGHT, OPEN_LEFT } formation;
    Square vacantCorner;
    if (placedOn(palace.leftCorner, palace.rightCorner)) {
        formation = HOME;
        vacantCorner = 0;
    } else if (placedOn(palace.leftCorner, palace.centre)) {
        formation = OPEN_RIGHT;
        vacantCorner = palace.rightCorner;
    } else if (placedOn(palace.rightCorner, palace.centre)) {
        formation = OPEN_LEFT;
        vacantCorner = palace.leftCorner;
    } else {
        return 0;
    }
    int enemyBase = PIECE_INDEX_END - ownBase;
    int attacker = enemyBase == RED_BIT ? RED : BLACK;
    const int centralFile = fileOf(palace.king);
    int penalty = 0;
    for (int slot = SLOT_CANNON; slot < SLOT_CANNON + 2; slot++) {
        Square cannon = pos.pieceSquare[enemyBase + slot];
        if (cannon == 0) continue;
        int distance =
            palace.backRank == LAST_RANK ? LAST_RANK - rankOf(cannon) : rankOf(cannon) - FIRST_RANK;
        const SlideMasks& centralLine =
            fileSlideMasks[rankOf(cannon) * FILE_OCCUPANCIES + pos.fileBits[centralFile]];
        if (formation == HOME) {
            if (fileOf(cannon) != centralFile) continue;
            if (centralLine.rookCaptureMask & palace.kingRankBit) {
                penalty += hollowCannonPenalty[distance];
            } else if ((centralLine.thirdPieceMask & palace.kingRankBit) &&
                       isKnightOf(pos.board[palace.centre], palace.colour)) {
                penalty += PALACE_KNIGHT_FACTOR * screenedCannonPenalty[distance];
            }
        } else if (fileOf(cannon) == centralFile) {
            if (centralLine.thirdPieceMask & palace.kingRankBit) {
                penalty += screenedCannonPenalty[distance];
                if (isSquareAttackedBy(pos, attacker, vacantCorner))
                    penalty += ATTACKED_CORNER_PENALTY;
            }
        } else if (rankOf(cannon) == palace.backRank) {
            const SlideMasks& backLine =
                rankSlideMasks[fileOf(cannon) * RANK_OCCUPANCIES + pos.rankBits[palace.backRank]];
            if (backLine.rookCaptureMask & fileBitOf[palace.king])
                penalty += bottomCannonPenalty[fileOf(cannon)];
        }
    }
    return penalty;
}

int rookMobility(const Position& pos, int base) {
    int mobility = 0;
    for (int slot = SLOT_ROOK; slot < SLOT_ROOK + 2; slot++) {
        Square rook = pos.pieceSquare[base + slot];
        if (rook == 0) continue;
        mobility +=
            bitCount[fileMasksOf(pos, rook).emptyMask] + bitCount[rankMasksOf(pos, rook).emptyMask];
    }
    return mobility;
}

int knightPenalty(const Position& pos, int side) {
    int base = sideBase(side);
    int penalty = 0;
    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square knight = pos.pieceSquare[base + slot];
        if (knight == 0) continue;
        int safe = 0;
        // Two safe exits are enough: only none and one are penalised.
        for (int i = 0; knightMoves[knight][i] != 0 && safe < 2; i++) {
            Square to = knightMoves[knight][i];
            if (knightBadSquare[to] || (pos.board[to] & base) || pos.board[knightLegs[knight][i]])
                continue;
            if (!isSquareAttackedBy(pos, 1 - side, to)) safe++;
        }
        if (safe == 0) {
            penalty += KNIGHT_TRAPPED_PENALTY;
        } else if (safe == 1) {
            penalty += KNIGHT_ONE_EXIT_PENALTY;
        }
    }
    return penalty;
}

}  // namespace

bool isSquareAttackedBy(const Position& pos, int attacker, Square sq) {
    const int colour = sideBase(attacker);
    const Square* pieces = pos.pieceSquare + colour;
    bool ownHalf = attacker == RED ? (sq & RED_HALF_BIT) != 0 : (sq & RED_HALF_BIT) == 0;
    if (ownHalf) {
        if (inPalace[sq]) {
            Square king = pieces[SLOT_KING];
            if (king != 0 && stepKind(king - sq) == STEP_KING) return true;
            for (int slot = SLOT_ADVISOR; slot < SLOT_ADVISOR + 2; slot++) {
                Square advisor = pieces[slot];
                if (advisor != 0 && stepKind(advisor - sq) == STEP_ADVISOR) return true;
            }
        }
        for (int slot = SLOT_BISHOP; slot < SLOT_BISHOP + 2; slot++) {
            Square bishop = pieces[slot];
            if (bishop != 0 && stepKind(bishop - sq) == STEP_BISHOP &&
                pos.board[(bishop + sq) / 2] == 0)
                return true;
        }
    } else {
        for (Square beside : {Square(sq - 1), Square(sq + 1)}) {
            PieceIndex piece = pos.board[beside];
            if ((piece & colour) && slotOf(piece) >= SLOT_PAWN) return true;
        }
    }
    PieceIndex behind = pos.board[attacker == RED ? sq + RANK_STEP : sq - RANK_STEP];
    if ((behind & colour) && slotOf(behind) >= SLOT_PAWN) return true;
    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square knight = pieces[slot];
        if (knight == 0) continue;
        int leg = knightLegOf(sq - knight);
        if (leg != 0 && pos.board[knight + leg] == 0) return true;
    }
    const SlideMasks& fileLine = fileMasksOf(pos, sq);
    const SlideMasks& rankLine = rankMasksOf(pos, sq);
    for (int slot = SLOT_ROOK; slot < SLOT_CANNON + 2; slot++) {
        Square slider = pieces[slot];
        if (slider == 0 || slider == sq) continue;
        bool rook = slot < SLOT_CANNON;
        if (fileOf(slider) == fileOf(sq)) {
            uint16_t mask = rook ? fileLine.rookCaptureMask : fileLine.cannonCaptureMask;
            if (mask & rankBitOf[slider]) return true;
        } else if (rankOf(slider) == rankOf(sq)) {
            uint16_t mask = rook ? rankLine.rookCaptureMask : rankLine.cannonCaptureMask;
            if (mask & fileBitOf[slider]) return true;
        }
    }
    return false;
}

int palaceThreatScore(const Position& pos) {
    int redPenalty = palacePenalty(pos, kRedPalace);
    int blackPenalty = palacePenalty(pos, kBlackPalace);
    return pos.side == RED ? blackPenalty - redPenalty : redPenalty - blackPenalty;
}

int rookMobilityScore(const Position& pos) {
    int difference = rookMobility(pos, RED_BIT) - rookMobility(pos, BLACK_BIT);
    if (pos.side != RED) difference = -difference;
    return difference >> ROOK_MOBILITY_SHIFT;
}

int knightTrapScore(const Position& pos) {
    int own = knightPenalty(pos, pos.side);
    int opponent = knightPenalty(pos, 1 - pos.side);
    return opponent - own;
}

int evaluate(int alpha, int beta, const Position& pos) {
    int own = pos.side == RED ? pos.redScore : pos.blackScore;
    int opp = pos.side == RED ? pos.blackScore : pos.redScore;
    // (difference + bonus) * 1.5, truncated toward zero.
    int v = (own - opp + sideToMoveBonus) * 3 / 2;
    if (v + lazyMargin1 <= alpha) return v + lazyMargin1;
    if (v - lazyMargin1 >= beta) return v - lazyMargin1;
    v += palaceThreatScore(pos);
    if (v + lazyMargin2 <= alpha) return v + lazyMargin2;
    if (v - lazyMargin2 >= beta) return v - lazyMargin2;
    return v + rookMobilityScore(pos) + KNIGHT_TRAP_WEIGHT * knightTrapScore(pos);
}
