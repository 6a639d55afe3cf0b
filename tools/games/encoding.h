// Telling the text encodings of game files apart, and reading the few characters that move
// notations use, without full code page tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The encodings the readers tell apart; GBK also stands for GB18030, whose four-byte
// characters are stepped over whole. The bytes of a character, in hex:
//   ASCII   00..7F alone, in every encoding
//   UTF-8   lead C0..DF: two bytes, E0..EF: three, F0..FF: four; each further byte 80..BF
//   GBK     lead 81..FE, trail 40..FE except 7F; GB18030's four-byte form is lead, 30..39
//           (an ASCII digit), lead, 30..39
//   Big5    lead 81..FE, trail 40..7E or A1..FE
// A byte that leads no character stands alone, and so does a GBK or Big5 lead without its
// trail; a UTF-8 character ends before the first byte that cannot follow.
enum class TextEncoding { Utf8, Gbk, Big5 };

// A character outside ASCII that the readers do not know.
constexpr uint32_t kOtherChar = 0xFFFD;

// The length of a UTF-8 byte-order mark at the start of the bytes, or 0.
size_t byteOrderMarkLength(const std::string& bytes);

// Whether the bytes are UTF-8 under the strict rules: no overlong forms, no surrogates,
// nothing past U+10FFFF.
bool isStrictUtf8(const char* bytes, size_t size);

// The encoding of a file: UTF-8 when it has a byte-order mark or is strict UTF-8, else
// whichever of Big5, GBK and UTF-8 reads more of the text outside tags and comments as
// move notation (GBK when none does).
TextEncoding detectEncoding(const std::string& bytes);

// The length of the character that starts at p, at least 1 and never past end. Inline:
// the readers call it for every character of a file.
inline size_t charLength(TextEncoding encoding, const char* p, const char* end) {
    uint8_t lead = uint8_t(*p);
    if (lead < 0x80) return 1;
    size_t left = size_t(end - p);
    if (encoding == TextEncoding::Utf8) {
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        for (size_t k = 1; k < length; k++) {
            if (k >= left || (uint8_t(p[k]) & 0xC0) != 0x80) return k;
        }
        return length;
    }
    if (lead == 0x80 || lead == 0xFF || left < 2) return 1;
    uint8_t trail = uint8_t(p[1]);
    if (encoding == TextEncoding::Gbk && trail >= 0x30 && trail <= 0x39) {
        // A GB18030 four-byte character: lead, digit, lead, digit.
        bool four = left >= 4 && uint8_t(p[2]) >= 0x81 && uint8_t(p[2]) <= 0xFE &&
                    uint8_t(p[3]) >= 0x30 && uint8_t(p[3]) <= 0x39;
        return four ? 4 : 1;
    }
    bool trailOk = encoding == TextEncoding::Gbk
                       ? trail >= 0x40 && trail != 0x7F && trail != 0xFF
                       : (trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail != 0xFF);
    return trailOk ? 2 : 1;
}

// The Unicode code point of a character of the given length: ASCII, or one of the
// characters of move notations and results; kOtherChar for anything else.
uint32_t decodeChar(TextEncoding encoding, const char* p, size_t length);

// Appends a code point below U+10000 (every character the readers know) in UTF-8.
void appendUtf8(std::string& text, uint32_t c);
