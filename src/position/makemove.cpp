#include "position/makemove.h"

#include "position/keys.h"
#include "position/psqt.h"
#include "position/tables.h"

namespace {

inline void toggleOccupancy(Position& pos, Square sq) {
    pos.fileBits[fileOf(sq)] ^= rankBitOf[sq];
    pos.rankBits[rankOf(sq)] ^= fileBitOf[sq];
}

inline bool isPawn(PieceIndex piece) {
    return slotOf(piece) >= SLOT_PAWN;
}

// False when the move cannot give check: the opponent is never in check before it, and
// only a knight or a pawn attacks the king from off the king's lines; every other check
// comes through a line or a knight's leg that the move touches.
inline bool mayGiveCheck(const Position& pos, Square from, Square to) {
    Square king = pos.pieceSquare[sideBase(1 - pos.side)];
    if (king == 0) return false;
    int slot = slotOf(pos.board[from]);
    if (slot == SLOT_KNIGHT || slot == SLOT_KNIGHT + 1) {
        if (knightLegOf(king - to) != 0) return true;
    } else if (slot >= SLOT_PAWN && stepKind(king - to) == 1) {
        return true;
    }
    return nearKingLines(from, king) || nearKingLines(to, king);
}

}  // namespace

namespace {

// Everything of makeMove but the move record, whose check bit the callers find their way.
inline void movePieces(Position& pos, Move mv, UndoRecord& undo) {
    Square from = moveFrom(mv), to = moveTo(mv);
    PieceIndex moving = pos.board[from];
    PieceIndex captured = pos.board[to];
    undo.captured = captured;
    undo.key = pos.key;
    undo.blackScore = pos.blackScore;
    undo.redScore = pos.redScore;
    undo.side = pos.side;
    undo.pieceMask = pos.pieceMask;

    toggleOccupancy(pos, from);
    const uint64_t* movingKeys = zobristKeys[pieceKindOf[moving]];
    pos.key ^= movingKeys[from] ^ movingKeys[to];
    int type = pieceTypeOf[moving];
    if (moving & RED_BIT) {
        pos.redScore += pieceSquareValue[type * 256 + to] - pieceSquareValue[type * 256 + from];
    } else {
        pos.blackScore += pieceSquareValue[type * 256 + mirrorSquare(to)] -
                          pieceSquareValue[type * 256 + mirrorSquare(from)];
    }
    if (captured != 0) {
        pos.key ^= zobristKeys[pieceKindOf[captured]][to];
        pos.pieceMask &= ~pieceMaskBit(captured);
        if (captured & RED_BIT) {
            pos.redScore -= pieceValue(captured, to);
        } else {
            pos.blackScore -= pieceValue(captured, to);
        }
        pos.pieceSquare[captured] = 0;
    } else {
        toggleOccupancy(pos, to);
    }
    pos.board[from] = 0;
    pos.board[to] = moving;
    pos.pieceSquare[moving] = to;

    pos.side = 1 - pos.side;
    pos.key ^= sideKey;
}

inline void recordMove(Position& pos, Move mv, PieceIndex captured, bool check) {
    pos.moveHistory[pos.historyCount] =
        MoveRecord(mv) | (MoveRecord(captured) << RECORD_CAPTURE_SHIFT) | (check ? CHECK_BIT : 0);
    pos.keyHistory[pos.historyCount] = pos.key;
    pos.historyCount++;
}

}  // namespace

void makeMove(Position& pos, Move mv, UndoRecord& undo) {
    bool mayCheck = mayGiveCheck(pos, moveFrom(mv), moveTo(mv));
    movePieces(pos, mv, undo);
    recordMove(pos, mv, undo.captured, mayCheck && isSideInCheck(pos, pos.side));
}

void makeMoveKnowingCheck(Position& pos, Move mv, UndoRecord& undo, bool check) {
    movePieces(pos, mv, undo);
    recordMove(pos, mv, undo.captured, check);
}

void unmakeMove(Position& pos, Move mv, const UndoRecord& undo) {
    Square from = moveFrom(mv), to = moveTo(mv);
    PieceIndex moving = pos.board[to];
    PieceIndex captured = undo.captured;
    toggleOccupancy(pos, from);
    if (captured == 0) toggleOccupancy(pos, to);
    pos.board[from] = moving;
    pos.board[to] = captured;
    pos.pieceSquare[moving] = from;
    if (captured != 0) pos.pieceSquare[captured] = to;
    pos.side = undo.side;
    pos.key = undo.key;
    pos.redScore = undo.redScore;
    pos.blackScore = undo.blackScore;
    pos.pieceMask = undo.pieceMask;
    pos.historyCount--;
}

void makeNullMove(Position& pos, UndoRecord& undo) {
    undo.side = pos.side;
    undo.key = pos.key;
    pos.side ^= 1;
    pos.key ^= sideKey;
    pos.moveHistory[pos.historyCount] = NULL_MOVE;
    pos.keyHistory[pos.historyCount] = pos.key;
    pos.historyCount++;
}

void unmakeNullMove(Position& pos, const UndoRecord& undo) {
    pos.side = undo.side;
    pos.key = undo.key;
    pos.historyCount--;
}

