#include "book/bookformat.h"

#include <cstdio>

namespace {

constexpr unsigned char kMagic[4] = {1, 2, 3, 4};
constexpr size_t kHeaderSize = 16;

void appendBigEndian(std::string& bytes, uint64_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) {
        bytes.push_back(char((value >> shift) & 255));
    }
}

uint64_t readBigEndian(const std::string& bytes, size_t at, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; i++) value = value << 8 | uint8_t(bytes[at + size_t(i)]);
    return value;
}

bool onBoard(Square sq) {
    return rankOf(sq) >= 3 && rankOf(sq) <= 12 && fileOf(sq) >= 3 && fileOf(sq) <= 11;
}

}  // namespace

std::string encodeBook(const std::vector<BookEntry>& entries) {
    std::string bytes(reinterpret_cast<const char*>(kMagic), sizeof kMagic);
    bytes.resize(kHeaderSize, '\0');
    for (const BookEntry& entry : entries) {
        appendBigEndian(bytes, entry.key, 8);
        appendBigEndian(bytes, entry.moves.size(), 2);
        for (Move move : entry.moves) appendBigEndian(bytes, move, 2);
    }
    return bytes;
}

bool decodeBook(const std::string& bytes, std::vector<BookEntry>& entries, std::string& error) {
    entries.clear();
    if (bytes.size() < kHeaderSize ||
        bytes.compare(0, 4, reinterpret_cast<const char*>(kMagic), 4) != 0) {
        error = "bad header";
        return false;
    }
    size_t at = kHeaderSize;
    while (at < bytes.size()) {
        size_t start = at;
        if (bytes.size() - at < 10) {
            error = "record at offset " + std::to_string(start) + " cut short";
            return false;
        }
        BookEntry entry{readBigEndian(bytes, at, 8), {}};
        size_t count = size_t(readBigEndian(bytes, at + 8, 2));
        at += 10;
        if ((bytes.size() - at) / 2 < count) {
            error = "record at offset " + std::to_string(start) + " cut short";
            return false;
        }
        for (size_t i = 0; i < count; i++, at += 2) {
            entry.moves.push_back(Move(readBigEndian(bytes, at, 2)));
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

std::string bookMoveText(Move move) {
    char text[8];
    if (onBoard(moveFrom(move)) && onBoard(moveTo(move))) {
        moveToText(move, text, sizeof text);
    } else {
        std::snprintf(text, sizeof text, "0x%04x", unsigned(move));
    }
    return text;
}
