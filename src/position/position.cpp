#include "position/position.h"

#include <cstring>

#include "engine/messages.h"
#include "engine/output.h"
#include "eval/psqt.h"
#include "position/keys.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/tables.h"

Position enginePosition;
bool enginePositionValid = false;

void clearPosition(Position& pos) {
    std::memset(pos.board, 0, sizeof pos.board);
    std::memset(pos.pieceSquare, 0, sizeof pos.pieceSquare);
    std::memset(pos.rankBits, 0, sizeof pos.rankBits);
    std::memset(pos.fileBits, 0, sizeof pos.fileBits);
    pos.side = RED;
    pos.key = 0;
    pos.redScore = 0;
    pos.blackScore = 0;
    pos.pieceMask = 0;
    pos.historyCount = 0;
    pos.rootCount = 0;
}

uint64_t computeKey(const Position& pos) {
    uint64_t key = 0;
    for (int p = 16; p < 48; p++) {
        if (pos.pieceSquare[p] != 0) key ^= zobristKeys[pieceKindOf[p]][pos.pieceSquare[p]];
    }
    if (pos.side == RED) key ^= sideKey;
    return key;
}

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

// First PieceIndex of each kind (king .. pawn) for red; black adds 16.
constexpr int kFirstIndex[8] = {16, 17, 19, 21, 23, 25, 27, 32};

// Places the pieces of the board field. False when the text ends inside the field or a
// side has more pieces of a kind than its army; *end is left on the closing character.
bool readBoardField(Position& pos, const char* text, const char** end) {
    int next[2][7];
    for (int kind = 0; kind < 7; kind++) {
        next[0][kind] = kFirstIndex[kind];
        next[1][kind] = kFirstIndex[kind] + 16;
    }
    const char* cursor = text;
    if (*cursor == ' ') {
        *end = cursor;
        return true;
    }
    int rank = 3, file = 3;
    for (;; cursor++) {
        char c = *cursor;
        if (c == '\0') return false;
        if (c == '/') {
            rank++;
            file = 3;
            if (rank >= 13) break;
        } else if (c >= '1' && c <= '9') {
            file += c - '0';
            if (file > 12) file = 12;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            int colour = c >= 'a' ? 1 : 0;
            int kind = pieceKindFromLetter(c);
            if (file < 12) {
                int index = next[colour][kind]++;
                if (index >= kFirstIndex[kind + 1] + colour * 16) return false;
                Square sq = Square(rank * 16 + file);
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
    bool redHalf = sq >= 0x80;
    bool ownHalf = (piece & RED_BIT) ? redHalf : !redHalf;
    switch (pieceTypeOf[piece]) {
        case KING: return inPalace[sq] && ownHalf;
        case ADVISOR: return advisorMoves[sq][0] != 0 && ownHalf;
        case BISHOP: return bishopMoves[sq][0] != 0 && ownHalf;
        case PAWN: return pawnMoves[(piece & RED_BIT) ? RED : BLACK][sq][0] != 0;
        default: return true;
    }
}

bool allOnReachableSquares(const Position& pos) {
    for (int p = 16; p < 48; p++) {
        if (pos.pieceSquare[p] != 0 && !onReachableSquare(p, pos.pieceSquare[p])) return false;
    }
    return true;
}

void deriveFields(Position& pos) {
    for (int p = 16; p < 48; p++) {
        Square sq = pos.pieceSquare[p];
        if (sq == 0) continue;
        pos.rankBits[rankOf(sq)] |= fileBitOf[sq];
        pos.fileBits[fileOf(sq)] |= rankBitOf[sq];
        pos.pieceMask |= 1u << (p - 16);
        if (p & RED_BIT) {
            pos.redScore += pieceValue(p, sq);
        } else {
            pos.blackScore += pieceValue(p, sq);
        }
    }
}

void playMoveTexts(Position& pos, int count, const uint32_t* moveTexts) {
    for (int i = 0; i < count; i++) {
        if (!tryMoveText(pos, moveTexts[i])) {
            char text[5];
            std::memcpy(text, &moveTexts[i], 4);
            text[4] = '\0';
            printFlush(kBadMove, text);
            break;
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
    if (pos.pieceSquare[16] == 0 || pos.pieceSquare[32] == 0) return false;
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

bool loadFen(Position& pos, const char* text, int moveCount, const uint32_t* moveTexts) {
    if (!setupFen(pos, text)) {
        printFlush(kBadFen, text);
        return false;
    }
    playMoveTexts(pos, moveCount, moveTexts);
    pos.rootCount = pos.historyCount;
    return true;
}

bool applyMoveTexts(Position& pos, int count, const uint32_t* moveTexts) {
    playMoveTexts(pos, count, moveTexts);
    pos.rootCount = pos.historyCount;
    return true;
}

Move moveFromText(uint32_t packedText) {
    int fromFile = int(packedText & 255) - 'a';
    int fromRank = int((packedText >> 8) & 255) - '0';
    int toFile = int((packedText >> 16) & 255) - 'a';
    int toRank = int(packedText >> 24) - '0';
    if (fromFile < 0 || fromFile > 8 || toFile < 0 || toFile > 8) return 0;
    if (fromRank < 0 || fromRank > 9 || toRank < 0 || toRank > 9) return 0;
    Square from = Square((fromFile + 3) + 16 * (12 - fromRank));
    Square to = Square((toFile + 3) + 16 * (12 - toRank));
    return makeMoveCode(from, to);
}

uint32_t packMoveText(const char* text) {
    uint32_t packed = 0;
    for (int i = 0; i < 4 && text[i] != '\0'; i++) packed |= uint32_t(uint8_t(text[i])) << (8 * i);
    return packed;
}

bool moveToText(Move mv, char* buffer, int bufferSize) {
    if (bufferSize < 5) return false;
    if (mv == NULL_MOVE) {
        std::memcpy(buffer, "null", 5);
        return true;
    }
    Square from = moveFrom(mv), to = moveTo(mv);
    buffer[0] = char('a' + fileOf(from) - 3);
    buffer[1] = char('0' + 12 - rankOf(from));
    buffer[2] = char('a' + fileOf(to) - 3);
    buffer[3] = char('0' + 12 - rankOf(to));
    buffer[4] = '\0';
    return true;
}

bool isRealMove(uint32_t mv) {
    return mv > 0 && mv < 0x10000 && mv != NULL_MOVE;
}
