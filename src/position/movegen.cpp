#include "position/movegen.h"

#include "position/makemove.h"
#include "position/tables.h"

namespace {

// Appends every listed destination that passes `accept`.
template <typename Accept>
inline void addSteps(MoveList& list, Square from, const Square* row, Accept accept) {
    for (; *row != 0; row++) {
        if (accept(*row)) list.moves[list.count++] = makeMoveCode(from, *row);
    }
}

// Destinations of a list along a rank (entries are files) or a file (entries are ranks).
template <typename Accept>
inline void addRankLine(MoveList& list, Square from, const uint8_t* files, Accept accept) {
    int rankBase = from & 0xF0;
    for (; *files != 0; files++) {
        Square to = Square(rankBase | *files);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

template <typename Accept>
inline void addFileLine(MoveList& list, Square from, const uint8_t* ranks, Accept accept) {
    int file = from & 15;
    for (; *ranks != 0; ranks++) {
        Square to = Square(*ranks << 4 | file);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

// Capture destinations from a line mask: the lowest bit first, which is the order of the
// capture lists (low side, then high side), read from the compact mask table.
template <typename Accept>
inline void addRankMask(MoveList& list, Square from, unsigned mask, Accept accept) {
    int rankBase = from & 0xF0;
    for (; mask != 0; mask &= mask - 1) {
        Square to = Square(rankBase | (__builtin_ctz(mask) + 3));
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

template <typename Accept>
inline void addFileMask(MoveList& list, Square from, unsigned mask, Accept accept) {
    int file = from & 15;
    for (; mask != 0; mask &= mask - 1) {
        Square to = Square((__builtin_ctz(mask) + 3) << 4 | file);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

constexpr auto kAnySquare = [](Square) { return true; };

}  // namespace

void generateAllMoves(MoveList& list, const Position& pos) {
    list.count = 0;
    const int own = sideBase(pos.side);
    const PieceIndex* board = pos.board;
    auto notOwn = [&](Square to) { return (board[to] & own) == 0; };
    const Square* squares = pos.pieceSquare + own;

    if (Square sq = squares[SLOT_KING]) addSteps(list, sq, kingMoves[sq], notOwn);
    for (int slot = SLOT_ADVISOR; slot < SLOT_ADVISOR + 2; slot++) {
        if (Square sq = squares[slot]) addSteps(list, sq, advisorMoves[sq], notOwn);
    }
    for (int slot = SLOT_BISHOP; slot < SLOT_BISHOP + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        for (int i = 0; bishopMoves[sq][i] != 0; i++) {
            Square to = bishopMoves[sq][i];
            if (notOwn(to) && board[bishopEyes[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        for (int i = 0; knightMoves[sq][i] != 0; i++) {
            Square to = knightMoves[sq][i];
            if (notOwn(to) && board[knightLegs[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_ROOK; slot < SLOT_ROOK + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        const SlideLists& rank = rankListsOf(pos, sq);
        const SlideLists& file = fileListsOf(pos, sq);
        addRankLine(list, sq, rank.quiet, kAnySquare);
        addRankMask(list, sq, rankMasksOf(pos, sq).rookCaptureMask, notOwn);
        addFileLine(list, sq, file.quiet, kAnySquare);
        addFileMask(list, sq, fileMasksOf(pos, sq).rookCaptureMask, notOwn);
    }
    for (int slot = SLOT_CANNON; slot < SLOT_CANNON + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        const SlideLists& rank = rankListsOf(pos, sq);
        const SlideLists& file = fileListsOf(pos, sq);
        addRankLine(list, sq, rank.quiet, kAnySquare);
        addRankMask(list, sq, rankMasksOf(pos, sq).cannonCaptureMask, notOwn);
        addFileLine(list, sq, file.quiet, kAnySquare);
        addFileMask(list, sq, fileMasksOf(pos, sq).cannonCaptureMask, notOwn);
    }
    for (int slot = SLOT_PAWN; slot < 16; slot++) {
        if (Square sq = squares[slot]) addSteps(list, sq, pawnMoves[pos.side][sq], notOwn);
    }
}

void generateCaptures(MoveList& list, const Position& pos) {
    list.count = 0;
    const int own = sideBase(pos.side);
    const int enemy = 48 - own;
    const PieceIndex* board = pos.board;
    auto isEnemy = [&](Square to) { return (board[to] & enemy) != 0; };
    const Square* squares = pos.pieceSquare + own;

    if (Square sq = squares[SLOT_KING]) addSteps(list, sq, kingMoves[sq], isEnemy);
    for (int slot = SLOT_ADVISOR; slot < SLOT_ADVISOR + 2; slot++) {
        if (Square sq = squares[slot]) addSteps(list, sq, advisorMoves[sq], isEnemy);
    }
    for (int slot = SLOT_BISHOP; slot < SLOT_BISHOP + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        for (int i = 0; bishopMoves[sq][i] != 0; i++) {
            Square to = bishopMoves[sq][i];
            if (isEnemy(to) && board[bishopEyes[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        for (int i = 0; knightMoves[sq][i] != 0; i++) {
            Square to = knightMoves[sq][i];
            if (isEnemy(to) && board[knightLegs[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_ROOK; slot < SLOT_ROOK + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        addRankMask(list, sq, rankMasksOf(pos, sq).rookCaptureMask, isEnemy);
        addFileMask(list, sq, fileMasksOf(pos, sq).rookCaptureMask, isEnemy);
    }
    for (int slot = SLOT_CANNON; slot < SLOT_CANNON + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        addRankMask(list, sq, rankMasksOf(pos, sq).cannonCaptureMask, isEnemy);
        addFileMask(list, sq, fileMasksOf(pos, sq).cannonCaptureMask, isEnemy);
    }
    for (int slot = SLOT_PAWN; slot < 16; slot++) {
        if (Square sq = squares[slot]) addSteps(list, sq, pawnMoves[pos.side][sq], isEnemy);
    }
}

void generateQuietMoves(MoveList& list, const Position& pos) {
    list.count = 0;
    const int own = sideBase(pos.side);
    const PieceIndex* board = pos.board;
    auto isEmpty = [&](Square to) { return board[to] == 0; };
    const Square* squares = pos.pieceSquare + own;

    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        for (int i = 0; knightMoves[sq][i] != 0; i++) {
            Square to = knightMoves[sq][i];
            if (board[to] == 0 && board[knightLegs[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_ROOK; slot < SLOT_CANNON + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        addFileLine(list, sq, fileListsOf(pos, sq).quiet, kAnySquare);
        addRankLine(list, sq, rankListsOf(pos, sq).quiet, kAnySquare);
    }
    for (int slot = SLOT_PAWN; slot < 16; slot++) {
        if (Square sq = squares[slot]) addSteps(list, sq, pawnMoves[pos.side][sq], isEmpty);
    }
    for (int slot = SLOT_ADVISOR; slot < SLOT_ADVISOR + 2; slot++) {
        if (Square sq = squares[slot]) addSteps(list, sq, advisorMoves[sq], isEmpty);
    }
    for (int slot = SLOT_BISHOP; slot < SLOT_BISHOP + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        for (int i = 0; bishopMoves[sq][i] != 0; i++) {
            Square to = bishopMoves[sq][i];
            if (board[to] == 0 && board[bishopEyes[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    if (Square sq = squares[SLOT_KING]) addSteps(list, sq, kingMoves[sq], isEmpty);
}

void generateLegalMoves(MoveList& list, Position& pos) {
    generateAllMoves(list, pos);
    LegalityInfo info;
    computeLegalityInfo(pos, info);
    auto legal = [&info](Move move, Position& at) { return isLegalMoveWithInfo(move, at, info); };
    filterMoveList(list, pos, legal, true);
}

void generateLegalMovesOnCopy(MoveList& list, Position& pos) {
    generateLegalMoves(list, pos);
}

bool isPseudoLegal(Move mv, const Position& pos) {
    Square from = moveFrom(mv), to = moveTo(mv);
    const int own = sideBase(pos.side);
    PieceIndex piece = pos.board[from];
    if ((piece & own) == 0 || (pos.board[to] & own) != 0) return false;
    int slot = piece & 15;
    if (slot == SLOT_KING) return inPalace[to] && stepKind(to - from) == 1;
    if (slot < SLOT_BISHOP) return inPalace[to] && stepKind(to - from) == 2;
    if (slot < SLOT_KNIGHT) {
        return ((from ^ to) & 0x80) == 0 && stepKind(to - from) == 3 &&
               pos.board[(from + to) / 2] == 0;
    }
    if (slot < SLOT_ROOK) {
        int leg = knightLegOf(to - from);
        return leg != 0 && pos.board[from + leg] == 0;
    }
    if (slot < SLOT_PAWN) {
        bool occupied = pos.board[to] != 0;
        bool rook = slot < SLOT_CANNON;
        if (fileOf(from) == fileOf(to)) {
            const SlideMasks& line = fileMasksOf(pos, from);
            uint16_t mask =
                occupied ? (rook ? line.rookCaptureMask : line.cannonCaptureMask) : line.emptyMask;
            return (mask & rankBitOf[to]) != 0;
        }
        if (rankOf(from) == rankOf(to)) {
            const SlideMasks& line = rankMasksOf(pos, from);
            uint16_t mask =
                occupied ? (rook ? line.rookCaptureMask : line.cannonCaptureMask) : line.emptyMask;
            return (mask & fileBitOf[to]) != 0;
        }
        return false;
    }
    if (pos.side == BLACK) {
        if (to == from + 16) return true;
        return to >= 0x80 && (to == from - 1 || to == from + 1);
    }
    if (to == from - 16) return true;
    return to < 0x80 && (to == from - 1 || to == from + 1);
}

bool isPseudoLegalQuiet(Move mv, const Position& pos) {
    return pos.board[moveTo(mv)] == 0 && isPseudoLegal(mv, pos);
}

bool isFullyLegal(Move mv, Position& pos) {
    // Membership in the generated list, so that input moves follow exactly the rules of
    // the generators (the single-move test is looser for pieces on unreachable squares).
    MoveList list;
    generateAllMoves(list, pos);
    for (int i = 0; i < list.count; i++) {
        if (list.moves[i] == mv) return isLegalMove(mv, pos);
    }
    return false;
}
