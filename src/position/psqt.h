// Material and placement in one number: the piece-square tables, whose values the Position
// keeps summed per side as its pieces move.
#pragma once

#include <array>
#include <cstdint>

#include "position/types.h"

// Indexed by PieceType * 256 + Square, from red's point of view; black reads the mirrored
// Square.
extern const std::array<uint8_t, 8 * 256> pieceSquareValue;

// The worth of PieceIndex p on Square sq, seen from its own side.
inline int pieceValue(int piece, Square sq) {
    int type = pieceTypeOf[piece];
    return piece & RED_BIT ? pieceSquareValue[type * 256 + sq]
                           : pieceSquareValue[type * 256 + mirrorSquare(sq)];
}
