#include "games/encoding.h"

#include <cstring>

namespace {

// The characters of Chinese move notation and of result texts, with their GBK and Big5
// codes (0 where the code page lacks the character).
struct KnownChar {
    uint16_t codePoint;
    uint16_t gbk;
    uint16_t big5;
};

// clang-format off
constexpr KnownChar kKnownChars[] = {
    {0x5E05, 0xCBA7, 0},       // 帅
    {0x5E25, 0x8E9B, 0xABD3},  // 帥
    {0x5C06, 0xBDAB, 0},       // 将
    {0x5C07, 0x8CA2, 0xB14E},  // 將
    {0x4ED5, 0xCACB, 0xA54B},  // 仕
    {0x58EB, 0xCABF, 0xA468},  // 士
    {0x76F8, 0xCFE0, 0xACDB},  // 相
    {0x8C61, 0xCFF3, 0xB648},  // 象
    {0x9A6C, 0xC2ED, 0},       // 马
    {0x99AC, 0xF152, 0xB0A8},  // 馬
    {0x508C, 0x82D8, 0xD858},  // 傌
    {0x8F66, 0xB3B5, 0},       // 车
    {0x8ECA, 0xDC87, 0xA8AE},  // 車
    {0x4FE5, 0x8265, 0},       // 俥
    {0x4F21, 0x81BC, 0},       // 伡
    {0x70AE, 0xC5DA, 0xACB6},  // 炮
    {0x7832, 0xB368, 0xAFA5},  // 砲
    {0x5305, 0xB0FC, 0xA55D},  // 包
    {0x5175, 0xB1F8, 0xA74C},  // 兵
    {0x5352, 0xD7E4, 0xA8F2},  // 卒
    {0x4E00, 0xD2BB, 0xA440},  // 一
    {0x4E8C, 0xB6FE, 0xA447},  // 二
    {0x4E09, 0xC8FD, 0xA454},  // 三
    {0x56DB, 0xCBC4, 0xA57C},  // 四
    {0x4E94, 0xCEE5, 0xA4AD},  // 五
    {0x516D, 0xC1F9, 0xA4BB},  // 六
    {0x4E03, 0xC6DF, 0xA443},  // 七
    {0x516B, 0xB0CB, 0xA44B},  // 八
    {0x4E5D, 0xBEC5, 0xA445},  // 九
    {0x8FDB, 0xBDF8, 0},       // 进
    {0x9032, 0xDF4D, 0xB669},  // 進
    {0x9000, 0xCDCB, 0xB068},  // 退
    {0x5E73, 0xC6BD, 0xA5AD},  // 平
    {0x524D, 0xC7B0, 0xAB65},  // 前
    {0x540E, 0xBAF3, 0xA65A},  // 后
    {0x5F8C, 0xE1E1, 0xABE1},  // 後
    {0x4E2D, 0xD6D0, 0xA4A4},  // 中
    {0x7EA2, 0xBAEC, 0},       // 红
    {0x7D05, 0xBC74, 0xACF5},  // 紅
    {0x9ED1, 0xBADA, 0xB6C2},  // 黑
    {0x80DC, 0xCAA4, 0xD060},  // 胜
    {0x52DD, 0x84D9, 0xB3D3},  // 勝
    {0x8D1F, 0xB8BA, 0},       // 负
    {0x8CA0, 0xD893, 0xAD74},  // 負
    {0x548C, 0xBACD, 0xA94D},  // 和
    // GBK places the full-width forms of ASCII at 0xA3A1 onwards, in ASCII order; Big5
    // scatters them, so the ones notations use are listed.
    {0xFF10, 0, 0xA2AF},  // ０
    {0xFF11, 0, 0xA2B0},  // １
    {0xFF12, 0, 0xA2B1},  // ２
    {0xFF13, 0, 0xA2B2},  // ３
    {0xFF14, 0, 0xA2B3},  // ４
    {0xFF15, 0, 0xA2B4},  // ５
    {0xFF16, 0, 0xA2B5},  // ６
    {0xFF17, 0, 0xA2B6},  // ７
    {0xFF18, 0, 0xA2B7},  // ８
    {0xFF19, 0, 0xA2B8},  // ９
    {0xFF21, 0, 0xA2CF},  // Ａ
    {0xFF22, 0, 0xA2D0},  // Ｂ
    {0xFF23, 0, 0xA2D1},  // Ｃ
    {0xFF25, 0, 0xA2D3},  // Ｅ
    {0xFF28, 0, 0xA2D6},  // Ｈ
    {0xFF2B, 0, 0xA2D9},  // Ｋ
    {0xFF2E, 0, 0xA2DC},  // Ｎ
    {0xFF30, 0, 0xA2DE},  // Ｐ
    {0xFF32, 0, 0xA2E0},  // Ｒ
    {0xFF41, 0, 0xA2E9},  // ａ
    {0xFF42, 0, 0xA2EA},  // ｂ
    {0xFF43, 0, 0xA2EB},  // ｃ
    {0xFF45, 0, 0xA2ED},  // ｅ
    {0xFF48, 0, 0xA2F0},  // ｈ
    {0xFF4B, 0, 0xA2F3},  // ｋ
    {0xFF4E, 0, 0xA2F6},  // ｎ
    {0xFF50, 0, 0xA2F8},  // ｐ
    {0xFF52, 0, 0xA2FA},  // ｒ
    {0xFF0B, 0, 0xA1CF},  // ＋
    {0xFF0D, 0, 0xA1D0},  // －
    {0xFF0E, 0, 0xA144},  // ．
    {0xFF1D, 0, 0xA1D7},  // ＝
    {0x3000, 0xA1A1, 0xA140},  // ideographic space
};
// clang-format on

// The lowest two-byte code, lead 0x80 and trail 0x00: every code above it is an index of
// the tables below.
constexpr uint16_t kFirstDoubleByte = 0x8000;

// Code points of the known two-byte characters, indexed by the two-byte code less
// kFirstDoubleByte, which is (lead - 0x80) * 256 + trail.
struct DoubleByteTable {
    uint16_t codePoints[0x10000 - kFirstDoubleByte];
};

// GBK's full-width forms of the printable ASCII characters ! .. ~ (0x21 .. 0x7E), and
// their code points, in the same order.
constexpr uint16_t kGbkFullWidthFirst = 0xA3A1;
constexpr uint16_t kFullWidthFirst = 0xFF01;
constexpr int kFirstPrintable = 0x21, kLastPrintable = 0x7E;

DoubleByteTable makeTable(bool big5) {
    DoubleByteTable table;
    std::memset(table.codePoints, 0, sizeof table.codePoints);
    for (const KnownChar& known : kKnownChars) {
        uint16_t code = big5 ? known.big5 : known.gbk;
        if (code >= kFirstDoubleByte) table.codePoints[code - kFirstDoubleByte] = known.codePoint;
    }
    if (!big5) {
        for (int c = kFirstPrintable; c <= kLastPrintable; c++) {
            table.codePoints[kGbkFullWidthFirst - kFirstDoubleByte + c - kFirstPrintable] =
                uint16_t(kFullWidthFirst + c - kFirstPrintable);
        }
    }
    return table;
}

const DoubleByteTable gbkTable = makeTable(false);
const DoubleByteTable big5Table = makeTable(true);

bool isKnownCodePoint(uint32_t code) {
    for (const KnownChar& known : kKnownChars) {
        if (known.codePoint == code) return true;
    }
    return false;
}

// How many characters outside ASCII, tags and comments detectEncoding looks at: enough to
// tell GBK from Big5, without reading a whole collection twice.
constexpr int kCharsLooked = 4000;

// How many characters outside tags and comments are known under the encoding, among the
// first kCharsLooked outside ASCII.
int countKnownChars(const std::string& bytes, TextEncoding encoding) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    int known = 0, looked = 0;
    char closer = 0;
    while (p < end && looked < kCharsLooked) {
        size_t length = charLength(encoding, p, end);
        if (length == 1) {
            char c = *p;
            if (closer != 0) {
                if (c == closer || (closer == ']' && c == '\n')) closer = 0;
            } else if (c == '[') {
                closer = ']';
            } else if (c == '{') {
                closer = '}';
            }
        } else if (closer == 0) {
            looked++;
            if (isKnownCodePoint(decodeChar(encoding, p, length))) known++;
        }
        p += length;
    }
    return known;
}

}  // namespace

