#include "engine/board.h"

#include <cstdio>
#include <cstring>

namespace {

// The nineteen grid rows, top to bottom, each 36 bytes of GBK text. Even rows are the
// rank lines on which pieces stand; the glyph of file f takes bytes 4f + 1 and 4f + 2.
// clang-format off
constexpr const char* kGridLines[19] = {
    //  ┌--┬--┬--┬--┬--┬--┬--┬--┐ 
    " \xa9\xb0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xb4 ",
    //  │  │  │  │＼│／│  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6\xa3\xdc\xa9\xa6\xa3\xaf\xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┼--┼--┼--※--┼--┼--┼--┤ 
    " \xa9\xc0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa1\xf9--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xc8 ",
    //  │  │  │  │／│＼│  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6\xa3\xaf\xa9\xa6\xa3\xdc\xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┼--┼--┼--┼--┼--┼--┼--┤ 
    " \xa9\xc0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xc8 ",
    //  │  │  │  │  │  │  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┼--┼--┼--┼--┼--┼--┼--┤ 
    " \xa9\xc0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xc8 ",
    //  │  │  │  │  │  │  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┴--┴--┴--┴--┴--┴--┴--┤ 
    " \xa9\xc0--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xc8 ",
    //  │                              │ 
    " \xa9\xa6                              \xa9\xa6 ",
    //  ├--┬--┬--┬--┬--┬--┬--┬--┤ 
    " \xa9\xc0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xd0--\xa9\xc8 ",
    //  │  │  │  │  │  │  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┼--┼--┼--┼--┼--┼--┼--┤ 
    " \xa9\xc0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xc8 ",
    //  │  │  │  │  │  │  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┼--┼--┼--┼--┼--┼--┼--┤ 
    " \xa9\xc0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xc8 ",
    //  │  │  │  │＼│／│  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6\xa3\xdc\xa9\xa6\xa3\xaf\xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  ├--┼--┼--┼--※--┼--┼--┼--┤ 
    " \xa9\xc0--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa1\xf9--\xa9\xe0--\xa9\xe0--\xa9\xe0--\xa9\xc8 ",
    //  │  │  │  │／│＼│  │  │  │ 
    " \xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6\xa3\xaf\xa9\xa6\xa3\xdc\xa9\xa6  \xa9\xa6  \xa9\xa6  \xa9\xa6 ",
    //  └--┴--┴--┴--┴--┴--┴--┴--┘ 
    " \xa9\xb8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xd8--\xa9\xbc ",
};

// Piece names by PieceType 1..7: king, advisor, bishop, knight, rook, cannon, pawn.
// 帅 仕 相 马 车 炮 兵
constexpr const char* kRedNames[8] = {"", "\xcb\xa7", "\xca\xcb", "\xcf\xe0", "\xc2\xed", "\xb3\xb5", "\xc5\xda", "\xb1\xf8"};
// 将 士 象 马 车 炮 卒
constexpr const char* kBlackNames[8] = {"", "\xbd\xab", "\xca\xbf", "\xcf\xf3", "\xc2\xed", "\xb3\xb5", "\xc5\xda", "\xd7\xe4"};
// clang-format on

}  // namespace

void showBoard(const Position& pos) {
    // The whole drawing takes 841 bytes.
    char text[1024];
    int length = 0;
    auto append = [&](const char* bytes, int count) {
        std::memcpy(text + length, bytes, count);
        length += count;
    };
    append("\t\t  (Black)\n", 12);
    for (int row = 0; row < 19; row++) {
        if (row % 2 == 0) {
            int rankLine = row / 2;
            // The rank label, "%2d ": 9 at the top down to 0.
            text[length++] = ' ';
            text[length++] = char('0' + 9 - rankLine);
            text[length++] = ' ';
            for (int file = 0; file < 9; file++) {
                PieceIndex piece = pos.board[(3 + rankLine) * 16 + 3 + file];
                if (piece & RED_BIT) {
                    text[length++] = '(';
                    append(kRedNames[pieceTypeOf[piece]], 2);
                    text[length++] = ')';
                } else if (piece & BLACK_BIT) {
                    text[length++] = '[';
                    append(kBlackNames[pieceTypeOf[piece]], 2);
                    text[length++] = ']';
                } else {
                    append(kGridLines[row] + 4 * file, 4);
                }
            }
        } else {
            append("   ", 3);
            append(kGridLines[row], 36);
        }
        text[length++] = '\n';
    }
    append("     A   B   C   D   E   F   G   H   I\n", 39);
    append("\t\t   (Red)\n", 11);
    append(pos.side == RED ? "now is white turn.\n" : "now is black turn.\n", 19);
    fwrite(text, 1, length, stdout);
    fflush(stdout);
}
