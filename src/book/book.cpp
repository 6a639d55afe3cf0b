#include "book/book.h"

#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/output.h"

char bookFilePath[BOOK_PATH_SIZE];
std::map<uint64_t, std::vector<Move>> bookTable;
FILE* bookFile = nullptr;
bool bookLoaded = false;
int32_t bookMissCount = 0;

namespace {

constexpr char kBookName[] = "qarn.bin";
// The header is 16 bytes, of which only the first four, the magic, are read.
constexpr int BOOK_HEADER_SIZE = 16;
constexpr uint8_t bookMagic[4] = {1, 2, 3, 4};

bool readBookHeader(FILE* file) {
    uint8_t header[BOOK_HEADER_SIZE];
    return fread(header, 1, BOOK_HEADER_SIZE, file) == BOOK_HEADER_SIZE &&
           std::memcmp(header, bookMagic, sizeof bookMagic) == 0;
}

bool readBookKey(FILE* file, uint64_t& key) {
    uint8_t bytes[8];
    if (fread(bytes, 1, 8, file) != 8) return false;
    key = 0;
    for (uint8_t byte : bytes) key = key << 8 | byte;
    return true;
}

bool readBigEndian16(FILE* file, uint16_t& value) {
    uint8_t bytes[2];
    if (fread(bytes, 1, 2, file) != 2) return false;
    value = uint16_t(bytes[0] << 8 | bytes[1]);
    return true;
}

}  // namespace

BookReadResult readBookFile(FILE* file, std::map<uint64_t, std::vector<Move>>& table) {
    // A short read is a malformed book only when the file really ended there.
    auto failure = [file](BookReadResult format) {
        return std::ferror(file) != 0 ? e_BookUnreadable : format;
    };
    if (!readBookHeader(file)) return failure(e_BookBadHeader);
    uint64_t key;
    // The loop ends at the first key that cannot be read whole: stray tail bytes are
    // ignored, while a record cut inside its count or moves is malformed.
    while (readBookKey(file, key)) {
        std::vector<Move> moves;
        uint16_t count;
        if (!readBigEndian16(file, count)) return failure(e_BookBadFormat);
        moves.reserve(count);
        for (int i = 0; i < count; i++) {
            uint16_t move;
            if (!readBigEndian16(file, move)) return failure(e_BookBadFormat);
            moves.push_back(move);
        }
        table.emplace(key, std::move(moves));
    }
    return failure(e_BookRead);
}

bool setBookPathFromExecutable(const char* executablePath) {
    // Both separators count, so that the book is found beside the executable on any system.
    const char* lastSeparator = nullptr;
    for (const char* c = executablePath; *c != '\0'; c++) {
        if (*c == '\\' || *c == '/') lastSeparator = c;
    }
    size_t directoryLength = lastSeparator ? size_t(lastSeparator - executablePath + 1) : 0;
    if (directoryLength + sizeof kBookName > sizeof bookFilePath) {
        bookFilePath[0] = '\0';
        return false;
    }
    std::memcpy(bookFilePath, executablePath, directoryLength);
    std::memcpy(bookFilePath + directoryLength, kBookName, sizeof kBookName);
    return true;
}

bool loadBook() {
    if (bookFile != nullptr) {
        bookMissCount = 0;
        return false;
    }
    if (bookFilePath[0] == '\0' || (bookFile = fopen(bookFilePath, "rb")) == nullptr) {
        bookLoaded = false;
        return false;
    }
    switch (readBookFile(bookFile, bookTable)) {
        case e_BookBadHeader:
            fatalError(kBadBookHeader, bookFilePath);
        case e_BookBadFormat:
            fatalError(kBadBookFormat, bookFilePath);
        case e_BookUnreadable:
            // Played without a book, as when there is no file, and tried again at the next
            // loadbook.
            fclose(bookFile);
            bookFile = nullptr;
            bookTable.clear();
            bookLoaded = false;
            return false;
        case e_BookRead:
            break;
    }
    bookLoaded = true;
    return true;
}
