#include "games/notation.h"

#include "games/encoding.h"
#include "position/makemove.h"
#include "position/movegen.h"

namespace {

// One character of a move, classified. A sign (+ or -) is a move's direction in third
// place and a tandem mark next to the piece letter in WXF.
enum class UnitType { None, Piece, Digit, Action, Tandem, Sign };

struct Unit {
    UnitType type;
    int value;
    bool chinese;
};

// The full-width forms of the printable ASCII characters ! .. ~, in ASCII order.
constexpr uint32_t kFullWidthFirst = 0xFF01, kFullWidthLast = 0xFF5E;
constexpr uint32_t kFullWidthOffset = kFullWidthFirst - '!';

Unit classify(uint32_t c) {
    // Full-width forms of ASCII read as ASCII.
    if (c >= kFullWidthFirst && c <= kFullWidthLast) c -= kFullWidthOffset;
    // clang-format off
    switch (c) {
        case 0x5E05: case 0x5E25: case 0x5C06: case 0x5C07:  // 帅 帥 将 將
            return {UnitType::Piece, KING, true};
        case 0x4ED5: case 0x58EB:                            // 仕 士
            return {UnitType::Piece, ADVISOR, true};
        case 0x76F8: case 0x8C61:                            // 相 象
            return {UnitType::Piece, BISHOP, true};
        case 0x9A6C: case 0x99AC: case 0x508C:               // 马 馬 傌
            return {UnitType::Piece, KNIGHT, true};
        case 0x8F66: case 0x8ECA: case 0x4FE5: case 0x4F21:  // 车 車 俥 伡
            return {UnitType::Piece, ROOK, true};
        case 0x70AE: case 0x7832: case 0x5305:               // 炮 砲 包
            return {UnitType::Piece, CANNON, true};
        case 0x5175: case 0x5352:                            // 兵 卒
            return {UnitType::Piece, PAWN, true};
        case 0x4E00: return {UnitType::Digit, 1, true};      // 一
        case 0x4E8C: return {UnitType::Digit, 2, true};      // 二
        case 0x4E09: return {UnitType::Digit, 3, true};      // 三
        case 0x56DB: return {UnitType::Digit, 4, true};      // 四
        case 0x4E94: return {UnitType::Digit, 5, true};      // 五
        case 0x516D: return {UnitType::Digit, 6, true};      // 六
        case 0x4E03: return {UnitType::Digit, 7, true};      // 七
        case 0x516B: return {UnitType::Digit, 8, true};      // 八
        case 0x4E5D: return {UnitType::Digit, 9, true};      // 九
        case 0x8FDB: case 0x9032:                            // 进 進
            return {UnitType::Action, '+', true};
        case 0x9000: return {UnitType::Action, '-', true};   // 退
        case 0x5E73: return {UnitType::Action, '=', true};   // 平
        case 0x524D: return {UnitType::Tandem, int(Tandem::Front), true};   // 前
        case 0x4E2D: return {UnitType::Tandem, int(Tandem::Middle), true};  // 中
        case 0x540E: case 0x5F8C:                            // 后 後
            return {UnitType::Tandem, int(Tandem::Rear), true};
        case '+': case '-': return {UnitType::Sign, int(c), false};
        case '=': case '.': return {UnitType::Action, '=', false};
        default: break;
    }
    if (c >= '1' && c <= '9') return {UnitType::Digit, int(c - '0'), false};
    switch (c | 0x20) {
        case 'k': return {UnitType::Piece, KING, false};
        case 'a': return {UnitType::Piece, ADVISOR, false};
        case 'b': case 'e': return {UnitType::Piece, BISHOP, false};
        case 'h': case 'n': return {UnitType::Piece, KNIGHT, false};
        case 'r': return {UnitType::Piece, ROOK, false};
        case 'c': return {UnitType::Piece, CANNON, false};
        case 'p': return {UnitType::Piece, PAWN, false};
        default: return {UnitType::None, 0, false};
    }
    // clang-format on
}

// The mark beside the piece that picks it among others on its file: 前 中 后, + -, or a
// count from the front.
bool readTandem(const Unit& unit, NotationMove& move, bool countAllowed) {
    if (unit.type == UnitType::Tandem) {
        move.tandem = Tandem(unit.value);
    } else if (unit.type == UnitType::Sign) {
        move.tandem = unit.value == '+' ? Tandem::Front : Tandem::Rear;
    } else if (unit.type == UnitType::Digit && countAllowed) {
        move.tandem = Tandem::Counted;
        move.count = unit.value;
    } else {
        return false;
    }
    return true;
}

bool isStraightMover(int kind) {
    return kind == KING || kind == ROOK || kind == CANNON || kind == PAWN;
}

// The file of a board file as the side counts it: 1..9 from its own right.
int fileNumber(int side, int boardFile) {
    return side == RED ? LAST_FILE + 1 - boardFile : boardFile - FIRST_FILE + 1;
}

// Larger is nearer the opponent.
int frontness(int side, Square sq) {
    return side == RED ? -rankOf(sq) : rankOf(sq);
}

// Where the piece ends up when it moves as written, or 0 when it cannot.
Square destination(const NotationMove& move, int side, Square from) {
    int rank = rankOf(from), file = fileOf(from);
    int forward = side == RED ? -1 : 1;
    int direction = move.action == '+' ? forward : -forward;
    int toFile = side == RED ? LAST_FILE + 1 - move.number : move.number + FIRST_FILE - 1;
    int toRank;
    if (isStraightMover(move.kind)) {
        if (move.action == '=') {
            toRank = rank;
        } else {
            toRank = rank + direction * move.number;
            toFile = file;
        }
    } else {
        if (move.action == '=') return 0;
        int across = toFile > file ? toFile - file : file - toFile;
        int ranks = move.kind == ADVISOR  ? (across == 1 ? 1 : 0)
                    : move.kind == BISHOP ? (across == 2 ? 2 : 0)
                    : across == 1         ? 2
                    : across == 2         ? 1
                                          : 0;
        if (ranks == 0) return 0;
        toRank = rank + direction * ranks;
    }
    if (toRank < FIRST_RANK || toRank > LAST_RANK || toFile < FIRST_FILE || toFile > LAST_FILE)
        return 0;
    return Square(toRank * 16 + toFile);
}

// The pieces the text may mean, before their moves are looked at.
int candidatePieces(const NotationMove& move, const Position& pos, Square* out) {
    int side = pos.side;
    // The side's pieces of the kind, ordered by file from the side's right, then front
    // to back.
    Square pieces[16];
    int count = 0;
    for (int index = sideBase(side); index < sideBase(side) + 16; index++) {
        Square sq = pos.pieceSquare[index];
        if (sq == 0 || pieceTypeOf[index] != move.kind) continue;
        int at = count++;
        auto before = [&](Square a, Square b) {
            int fa = fileNumber(side, fileOf(a)), fb = fileNumber(side, fileOf(b));
            return fa != fb ? fa < fb : frontness(side, a) > frontness(side, b);
        };
        while (at > 0 && before(sq, pieces[at - 1])) {
            pieces[at] = pieces[at - 1];
            at--;
        }
        pieces[at] = sq;
    }
    int found = 0;
    if (move.tandem == Tandem::None) {
        for (int i = 0; i < count; i++) {
            if (fileNumber(side, fileOf(pieces[i])) == move.file) out[found++] = pieces[i];
        }
        return found;
    }
    // Groups of two or more on one file, on the given file when there is one.
    int counted = 0;
    for (int begin = 0; begin < count;) {
        int file = fileOf(pieces[begin]);
        int end = begin;
        while (end < count && fileOf(pieces[end]) == file) end++;
        int size = end - begin;
        bool wanted = size >= 2 && (move.file == 0 || fileNumber(side, file) == move.file);
        if (wanted) {
            if (move.tandem == Tandem::Front) out[found++] = pieces[begin];
            if (move.tandem == Tandem::Rear) out[found++] = pieces[end - 1];
            if (move.tandem == Tandem::Middle && size == 3) out[found++] = pieces[begin + 1];
            if (move.tandem == Tandem::Counted && move.count > counted &&
                move.count <= counted + size) {
                out[found++] = pieces[begin + move.count - counted - 1];
            }
            counted += size;
        }
        begin = end;
    }
    return found;
}

}  // namespace