bool isSideInCheck(const Position& pos, int side) {
    // The sides' bases as their bits (what sideBase and enemyBase give), chosen here: the
    // compiler keeps this hot test shorter so.
    Square king = pos.pieceSquare[side == RED ? RED_BIT : BLACK_BIT];
    if (king == 0) return false;
    int base = side == RED ? BLACK_BIT : RED_BIT;
    const Square* attackers = pos.pieceSquare + base;
    const SlideMasks& fileLine = fileMasksOf(pos, king);
    const SlideMasks& rankLine = rankMasksOf(pos, king);
    int kingFile = fileOf(king), kingRank = rankOf(king);

    // Facing kings: nothing stands between them on one file.
    Square otherKing = attackers[SLOT_KING];
    if (otherKing != 0 && fileOf(otherKing) == kingFile &&
        (fileLine.rookCaptureMask & rankBitOf[otherKing]))
        return true;
    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square knight = attackers[slot];
        if (knight == 0) continue;
        int leg = knightLegOf(king - knight);
        if (leg != 0 && pos.board[knight + leg] == 0) return true;
    }
    for (int slot = SLOT_ROOK; slot < SLOT_ROOK + 2; slot++) {
        Square rook = attackers[slot];
        if (rook == 0) continue;
        if (fileOf(rook) == kingFile) {
            if (fileLine.rookCaptureMask & rankBitOf[rook]) return true;
        } else if (rankOf(rook) == kingRank) {
            if (rankLine.rookCaptureMask & fileBitOf[rook]) return true;
        }
    }
    for (int slot = SLOT_CANNON; slot < SLOT_CANNON + 2; slot++) {
        Square cannon = attackers[slot];
        if (cannon == 0) continue;
        if (fileOf(cannon) == kingFile) {
            if (fileLine.cannonCaptureMask & rankBitOf[cannon]) return true;
        } else if (rankOf(cannon) == kingRank) {
            if (rankLine.cannonCaptureMask & fileBitOf[cannon]) return true;
        }
    }
    // Pawns beside the king, then the pawn whose forward step lands on it.
    for (Square sq : {Square(king - 1), Square(king + 1),
                      Square(side == RED ? king - RANK_STEP : king + RANK_STEP)}) {
        PieceIndex piece = pos.board[sq];
        if ((piece & base) && isPawn(piece)) return true;
    }
    return false;
}

namespace {

// Whether `side`'s king is attacked once the move is made. Only what the attack test reads
// (board, piece squares, occupancy) is changed and put back: the answer is the one a full
// make, test and unmake would give, at a fraction of the cost.
bool attackedAfterMove(Position& pos, Move mv, int side) {
    Square from = moveFrom(mv), to = moveTo(mv);
    PieceIndex moving = pos.board[from];
    PieceIndex captured = pos.board[to];
    toggleOccupancy(pos, from);
    if (captured == 0) toggleOccupancy(pos, to);
    pos.board[from] = 0;
    pos.board[to] = moving;
    pos.pieceSquare[moving] = to;
    pos.pieceSquare[captured] = 0;  // entry 0 stays 0 when nothing was captured
    bool attacked = isSideInCheck(pos, side);
    pos.pieceSquare[captured] = captured != 0 ? to : 0;
    pos.pieceSquare[moving] = from;
    pos.board[to] = captured;
    pos.board[from] = moving;
    if (captured == 0) toggleOccupancy(pos, to);
    toggleOccupancy(pos, from);
    return attacked;
}

}  // namespace

bool isLegalMove(Move mv, Position& pos) {
    // A move of another piece than the king that touches none of the king's lines and
    // knights' legs changes no attack on the king: out of check it is legal, and in check it
    // is illegal unless it takes a checking knight (the one checker off those squares).
    Square king = pos.pieceSquare[sideBase(pos.side)];
    Square from = moveFrom(mv), to = moveTo(mv);
    if (slotOf(pos.board[from]) != SLOT_KING && king != 0 && !nearKingLines(from, king) &&
        !nearKingLines(to, king)) {
        if (!inCheckNow(pos)) return true;
        int target = slotOf(pos.board[to]);
        if (pos.board[to] == 0 || (target != SLOT_KNIGHT && target != SLOT_KNIGHT + 1))
            return false;
    }
    return !attackedAfterMove(pos, mv, pos.side);
}

bool givesCheck(Move mv, Position& pos) {
    if (!mayGiveCheck(pos, moveFrom(mv), moveTo(mv))) return false;
    return attackedAfterMove(pos, mv, 1 - pos.side);
}

int repetitionStatus(const Position& pos) {
    if (pos.historyCount < 6) return 0;
    uint64_t current = pos.key;
    bool ownChecks = true, oppChecks = true;
    for (int i = pos.historyCount - 1; i > 0; i -= 2) {
        MoveRecord newer = pos.moveHistory[i];
        MoveRecord older = pos.moveHistory[i - 1];
        if ((newer & RECORD_MOVE_BITS) == NULL_MOVE || (older & RECORD_MOVE_BITS) == NULL_MOVE)
            return 0;
        if ((newer & RECORD_CAPTURE_BITS) != 0 || (older & RECORD_CAPTURE_BITS) != 0) return 0;
        if (!(newer & CHECK_BIT)) oppChecks = false;
        if (!(older & CHECK_BIT)) ownChecks = false;
        if (pos.keyHistory[i - 2] == current) return 1 + (ownChecks ? 2 : 0) + (oppChecks ? 4 : 0);
    }
    return 0;
}
