// Piece identity tables: PieceIndex to PieceType and to PieceKind.
#include "position/types.h"

// clang-format off
const uint8_t pieceTypeOf[48] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 7, 7,
    1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 7, 7,
};

const uint8_t pieceKindOf[48] = {
    0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
    0, 1, 1, 2, 2, 3,  3,  4,  4,  5,  5,  6,  6,  6,  6,  6,
    7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 13, 13, 13,
};
// clang-format on