Notation parseNotationMove(const uint32_t* chars, int count, NotationMove& move) {
    if (count != 4 && count != 5) return Notation::Unknown;
    Unit units[5];
    for (int i = 0; i < count; i++) units[i] = classify(chars[i]);
    move = NotationMove();
    int pieceAt;
    if (count == 5) {
        // Tandem pawns on two files: the mark, the piece, then its file.
        pieceAt = 1;
        if (!readTandem(units[0], move, true) || units[2].type != UnitType::Digit)
            return Notation::Unknown;
        move.file = units[2].value;
    } else if (units[0].type == UnitType::Piece) {
        pieceAt = 0;
        if (units[1].type == UnitType::Digit) {
            move.file = units[1].value;
        } else if (!readTandem(units[1], move, false)) {
            return Notation::Unknown;
        }
    } else {
        pieceAt = 1;
        if (!readTandem(units[0], move, true)) return Notation::Unknown;
    }
    const Unit& piece = units[pieceAt];
    const Unit& action = units[count - 2];
    const Unit& number = units[count - 1];
    if (piece.type != UnitType::Piece || number.type != UnitType::Digit) return Notation::Unknown;
    if (action.type != UnitType::Action && action.type != UnitType::Sign) return Notation::Unknown;
    move.kind = piece.value;
    move.action = char(action.value);
    move.number = number.value;
    return piece.chinese ? Notation::Chinese : Notation::Wxf;
}

