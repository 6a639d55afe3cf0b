// The board record, its hash key, FEN loading and the four-character move text.
#pragma once

#include <cstdint>

// A Square indexes a 16 x 16 board: rank * 16 + file. Ranks 3..12 (3 is black's back
// rank, at the top) and files 3..11 are the playing area; every other Square is empty.
using Square = uint8_t;
// 16..31 red, 32..47 black, 0 empty; the low four bits are the slot (0 king, 1-2 advisors,
// 3-4 bishops, 5-6 knights, 7-8 rooks, 9-10 cannons, 11-15 pawns).
using PieceIndex = uint8_t;
// Source Square * 256 + destination Square; 0 is no move, 0x0101 the null move.
using Move = uint16_t;
// Bits 0-15 the Move, 16-23 the captured PieceIndex, bit 24 set when the move gave check.
using MoveRecord = uint32_t;

constexpr Move NULL_MOVE = 0x0101;
constexpr MoveRecord CHECK_BIT = 0x01000000;
constexpr int HISTORY_SIZE = 4096;
// Room a search may need above the root in the history (the deepest line plus one probe).
constexpr int SEARCH_HISTORY_ROOM = 256;

constexpr int RED = 0;
constexpr int BLACK = 1;
constexpr int RED_BIT = 16;
constexpr int BLACK_BIT = 32;

// Piece types, as pieceTypeOf gives them; they index the piece-square tables.
constexpr int KING = 1, ADVISOR = 2, BISHOP = 3, KNIGHT = 4, ROOK = 5, CANNON = 6, PAWN = 7;

// Slots of a side's pieces, PieceIndex & 15.
constexpr int SLOT_KING = 0, SLOT_ADVISOR = 1, SLOT_BISHOP = 3, SLOT_KNIGHT = 5, SLOT_ROOK = 7,
              SLOT_CANNON = 9, SLOT_PAWN = 11;

struct Position {
    PieceIndex board[256];
    Square pieceSquare[48];
    int32_t side;
    uint16_t rankBits[16];
    uint16_t fileBits[16];
    uint64_t key;
    int32_t redScore;
    int32_t blackScore;
    uint32_t pieceMask;
    int32_t historyCount;
    int32_t rootCount;
    MoveRecord moveHistory[HISTORY_SIZE];
    uint64_t keyHistory[HISTORY_SIZE];
};

extern const uint8_t pieceTypeOf[48];
extern const uint8_t pieceKindOf[48];

// The engine's one Position, set by "position" and extended by "move". It is valid
// unless the last FEN was rejected; a search or a move is refused on an invalid Position.
extern Position enginePosition;
extern bool enginePositionValid;

inline int rankOf(Square sq) {
    return sq >> 4;
}
inline int fileOf(Square sq) {
    return sq & 15;
}
inline Square moveFrom(Move mv) {
    return Square(mv >> 8);
}
inline Square moveTo(Move mv) {
    return Square(mv & 255);
}
inline Move makeMoveCode(Square from, Square to) {
    return Move(from * 256 + to);
}
inline int sideBase(int side) {
    return (side + 1) * 16;
}

void clearPosition(Position& pos);
uint64_t computeKey(const Position& pos);
int pieceKindFromLetter(char letter);

// Sets the Position from FEN text without printing anything. False when the text ends
// inside its board field, a side has more pieces of a kind than its army, a king is
// missing, a piece stands where its kind can never go (a king or advisor outside its
// palace, a bishop off its side's points, a pawn behind its starting row), or the side not
// to move is in check.
bool setupFen(Position& pos, const char* text);
// Plays one packed move text when its characters are a..i / 0..9, the move is legal, and
// the history keeps room for a search; otherwise returns false and changes nothing.
bool tryMoveText(Position& pos, uint32_t packedText);
// Loads a FEN and plays the packed move texts on it. On a malformed FEN it prints the FEN
// error and returns false; a refused move text prints the move error and stops the list
// there (the moves before it stay played, and the call still returns true).
bool loadFen(Position& pos, const char* text, int moveCount, const uint32_t* moveTexts);
// Plays packed move texts on the current Position, then makes it the search root.
bool applyMoveTexts(Position& pos, int count, const uint32_t* moveTexts);

// Converts a packed move text (first character in the lowest byte) to a Move. Returns 0
// when a character lies outside a..i / 0..9; every other text gives an on-board Move.
Move moveFromText(uint32_t packedText);
// Packs four characters the way the command parser stores them.
uint32_t packMoveText(const char* text);
bool moveToText(Move mv, char* buffer, int bufferSize);
bool isRealMove(uint32_t mv);
