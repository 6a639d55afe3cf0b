// Telling the text encodings of game files apart, and reading the few characters that move
// notations use, without full code page tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// GBK also stands for GB18030, whose four-byte characters are stepped over whole.
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

// The length of the character that starts at p, at least 1 and never past end.
size_t charLength(TextEncoding encoding, const char* p, const char* end);

// The Unicode code point of a character of the given length: ASCII, or one of the
// characters of move notations and results; kOtherChar for anything else.
uint32_t decodeChar(TextEncoding encoding, const char* p, size_t length);