size_t byteOrderMarkLength(const std::string& bytes) {
    // U+FEFF in UTF-8.
    constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    constexpr size_t kLength = sizeof kByteOrderMark - 1;
    return bytes.compare(0, kLength, kByteOrderMark) == 0 ? kLength : 0;
}

bool isStrictUtf8(const char* bytes, size_t size) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes);
    const uint8_t* end = p + size;
    while (p < end) {
        uint8_t c = *p++;
        if (c < 0x80) continue;
        // C0, C1 and F5.. lead only overlong forms or code points past U+10FFFF.
        int extra = c >= 0xC2 && c <= 0xDF   ? 1
                    : c >= 0xE0 && c <= 0xEF ? 2
                    : c >= 0xF0 && c <= 0xF4 ? 3
                                             : -1;
        if (extra < 0 || end - p < extra) return false;
        // The second byte's range excludes overlong forms, surrogates and code points
        // past U+10FFFF.
        uint8_t low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        uint8_t high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (p[0] < low || p[0] > high) return false;
        for (int k = 1; k < extra; k++) {
            if ((p[k] & 0xC0) != 0x80) return false;
        }
        p += extra;
    }
    return true;
}

TextEncoding detectEncoding(const std::string& bytes) {
    size_t bom = byteOrderMarkLength(bytes);
    if (bom > 0 || isStrictUtf8(bytes.data(), bytes.size())) return TextEncoding::Utf8;
    // A UTF-8 file with a damaged character somewhere still reads best as UTF-8.
    int utf8 = countKnownChars(bytes, TextEncoding::Utf8);
    int big5 = countKnownChars(bytes, TextEncoding::Big5);
    int gbk = countKnownChars(bytes, TextEncoding::Gbk);
    if (utf8 > big5 && utf8 > gbk) return TextEncoding::Utf8;
    return big5 > gbk ? TextEncoding::Big5 : TextEncoding::Gbk;
}

uint32_t decodeChar(TextEncoding encoding, const char* p, size_t length) {
    uint8_t lead = uint8_t(*p);
    if (length == 1) return lead < 0x80 ? lead : kOtherChar;
    if (encoding == TextEncoding::Utf8) {
        // The lead keeps 5, 4 or 3 bits of the code point, each further byte 6.
        uint32_t code = lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length; k++) code = code << 6 | (uint8_t(p[k]) & 0x3F);
        return code;
    }
    if (length != 2) return kOtherChar;
    const DoubleByteTable& table = encoding == TextEncoding::Gbk ? gbkTable : big5Table;
    uint16_t code = table.codePoints[(lead * 256 + uint8_t(p[1])) - kFirstDoubleByte];
    return code != 0 ? code : kOtherChar;
}

void appendUtf8(std::string& text, uint32_t c) {
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | (c >> 6));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xE0 | (c >> 12));
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}
