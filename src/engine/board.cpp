#include "engine/board.h"

#include <cstdio>
#include <cstring>

namespace {

// The nineteen grid rows, top to bottom, each GRID_LINE_BYTES of GBK text. Even rows are
// the rank lines on which pieces stand; the point of file f takes GLYPH_BYTES from byte
// GLYPH_BYTES * f: the two-byte glyph with a blank or dash on either side.
// clang-format off
constexpr int GRID_ROWS = 19;
constexpr int GRID_LINE_BYTES = 36;
constexpr int GLYPH_BYTES = 4;
constexpr int FILES = 9;
constexpr const char* kGridLines[GRID_ROWS] = {
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
    auto appendText = [&](const char* literal) { append(literal, int(std::strlen(literal))); };
    appendText("\t\t  (Black)\n");
    for (int row = 0; row < GRID_ROWS; row++) {
        if (row % 2 == 0) {
            int rankLine = row / 2;
            // The rank label, "%2d ": 9 at the top down to 0.
            text[length++] = ' ';
            text[length++] = char('0' + 9 - rankLine);
            text[length++] = ' ';
            for (int file = 0; file < FILES; file++) {
                PieceIndex piece =
                    pos.board[(FIRST_RANK + rankLine) * RANK_STEP + FIRST_FILE + file];
                // A piece name is one GBK character, two bytes, in its side's brackets.
                if (piece & RED_BIT) {
                    text[length++] = '(';
                    append(kRedNames[pieceTypeOf[piece]], 2);
                    text[length++] = ')';
                } else if (piece & BLACK_BIT) {
                    text[length++] = '[';
                    append(kBlackNames[pieceTypeOf[piece]], 2);
                    text[length++] = ']';
                } else {
                    append(kGridLines[row] + GLYPH_BYTES * file, GLYPH_BYTES);
                }
            }
        } else {
            appendText("   ");
            append(kGridLines[row], GRID_LINE_BYTES);
        }
        text[length++] = '\n';
    }
    appendText("     A   B   C   D   E   F   G   H   I\n");
    appendText("\t\t   (Red)\n");
    appendText(pos.side == RED ? "now is white turn.\n" : "now is black turn.\n");
    fwrite(text, 1, length, stdout);
    fflush(stdout);
}
