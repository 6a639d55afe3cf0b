// Move texts for the page: Chinese and WXF notation of a legal move.
// TEMPORARY: to be replaced by the notation writer of tools/games (notation.h) once it is on
// main; the names and the forms written are the same.
#pragma once

#include <string>

#include "position/position.h"

// 炮二平五, 馬８進７, 前車進一, 後卒平４: traditional characters in UTF-8, red's files and
// distances in Chinese numerals, black's in full-width digits.
std::string chineseMoveText(const Position& pos, Move move);
// C2=5, H8+7, +R+1, -P=4.
std::string wxfMoveText(const Position& pos, Move move);
// H2-E2.
std::string iccsMoveText(Move move);