int resolveNotationMove(const NotationMove& move, Position& pos, Move& found) {
    Square pieces[16];
    int count = candidatePieces(move, pos, pieces);
    Move wanted[16];
    int wantedCount = 0;
    for (int i = 0; i < count; i++) {
        Square to = destination(move, pos.side, pieces[i]);
        if (to != 0) wanted[wantedCount++] = makeMoveCode(pieces[i], to);
    }
    // The single-move test agrees with the generators on the positions a FEN and legal
    // moves can reach, and costs far less than generating every move.
    int matches = 0;
    for (int w = 0; w < wantedCount; w++) {
        if (isPseudoLegal(wanted[w], pos) && isLegalMove(wanted[w], pos)) {
            matches++;
            found = wanted[w];
        }
    }
    return matches > 2 ? 2 : matches;
}

namespace {

// Characters of the written moves, as code points; index 0 unused.
// clang-format off
constexpr uint32_t kRedPieceChars[8] =   {0, 0x5E25, 0x4ED5, 0x76F8, 0x99AC, 0x8ECA, 0x70AE, 0x5175};
                                         //  帥      仕      相      馬      車      炮      兵
constexpr uint32_t kBlackPieceChars[8] = {0, 0x5C07, 0x58EB, 0x8C61, 0x99AC, 0x8ECA, 0x70AE, 0x5352};
                                         //  將      士      象      馬      車      炮      卒
constexpr uint32_t kChineseNumerals[10] = {0, 0x4E00, 0x4E8C, 0x4E09, 0x56DB, 0x4E94,
                                           //  一      二      三      四      五
                                              0x516D, 0x4E03, 0x516B, 0x4E5D};
                                           //  六      七      八      九
constexpr uint32_t kFullWidthDigitZero = 0xFF10;                                   // ０
constexpr uint32_t kForwardChar = 0x9032, kBackwardChar = 0x9000, kSidewaysChar = 0x5E73;
                                                                                   // 進 退 平
constexpr uint32_t kFrontChar = 0x524D, kMiddleChar = 0x4E2D, kRearChar = 0x5F8C;  // 前 中 後
constexpr char kWxfPieceLetters[] = " KAEHRCP";
// clang-format on

// A file or a distance as the side writes it: red in Chinese numerals, black in full-width
// digits.
void appendNumber(std::string& text, int side, int number) {
    appendUtf8(text, side == RED ? kChineseNumerals[number] : kFullWidthDigitZero + number);
}

}  // namespace

