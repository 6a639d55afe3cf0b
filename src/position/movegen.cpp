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
    int rankBase = rankStart(from);
    for (; *files != 0; files++) {
        Square to = Square(rankBase | *files);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

template <typename Accept>
inline void addFileLine(MoveList& list, Square from, const uint8_t* ranks, Accept accept) {
    int file = fileOf(from);
    for (; *ranks != 0; ranks++) {
        Square to = Square(*ranks << 4 | file);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

// Capture destinations from a line mask: the lowest bit first, which is the order of the
// capture lists (low side, then high side), read from the compact mask table.
template <typename Accept>
inline void addRankMask(MoveList& list, Square from, unsigned mask, Accept accept) {
    for (; mask != 0; mask &= mask - 1) {
        Square to = squareOnRank(from, mask);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

template <typename Accept>
inline void addFileMask(MoveList& list, Square from, unsigned mask, Accept accept) {
    for (; mask != 0; mask &= mask - 1) {
        Square to = squareOnFile(from, mask);
        if (accept(to)) list.moves[list.count++] = makeMoveCode(from, to);
    }
}

constexpr auto kAnySquare = [](Square) { return true; };

// Every pseudo-legal move that the filter keeps, in the generation order. The filter keeps
// all of a piece's moves (whole), or single destinations (keeps); rankTargets and fileTargets
// give the bits, on a slider's rank and file, of every destination it may keep, so that a
// line holding none is skipped unread.
template <typename Filter>
inline void generateMovesWhere(MoveList& list, const Position& pos, const Filter& filter) {
    list.count = 0;
    const int own = sideBase(pos.side);
    const PieceIndex* board = pos.board;
    const Square* squares = pos.pieceSquare + own;
    bool whole = true;
    auto any = [&](Square to) { return whole || filter.keeps(to); };
    auto notOwn = [&](Square to) { return (board[to] & own) == 0 && any(to); };

    if (Square sq = squares[SLOT_KING]) {
        whole = filter.whole(sq);
        addSteps(list, sq, kingMoves[sq], notOwn);
    }
    for (int slot = SLOT_ADVISOR; slot < SLOT_ADVISOR + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        whole = filter.whole(sq);
        addSteps(list, sq, advisorMoves[sq], notOwn);
    }
    for (int slot = SLOT_BISHOP; slot < SLOT_BISHOP + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        whole = filter.whole(sq);
        for (int i = 0; bishopMoves[sq][i] != 0; i++) {
            Square to = bishopMoves[sq][i];
            if (notOwn(to) && board[bishopEyes[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_KNIGHT; slot < SLOT_KNIGHT + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        whole = filter.whole(sq);
        for (int i = 0; knightMoves[sq][i] != 0; i++) {
            Square to = knightMoves[sq][i];
            if (notOwn(to) && board[knightLegs[sq][i]] == 0)
                list.moves[list.count++] = makeMoveCode(sq, to);
        }
    }
    for (int slot = SLOT_ROOK; slot < SLOT_CANNON + 2; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        whole = filter.whole(sq);
        const SlideMasks& rank = rankMasksOf(pos, sq);
        const SlideMasks& file = fileMasksOf(pos, sq);
        const bool rook = slot < SLOT_CANNON;
        unsigned rankCaptures = rook ? rank.rookCaptureMask : rank.cannonCaptureMask;
        unsigned fileCaptures = rook ? file.rookCaptureMask : file.cannonCaptureMask;
        if (whole || (filter.rankTargets(sq) & (rank.emptyMask | rankCaptures)) != 0) {
            addRankLine(list, sq, rankListsOf(pos, sq).quiet, any);
            addRankMask(list, sq, rankCaptures, notOwn);
        }
        if (whole || (filter.fileTargets(sq) & (file.emptyMask | fileCaptures)) != 0) {
            addFileLine(list, sq, fileListsOf(pos, sq).quiet, any);
            addFileMask(list, sq, fileCaptures, notOwn);
        }
    }
    for (int slot = SLOT_PAWN; slot <= SLOT_MASK; slot++) {
        Square sq = squares[slot];
        if (sq == 0) continue;
        whole = filter.whole(sq);
        addSteps(list, sq, pawnMoves[pos.side][sq], notOwn);
    }
}

struct EveryMove {
    bool whole(Square) const { return true; }
    bool keeps(Square) const { return true; }
    unsigned rankTargets(Square) const { return ~0u; }
    unsigned fileTargets(Square) const { return ~0u; }
};

// In check, the moves that may answer the check: every move of the king and of the pieces
// on the info's departure Squares, and the moves onto its arrival Squares, held as bits per
// rank and per file.
struct EvasionFilter {
    const LegalityInfo& info;
    uint16_t targetsOnRank[16] = {};  // file bits
    uint16_t targetsOnFile[16] = {};  // rank bits

    explicit EvasionFilter(const LegalityInfo& legality) : info(legality) {
        Square king = info.king;
        for (unsigned bits = info.toOnFile; bits != 0; bits &= bits - 1)
            add(squareOnFile(king, bits));
        for (unsigned bits = info.toOnRank; bits != 0; bits &= bits - 1)
            add(squareOnRank(king, bits));
        for (Square sq : info.toSquares) {
            if (sq != 0) add(sq);
        }
    }
    void add(Square sq) {
        targetsOnRank[rankOf(sq)] |= fileBitOf[sq];
        targetsOnFile[fileOf(sq)] |= rankBitOf[sq];
    }
    bool whole(Square from) const {
        Square king = info.king;
        if (from == king) return true;
        if (fileOf(from) == fileOf(king)) return (info.fromOnFile & rankBitOf[from]) != 0;
        if (rankOf(from) == rankOf(king)) return (info.fromOnRank & fileBitOf[from]) != 0;
        return false;
    }
    bool keeps(Square to) const { return (targetsOnRank[rankOf(to)] & fileBitOf[to]) != 0; }
    unsigned rankTargets(Square from) const { return targetsOnRank[rankOf(from)]; }
    unsigned fileTargets(Square from) const { return targetsOnFile[fileOf(from)]; }
};

}  // namespace

void generateAllMoves(MoveList& list, const Position& pos) {
    generateMovesWhere(list, pos, EveryMove{});
}

void generateEvasionCandidates(MoveList& list, const Position& pos, const LegalityInfo& info) {
    if (info.mode == LEGALITY_TEST_ALL) {
        generateAllMoves(list, pos);
        return;
    }
    generateMovesWhere(list, pos, EvasionFilter(info));
}

void generateCaptures(MoveList& list, const Position& pos) {
    list.count = 0;
    const int own = sideBase(pos.side);
    const int enemy = enemyBase(pos.side);
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
    for (int slot = SLOT_PAWN; slot <= SLOT_MASK; slot++) {
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
    for (int slot = SLOT_PAWN; slot <= SLOT_MASK; slot++) {
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
    LegalityInfo info;
    computeLegalityInfo(pos, info);
    if (info.mode == LEGALITY_IN_CHECK) {
        // The candidates are exactly the moves that take the full test.
        generateEvasionCandidates(list, pos, info);
        filterMoveList(list, pos, isLegalMove, true);
        return;
    }
    generateAllMoves(list, pos);
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
    int slot = slotOf(piece);
    if (slot == SLOT_KING) return inPalace[to] && stepKind(to - from) == STEP_KING;
    if (slot < SLOT_BISHOP) return inPalace[to] && stepKind(to - from) == STEP_ADVISOR;
    if (slot < SLOT_KNIGHT) {
        return ((from ^ to) & RED_HALF_BIT) == 0 && stepKind(to - from) == STEP_BISHOP &&
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
    // A pawn steps forward, and sideways once across the river.
    if (pos.side == BLACK) {
        if (to == from + RANK_STEP) return true;
        return (to & RED_HALF_BIT) != 0 && (to == from - 1 || to == from + 1);
    }
    if (to == from - RANK_STEP) return true;
    return (to & RED_HALF_BIT) == 0 && (to == from - 1 || to == from + 1);
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

bool isCheckmated(Position& pos) {
    if (!inCheckNow(pos)) return false;
    MoveList list;
    generateLegalMovesOnCopy(list, pos);
    return list.count == 0;
}
