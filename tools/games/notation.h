// Moves written relative to the moving side, in Chinese or WXF notation: reading their
// parts and finding the one legal move they describe, and writing a legal move in them.
#pragma once

#include <cstdint>
#include <string>

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

// The parts of a legal move of the side to move, in the forms the writers use: the file
// alone when the piece is the only one of its kind on its file (and for advisors and
// bishops, whose direction tells two on a file apart); else front and rear for two, front,
// middle and rear for three, and a count from the front for four or five; and, for pawns,
// the file after the mark when another file also holds two or more of them.
NotationMove describeMove(const Position& pos, Move move);

// A legal move of the side to move in Chinese notation, in UTF-8, as master games write
// it: traditional characters (帥仕相馬車炮兵, 將士象馬車炮卒), red's files and distances in
// Chinese numerals, black's in full-width digits, 進 退 平, tandem marks 前 中 後, counts
// 一..五 (炮二平五, 馬８進７, 前車進一, 後卒平４, 中兵平四, 前兵三進一).
std::string chineseMoveText(const Position& pos, Move move);
// The same in WXF notation: C2=5, H8+7, +R+1, -P=4, 2P+1, +P7+1.
std::string wxfMoveText(const Position& pos, Move move);
// The Chinese name of a piece kind (KING .. PAWN) of a side, in UTF-8: 帥 or 將, 兵 or 卒 ...
std::string chinesePieceName(int side, int kind);
// UCCI coordinates: h2e2.
std::string ucciMoveText(Move move);
// ICCS coordinates: H2-E2.
std::string iccsMoveText(Move move);
// The move in the given notation (Iccs, Wxf or Chinese).
std::string moveTextIn(Notation notation, const Position& pos, Move move);