NotationMove describeMove(const Position& pos, Move move) {
    const int side = pos.side;
    const Square from = moveFrom(move), to = moveTo(move);
    NotationMove parts;
    parts.kind = pieceTypeOf[pos.board[from]];
    int ahead = frontness(side, to) - frontness(side, from);
    parts.action = ahead > 0 ? '+' : ahead < 0 ? '-' : '=';
    bool distance = isStraightMover(parts.kind) && parts.action != '=';
    parts.number = distance ? (ahead > 0 ? ahead : -ahead) : fileNumber(side, fileOf(to));
    // The pieces of the kind on the mover's file (and how many stand in front of it), and
    // whether another file holds two or more of them.
    int onFile = 0, inFront = 0;
    int perFile[16] = {};
    bool otherGroup = false;
    for (int index = sideBase(side); index < sideBase(side) + 16; index++) {
        Square sq = pos.pieceSquare[index];
        if (sq == 0 || pieceTypeOf[index] != parts.kind) continue;
        if (fileOf(sq) != fileOf(from)) {
            otherGroup |= ++perFile[fileOf(sq)] >= 2;
            continue;
        }
        onFile++;
        if (frontness(side, sq) > frontness(side, from)) inFront++;
    }
    const int file = fileNumber(side, fileOf(from));
    if (onFile < 2 || parts.kind == ADVISOR || parts.kind == BISHOP) {
        parts.file = file;
        return parts;
    }
    if (inFront == 0 && onFile <= 3) {
        parts.tandem = Tandem::Front;
    } else if (inFront == onFile - 1 && onFile <= 3) {
        parts.tandem = Tandem::Rear;
    } else if (onFile == 3) {
        parts.tandem = Tandem::Middle;
    } else {
        parts.tandem = Tandem::Counted;
        parts.count = inFront + 1;
    }
    if (parts.kind == PAWN && otherGroup) parts.file = file;
    return parts;
}

std::string chineseMoveText(const Position& pos, Move move) {
    const NotationMove parts = describeMove(pos, move);
    const int side = pos.side;
    const uint32_t piece = (side == RED ? kRedPieceChars : kBlackPieceChars)[parts.kind];
    std::string text;
    if (parts.tandem == Tandem::None) {
        appendUtf8(text, piece);
        appendNumber(text, side, parts.file);
    } else {
        appendUtf8(text, parts.tandem == Tandem::Front    ? kFrontChar
                         : parts.tandem == Tandem::Middle ? kMiddleChar
                         : parts.tandem == Tandem::Rear   ? kRearChar
                                                          : kChineseNumerals[parts.count]);
        appendUtf8(text, piece);
        if (parts.file != 0) appendNumber(text, side, parts.file);
    }
    appendUtf8(text, parts.action == '+'   ? kForwardChar
                     : parts.action == '-' ? kBackwardChar
                                           : kSidewaysChar);
    appendNumber(text, side, parts.number);
    return text;
}

std::string wxfMoveText(const Position& pos, Move move) {
    const NotationMove parts = describeMove(pos, move);
    const char letter = kWxfPieceLetters[parts.kind];
    std::string text;
    if (parts.tandem == Tandem::None) {
        text = {letter, char('0' + parts.file)};
    } else {
        // The middle one of three is the second from the front.
        text = {parts.tandem == Tandem::Front    ? '+'
                : parts.tandem == Tandem::Rear   ? '-'
                : parts.tandem == Tandem::Middle ? '2'
                                                 : char('0' + parts.count),
                letter};
        if (parts.file != 0) text += char('0' + parts.file);
    }
    text += parts.action;
    text += char('0' + parts.number);
    return text;
}

std::string chinesePieceName(int side, int kind) {
    std::string text;
    appendUtf8(text, (side == RED ? kRedPieceChars : kBlackPieceChars)[kind]);
    return text;
}

std::string ucciMoveText(Move move) {
    char text[5];
    moveToText(move, text, sizeof text);
    return text;
}

std::string iccsMoveText(Move move) {
    std::string ucci = ucciMoveText(move);
    return {char(ucci[0] - 'a' + 'A'), ucci[1], '-', char(ucci[2] - 'a' + 'A'), ucci[3]};
}

std::string moveTextIn(Notation notation, const Position& pos, Move move) {
    switch (notation) {
        case Notation::Chinese:
            return chineseMoveText(pos, move);
        case Notation::Wxf:
            return wxfMoveText(pos, move);
        default:
            return iccsMoveText(move);
    }
}
