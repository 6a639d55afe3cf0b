// Moves written relative to the moving side, in Chinese or WXF notation: reading their
// parts, and finding the one legal move they describe.
#pragma once

#include <cstdint>

#include "position/position.h"

enum class Notation { Unknown, Iccs, Wxf, Chinese };

// How a piece is picked among pieces of its kind standing on one file.
enum class Tandem { None, Front, Middle, Rear, Counted };

// A move's parts: the piece kind (KING .. PAWN), where it stands (its file counted 1..9
// from the mover's right, or its place among pieces of its kind on one file, or both), how
// it moves ('+' forward, '-' backward, '=' sideways) and the number after that.
struct NotationMove {
    int kind = 0;
    int file = 0;
    Tandem tandem = Tandem::None;
    // For Tandem::Counted: 1 is the front piece; files are counted from the mover's right.
    int count = 0;
    char action = 0;
    int number = 0;
};

// Reads a move from its characters as Unicode code points: Chinese characters (simplified,
// traditional and variant forms), or WXF letters and signs in ASCII or full width. Returns
// Notation::Chinese or Notation::Wxf, or Notation::Unknown when the text is not a move.
Notation parseNotationMove(const uint32_t* chars, int count, NotationMove& move);

// The legal moves of the side to move that the text describes: how many there are (0, 1,
// or 2 for several), and the move itself when there is exactly one.
int resolveNotationMove(const NotationMove& move, Position& pos, Move& found);
