#include "position/legality.h"

namespace {

// The part of LegalityInfo along one half-line from the king, the bits `side` of the line
// whose masks are `masks`: its first, second and third pieces on that side (at most one
// each) decide which departures (fromBits) and arrivals (toBits) matter; `square` turns a
// bit into its Square. Returns whether a checker stands on the half-line.
template <typename SquareOf>
bool guardHalfLine(const Position& pos, bool inCheck, unsigned side, const SlideMasks& masks,
                   SquareOf square, uint16_t& fromBits, uint16_t& toBits) {
    const unsigned first = masks.rookCaptureMask & side, second = masks.cannonCaptureMask & side;
    const unsigned third = masks.thirdPieceMask & side;
    const int enemy = enemyBase(pos.side);
    auto enemySlot = [&](unsigned bit) {
        PieceIndex piece = bit != 0 ? pos.board[square(bit)] : 0;
        return (piece & enemy) != 0 ? slotOf(piece) : -1;
    };
    auto isRook = [](int slot) {
        return slot == SLOT_KING || slot == SLOT_ROOK || slot == SLOT_ROOK + 1;
    };
    auto isCannon = [](int slot) { return slot == SLOT_CANNON || slot == SLOT_CANNON + 1; };
    // The bits from the king up to and including `bit`, on this side (the low side holds
    // bit 0 unless it is empty).
    auto upTo = [&](unsigned bit) { return side & (side & 1 ? ~(bit - 1) : (bit << 1) - 1); };
    if (inCheck) {
        bool checked = false;
        if (isRook(enemySlot(first))) {
            toBits |= uint16_t(upTo(first));
            checked = true;
        }
        // A cannon is blocked by a second screen anywhere before it, or loses its screen.
        if (isCannon(enemySlot(second))) {
            toBits |= uint16_t(upTo(second));
            fromBits |= uint16_t(first);
            checked = true;
        }
        return checked;
    }
    // A rook, or the facing king, behind the first piece.
    if (isRook(enemySlot(second))) fromBits |= uint16_t(first);
    // A cannon third: either piece in front of it leaving makes the other its screen.
    if (isCannon(enemySlot(third))) fromBits |= uint16_t(first | second);
    // A cannon first: any piece put before it becomes its screen.
    if (isCannon(enemySlot(first))) toBits |= uint16_t(masks.emptyMask & side);
    return false;
}

}  // namespace

void computeLegalityInfo(const Position& pos, LegalityInfo& info) {
    Square king = pos.pieceSquare[sideBase(pos.side)];
    const bool inCheck = inCheckNow(pos);
    info = LegalityInfo{
        king, inCheck ? LEGALITY_IN_CHECK : LEGALITY_QUIET, 0, 0, 0, 0, {0, 0}, {0, 0, 0, 0}};
    if (king == 0) {
        info.mode = LEGALITY_TEST_ALL;
        return;
    }
    const SlideMasks& file = fileMasksOf(pos, king);
    const SlideMasks& rank = rankMasksOf(pos, king);
    const int kingFile = fileOf(king);
    auto onFile = [&](unsigned bit) { return squareOnFile(king, bit); };
    auto onRank = [&](unsigned bit) { return squareOnRank(king, bit); };
    const unsigned fileLow = rankBitOf[king] - 1u, rankLow = fileBitOf[king] - 1u;
    const unsigned fileHigh = ALL_RANK_BITS & ~fileLow & ~unsigned(rankBitOf[king]);
    const unsigned rankHigh = ALL_FILE_BITS & ~rankLow & ~unsigned(fileBitOf[king]);
    bool checked = false;
    for (unsigned side : {fileLow, fileHigh}) {
        checked |= guardHalfLine(pos, inCheck, side, file, onFile, info.fromOnFile, info.toOnFile);
    }
    for (unsigned side : {rankLow, rankHigh}) {
        checked |= guardHalfLine(pos, inCheck, side, rank, onRank, info.fromOnRank, info.toOnRank);
    }
    const int enemy = enemyBase(pos.side);
    const Square* knights = pos.pieceSquare + enemy + SLOT_KNIGHT;
    for (int i = 0; i < 2; i++) {
        int leg = knights[i] != 0 ? knightLegOf(king - knights[i]) : 0;
        if (leg == 0) continue;
        Square legSquare = Square(knights[i] + leg);
        if (!inCheck) {
            info.fromSquares[i] = legSquare;
        } else if (pos.board[legSquare] == 0) {
            info.toSquares[2 * i] = knights[i];
            info.toSquares[2 * i + 1] = legSquare;
            checked = true;
        }
    }
    if (!inCheck) return;
    // Pawns beside the king and the one whose forward step lands on it: only their capture
    // answers them.
    for (Square sq : {Square(king - 1), Square(king + 1),
                      Square(pos.side == RED ? king - RANK_STEP : king + RANK_STEP)}) {
        PieceIndex piece = pos.board[sq];
        if ((piece & enemy) && slotOf(piece) >= SLOT_PAWN) {
            if (fileOf(sq) == kingFile) {
                info.toOnFile |= rankBitOf[sq];
            } else {
                info.toOnRank |= fileBitOf[sq];
            }
            checked = true;
        }
    }
    // The record says check but no checker was found: test every move.
    if (!checked) info.mode = LEGALITY_TEST_ALL;
}

bool isLegalCaptureOutOfCheck(Move mv, Position& pos) {
    Square king = pos.pieceSquare[sideBase(pos.side)];
    Square from = moveFrom(mv);
    if (king == 0 || from == king) return isLegalMove(mv, pos);
    // The departure's part of the legality info: a leg of an enemy knight aimed at the
    // king, or a shield on the half of the king's file or rank that holds it.
    int offset = from - king;
    if (isDiagonalStep(offset)) {
        const Square* knights = pos.pieceSquare + enemyBase(pos.side) + SLOT_KNIGHT;
        for (int i = 0; i < 2; i++) {
            int leg = knights[i] != 0 ? knightLegOf(king - knights[i]) : 0;
            if (leg != 0 && knights[i] + leg == from) return isLegalMove(mv, pos);
        }
        return true;
    }
    uint16_t fromBits = 0, toBits = 0;
    unsigned fromBit;
    if (fileOf(from) == fileOf(king)) {
        const unsigned low = rankBitOf[king] - 1u;
        const unsigned half = from < king ? low : ALL_RANK_BITS & ~low & ~unsigned(rankBitOf[king]);
        auto onFile = [&](unsigned bit) { return squareOnFile(king, bit); };
        guardHalfLine(pos, false, half, fileMasksOf(pos, king), onFile, fromBits, toBits);
        fromBit = rankBitOf[from];
    } else if (rankOf(from) == rankOf(king)) {
        const unsigned low = fileBitOf[king] - 1u;
        const unsigned half = from < king ? low : ALL_FILE_BITS & ~low & ~unsigned(fileBitOf[king]);
        auto onRank = [&](unsigned bit) { return squareOnRank(king, bit); };
        guardHalfLine(pos, false, half, rankMasksOf(pos, king), onRank, fromBits, toBits);
        fromBit = fileBitOf[from];
    } else {
        return true;
    }
    return (fromBits & fromBit) == 0 || isLegalMove(mv, pos);
}
