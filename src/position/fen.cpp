#include "position/fen.h"

#include "position/makemove.h"
#include "position/movegen.h"
#include "position/psqt.h"
#include "position/tables.h"

int pieceKindFromLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
    switch (letter) {
        case 'K':
            return 0;
        case 'A':
        case 'G':
            return 1;
        case 'B':
        case 'E':
            return 2;
        case 'N':
        case 'H':
            return 3;
        case 'R':
            return 4;
        case 'C':
            return 5;
        default:
            return 6;
    }
}

namespace {

// First PieceIndex of each kind (king .. pawn) for red, then the end of red's pieces.
constexpr int kFirstIndex[8] = {16, 17, 19, 21, 23, 25, 27, 32};
// A black piece's PieceIndex is its red twin's plus this.
constexpr int BLACK_OFFSET = BLACK_BIT - RED_BIT;
// Digits may carry the file one past the board, where letters place nothing.
constexpr int PAST_LAST_FILE = LAST_FILE + 1;

// Places the pieces of the board field. False when the text ends inside the field or a
// side has more pieces of a kind than its army; *end is left on the closing character.
bool readBoardField(Position& pos, const char* text, const char** end) {
    int next[2][7];
    for (int kind = 0; kind < 7; kind++) {
        next[0][kind] = kFirstIndex[kind];
        next[1][kind] = kFirstIndex[kind] + BLACK_OFFSET;
    }
    const char* cursor = text;
    if (*cursor == ' ') {
        *end = cursor;
        return true;
    }
    int rank = FIRST_RANK, file = FIRST_FILE;
    for (;; cursor++) {
        char c = *cursor;
        if (c == '\0') return false;
        if (c == '/') {
            rank++;
            file = FIRST_FILE;
            if (rank > LAST_RANK) break;
        } else if (c >= '1' && c <= '9') {
            file += c - '0';
            if (file > PAST_LAST_FILE) file = PAST_LAST_FILE;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            int colour = c >= 'a' ? 1 : 0;
            int kind = pieceKindFromLetter(c);
            if (file < PAST_LAST_FILE) {
                int index = next[colour][kind]++;
                if (index >= kFirstIndex[kind + 1] + colour * BLACK_OFFSET) return false;
                Square sq = Square(rank * RANK_STEP + file);
                pos.board[sq] = PieceIndex(index);
                pos.pieceSquare[index] = sq;
            }
            file++;
        }
        if (cursor[1] == '\0') return false;
        if (cursor[1] == ' ') {
            cursor++;
            break;
        }
    }
    *end = cursor;
    return true;
}

// Kings and advisors stay in their own palace, bishops on their own side's points, and
// pawns never stand behind their starting row. A piece elsewhere breaks the rules the
// attack test rests on (an advisor in the other palace could take a king unseen).
bool onReachableSquare(int piece, Square sq) {
    bool redHalf = (sq & RED_HALF_BIT) != 0;
    bool ownHalf = (piece & RED_BIT) ? redHalf : !redHalf;
    switch (pieceTypeOf[piece]) {
        case KING:
            return inPalace[sq] && ownHalf;
        case ADVISOR:
            return advisorMoves[sq][0] != 0 && ownHalf;
        case BISHOP:
            return bishopMoves[sq][0] != 0 && ownHalf;
        case PAWN:
            return pawnMoves[(piece & RED_BIT) ? RED : BLACK][sq][0] != 0;
        default:
            return true;
    }
}

bool allOnReachableSquares(const Position& pos) {
    for (int p = FIRST_PIECE; p < PIECE_INDEX_END; p++) {
        if (pos.pieceSquare[p] != 0 && !onReachableSquare(p, pos.pieceSquare[p])) return false;
    }
    return true;
}

void deriveFields(Position& pos) {
    for (int p = FIRST_PIECE; p < PIECE_INDEX_END; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        pos.rankBits[rankOf(sq)] |= fileBitOf[sq];
        pos.fileBits[fileOf(sq)] |= rankBitOf[sq];
        pos.pieceMask |= pieceMaskBit(p);
        if (p & RED_BIT) {
            pos.redScore += pieceValue(p, sq);
        } else {
            pos.blackScore += pieceValue(p, sq);
        }
    }
}

}  // namespace

bool setupFen(Position& pos, const char* text) {
    clearPosition(pos);
    const char* end = nullptr;
    if (!readBoardField(pos, text, &end)) return false;
    pos.side = end[1] == 'b' ? BLACK : RED;
    // Without both kings, or with the side not to move in check, the position has no
    // sound continuation (the last move would have left its own king en prise).
    if (pos.pieceSquare[sideBase(RED)] == 0 || pos.pieceSquare[sideBase(BLACK)] == 0) return false;
    deriveFields(pos);
    if (!allOnReachableSquares(pos) || isSideInCheck(pos, 1 - pos.side)) return false;
    pos.key = computeKey(pos);
    pos.moveHistory[0] = NULL_MOVE | (isSideInCheck(pos, pos.side) ? CHECK_BIT : 0);
    pos.keyHistory[0] = pos.key;
    pos.historyCount = 1;
    pos.rootCount = 1;
    return true;
}

bool tryMoveText(Position& pos, uint32_t packedText) {
    Move mv = moveFromText(packedText);
    bool roomLeft = pos.historyCount + 1 + SEARCH_HISTORY_ROOM <= HISTORY_SIZE;
    if (mv == 0 || !roomLeft || !isFullyLegal(mv, pos)) return false;
    UndoRecord undo;
    makeMove(pos, mv, undo);
    return true;
}
