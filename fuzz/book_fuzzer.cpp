// The book reader on arbitrary bytes, through readBookFile, the function loadBook wraps
// (loadBook itself turns a failure into a message and ends the process). The reader's
// verdict and table are compared with a walk of the file format written here; then the
// table is probed along book lines from the start position, and every move it offers
// must be legal.
#include <map>

#include "book/book.h"
#include "fuzz_common.h"

namespace {

using Table = std::map<uint64_t, std::vector<Move>>;

constexpr char kStartFen[] =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

// The format: 16 header bytes starting 01 02 03 04, then records of an 8-byte big-endian
// key, a 2-byte big-endian count and that many 2-byte big-endian moves. Reading stops at
// the first key that is not there whole; a record cut after its key is malformed.
BookReadResult expectedRead(const uint8_t* data, size_t size, Table& table) {
    if (size < 16 || data[0] != 1 || data[1] != 2 || data[2] != 3 || data[3] != 4)
        return e_BookBadHeader;
    size_t at = 16;
    while (size - at >= 8) {
        uint64_t key = 0;
        for (int i = 0; i < 8; i++) key = key << 8 | data[at + i];
        at += 8;
        if (size - at < 2) return e_BookBadFormat;
        size_t count = size_t(data[at]) << 8 | data[at + 1];
        at += 2;
        if (size - at < 2 * count) return e_BookBadFormat;
        std::vector<Move> moves;
        for (size_t i = 0; i < count; i++)
            moves.push_back(Move(data[at + 2 * i] << 8 | data[at + 2 * i + 1]));
        at += 2 * count;
        table.emplace(key, std::move(moves));
    }
    return e_BookRead;
}

Position bookPosition;

// Follows the book from the start position for up to 40 plies, checking every answer.
void walkBook() {
    if (!setupFen(bookPosition, kStartFen)) fuzz::fail("start position");
    for (int ply = 0; ply < 40; ply++) {
        bookMissCount = 0;
        auto entry = bookTable.find(bookPosition.key);
        Move chosen = probeBook(bookPosition);
        bool anyLegal = false;
        if (entry != bookTable.end()) {
            for (Move mv : entry->second) anyLegal = anyLegal || isFullyLegal(mv, bookPosition);
        }
        if (chosen == 0) {
            if (anyLegal) fuzz::fail("the book has a legal move but offers none");
            if (bookMissCount != 1) fuzz::fail("a miss is not counted");
            return;
        }
        if (!anyLegal) fuzz::fail("a book move without a legal entry", fuzz::moveName(chosen));
        bool listed = false;
        for (Move mv : entry->second) listed = listed || mv == chosen;
        if (!listed) fuzz::fail("a book move not in its entry", fuzz::moveName(chosen));
        if (!isFullyLegal(chosen, bookPosition))
            fuzz::fail("illegal book move", fuzz::moveName(chosen));
        UndoRecord undo;
        makeMove(bookPosition, chosen, undo);
        fuzz::expectSound(bookPosition, "after a book move");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initOnce();
    // An empty file is read from /dev/null: fmemopen wants at least one byte.
    FILE* file =
        size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::fopen("/dev/null", "rb");
    if (file == nullptr) fuzz::fail("cannot open the bytes as a file");
    Table table;
    BookReadResult result = readBookFile(file, table);
    std::fclose(file);

    Table expected;
    BookReadResult expectedResult = expectedRead(data, size, expected);
    if (result != expectedResult)
        fuzz::fail("verdict",
                   std::to_string(result) + " instead of " + std::to_string(expectedResult));
    if (result != e_BookRead) return 0;
    if (table != expected) fuzz::fail("table contents");

    bookTable.swap(table);
    bookLoaded = true;
    seedRandom(uint32_t(size));
    walkBook();
    bookTable.clear();
    bookLoaded = false;
    return 0;
}
