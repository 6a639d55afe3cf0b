// TEMPORARY: see movetext.h.
#include "movetext.h"

namespace {

struct MoveParts {
    int kind;
    int file;     // 1..9 from the mover's right, or 0 when a tandem mark names the piece
    int tandem;   // 0 none, else the piece's place from the front among those on its file
    int onFile;   // how many of the kind stand on the mover's file
    char action;  // '+' forward, '-' backward, '=' sideways
    int number;
};

// How far forward a square is for the side: 0 on its back rank, 9 on the other side's.
int frontness(int side, Square sq) {
    return side == RED ? LAST_RANK - rankOf(sq) : rankOf(sq) - FIRST_RANK;
}

int fileNumber(int side, Square sq) {
    return side == RED ? LAST_FILE + 1 - fileOf(sq) : fileOf(sq) - FIRST_FILE + 1;
}

MoveParts describe(const Position& pos, Move move) {
    const int side = pos.side;
    const Square from = moveFrom(move), to = moveTo(move);
    MoveParts parts{};
    parts.kind = pieceTypeOf[pos.board[from]];
    int ahead = frontness(side, to) - frontness(side, from);
    parts.action = ahead > 0 ? '+' : ahead < 0 ? '-' : '=';
    bool straight =
        parts.kind == KING || parts.kind == ROOK || parts.kind == CANNON || parts.kind == PAWN;
    parts.number = straight && ahead != 0 ? (ahead > 0 ? ahead : -ahead) : fileNumber(side, to);
    int inFront = 0;
    for (int index = sideBase(side); index < sideBase(side) + 16; index++) {
        Square sq = pos.pieceSquare[index];
        if (sq == 0 || pieceTypeOf[index] != parts.kind || fileOf(sq) != fileOf(from)) continue;
        parts.onFile++;
        if (frontness(side, sq) > frontness(side, from)) inFront++;
    }
    if (parts.onFile < 2 || parts.kind == ADVISOR || parts.kind == BISHOP) {
        parts.file = fileNumber(side, from);
    } else {
        parts.tandem = inFront + 1;
    }
    return parts;
}

// clang-format off
const char* const kRedPieces[8]   = {"", "帥", "仕", "相", "馬", "車", "炮", "兵"};
const char* const kBlackPieces[8] = {"", "將", "士", "象", "馬", "車", "炮", "卒"};
const char* const kNumerals[10]   = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kFullWidth[10]  = {"", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
// clang-format on

std::string number(int side, int n) {
    return side == RED ? kNumerals[n] : kFullWidth[n];
}

}  // namespace

std::string chineseMoveText(const Position& pos, Move move) {
    const MoveParts parts = describe(pos, move);
    const int side = pos.side;
    const char* piece = (side == RED ? kRedPieces : kBlackPieces)[parts.kind];
    std::string text;
    if (parts.tandem == 0) {
        text = piece + number(side, parts.file);
    } else {
        text = parts.onFile > 3               ? kNumerals[parts.tandem]
               : parts.tandem == 1            ? "前"
               : parts.tandem == parts.onFile ? "後"
                                              : "中";
        text += piece;
    }
    text += parts.action == '+' ? "進" : parts.action == '-' ? "退" : "平";
    return text + number(side, parts.number);
}

std::string wxfMoveText(const Position& pos, Move move) {
    const MoveParts parts = describe(pos, move);
    const char letter = " KAEHRCP"[parts.kind];
    std::string text;
    if (parts.tandem == 0) {
        text = {letter, char('0' + parts.file)};
    } else {
        // The middle one of three is the second from the front.
        char mark = parts.onFile > 3               ? char('0' + parts.tandem)
                    : parts.tandem == 1            ? '+'
                    : parts.tandem == parts.onFile ? '-'
                                                   : '2';
        text = {mark, letter};
    }
    return text + parts.action + char('0' + parts.number);
}

std::string iccsMoveText(Move move) {
    char ucci[5];
    moveToText(move, ucci, sizeof ucci);
    return {char(ucci[0] - 'a' + 'A'), ucci[1], '-', char(ucci[2] - 'a' + 'A'), ucci[3]};
}
