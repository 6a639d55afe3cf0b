// The basic types of the board: squares, pieces, moves and sides, and the tables that
// classify a PieceIndex.
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
// The parts of a MoveRecord below its check bit.
constexpr MoveRecord RECORD_MOVE_BITS = 0xFFFF;
constexpr MoveRecord RECORD_CAPTURE_BITS = 0xFF0000;
constexpr int RECORD_CAPTURE_SHIFT = 16;

constexpr int RED = 0;
constexpr int BLACK = 1;
constexpr int RED_BIT = 16;
constexpr int BLACK_BIT = 32;
// The PieceIndex values of pieces run from FIRST_PIECE up to PIECE_INDEX_END; a side's are
// sideBase(side) .. sideBase(side) + 15.
constexpr int FIRST_PIECE = 16;
constexpr int PIECE_INDEX_END = 48;

// Piece types, as pieceTypeOf gives them; they index the piece-square tables.
constexpr int KING = 1, ADVISOR = 2, BISHOP = 3, KNIGHT = 4, ROOK = 5, CANNON = 6, PAWN = 7;

// Slots of a side's pieces, PieceIndex & 15.
constexpr int SLOT_KING = 0, SLOT_ADVISOR = 1, SLOT_BISHOP = 3, SLOT_KNIGHT = 5, SLOT_ROOK = 7,
              SLOT_CANNON = 9, SLOT_PAWN = 11;
constexpr int SLOT_MASK = 15;

// The playing area of the 16 x 16 board. The bits of a rank's or a file's occupancy vector
// count from its first file or rank.
constexpr int FIRST_RANK = 3, LAST_RANK = 12, FIRST_FILE = 3, LAST_FILE = 11;
// Squares of red's half of the board (ranks 8..12) have this bit set, black's have it clear.
constexpr int RED_HALF_BIT = 0x80;
// One rank towards red, down the board.
constexpr int RANK_STEP = 16;

// PieceIndex to PieceType (1..7) and to PieceKind (red 0..6, black 7..13).
extern const uint8_t pieceTypeOf[48];
extern const uint8_t pieceKindOf[48];

inline int rankOf(Square sq) {
    return sq >> 4;
}
inline int fileOf(Square sq) {
    return sq & 15;
}
// The Square at file 0 of sq's rank: sq without its file.
inline int rankStart(Square sq) {
    return sq & 0xF0;
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
// The same point seen from the other side: rank and file both mirrored.
inline int mirrorSquare(Square sq) {
    return 254 - sq;
}
// The first PieceIndex of a side, its king: 16 for red, 32 for black.
inline int sideBase(int side) {
    return (side + 1) * 16;
}
// The first PieceIndex of the other side.
inline int enemyBase(int side) {
    return PIECE_INDEX_END - sideBase(side);
}
inline int slotOf(PieceIndex piece) {
    return piece & SLOT_MASK;
}
// The piece's bit in Position::pieceMask.
inline uint32_t pieceMaskBit(int piece) {
    return 1u << (piece - FIRST_PIECE);
}
