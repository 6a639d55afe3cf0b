#include "games/xqf.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <vector>

#include "games/replay.h"

namespace {

// The header: 0x400 bytes, of which the reader uses the version, the keys, the 32 pieces'
// points, the result and the text fields (GBK; the players, event, date and place become tags).
constexpr size_t kHeaderSize = 0x400;
constexpr size_t kVersionOffset = 2;
// The mask of the raw keys in the record key.
constexpr size_t kKeyMaskOffset = 3;
// Four bytes that are or-ed into the record key.
constexpr size_t kKeyAddOffset = 8;
// Four raw key bytes: the checksum, then the keys of the points, departures and arrivals.
constexpr size_t kRawKeysOffset = 0x0C;
constexpr size_t kPointsOffset = 0x10, kResultOffset = 0x33;

constexpr int kFirstEncrypted = 0x0B, kLastVersion = 0x12;
// From this version on, the header's points are stored rotated by the point key.
constexpr int kFirstRotatedPoints = 0x0C;

// A point is file * 10 + rank, files a..i and ranks 0..9 counted from red's side.
constexpr int kPoints = 90;
constexpr int kPieces = 32;

// A move record: departure, arrival, flags and one unused byte; then, when the record has
// a comment, its length in four bytes, little-endian, and its text. The stored points are
// raised by 24 and 32.
constexpr size_t kRecordSize = 4, kCommentLengthSize = 4;
constexpr uint8_t kFromBias = 24, kToBias = 32;
// The flags: plain files set any bit of the high half for a reply and of the low half for a
// sibling; encrypted files have one bit each, and one more for a comment.
constexpr uint8_t kPlainNext = 0xF0, kPlainSibling = 0x0F;
constexpr uint8_t kEncryptedNext = 0x80, kEncryptedSibling = 0x40, kEncryptedComment = 0x20;
// The record key's length: the bytes after the header are decoded by it in turns.
constexpr size_t kRecordKeyLength = 32;

// No real game is this long; a deeper record belongs to a damaged file, and the cap bounds
// the moves handed over per line.
constexpr int kMaxLineMoves = 1000;
// Bounds the work of a damaged or hostile tree whose lines share long prefixes: real opening
// trees hand over tens of thousands.
constexpr size_t kMaxTreeMoves = 1'000'000;

// The pieces in the order of their points in the header.
constexpr char kPieceOrder[kPieces + 1] = "RNBAKABNRCCPPPPPrnbakabnrccppppp";

// The header's text fields (offset of the length byte, room for the text).
constexpr std::array<std::array<int, 2>, 11> kTextFields{{{0x050, 63},
                                                          {0x0D0, 63},
                                                          {0x110, 15},
                                                          {0x120, 15},
                                                          {0x130, 15},
                                                          {0x140, 15},
                                                          {0x150, 63},
                                                          {0x190, 15},
                                                          {0x1A0, 15},
                                                          {0x1D0, 15},
                                                          {0x1E0, 15}}};

// The PGN names of the header's text fields that a game keeps as tags, in the order of
// kTextFields (null for those it leaves out).
constexpr std::array<const char*, 11> kTextTags{"Title", "Event", "Date",  "Site",  "Red",  "Black",
                                                nullptr, nullptr, nullptr, nullptr, nullptr};

// What undoes the encryption of versions 0x0B and above; zero keys for plain files.
struct XqfKeys {
    uint8_t square = 0, from = 0, to = 0;
    int64_t comment = 0;
    std::array<uint8_t, kRecordKeyLength> record{};
};

// One move record: its two points as stored (before range checks) and its tree links.
struct XqfRecord {
    uint8_t from, to;
    bool next, sibling;
};

struct XqfReader {
    std::string data;  // the records, decoded
    size_t at = 0;
    bool encrypted = false;
    XqfKeys keys;
};

uint8_t byteAt(const std::string& bytes, size_t at) {
    return uint8_t(bytes[at]);
}

// The polynomial that turns each raw key byte into the one that is applied.
uint8_t scramble(unsigned k) {
    return uint8_t(((((k * k * 3 + 9) * 3 + 8) * 2 + 1) * 3 + 8));
}

// The keys of an encrypted file, from the raw key bytes of its header.
XqfKeys makeKeys(const std::string& bytes) {
    uint8_t mask = byteAt(bytes, kKeyMaskOffset);
    uint8_t sum = byteAt(bytes, kRawKeysOffset), xy = byteAt(bytes, kRawKeysOffset + 1);
    uint8_t xyFrom = byteAt(bytes, kRawKeysOffset + 2), xyTo = byteAt(bytes, kRawKeysOffset + 3);
    XqfKeys keys;
    keys.square = uint8_t(scramble(xy) * xy);
    keys.from = uint8_t(scramble(xyFrom) * keys.square);
    keys.to = uint8_t(scramble(xyTo) * keys.from);
    // Subtracted from each comment's length.
    keys.comment = (sum * 256 + xy) % 32000 + 767;
    const uint8_t raw[4] = {sum, xy, xyFrom, xyTo};
    static const char kText[kRecordKeyLength + 1] = "[(C) Copyright Mr. Dong Shiwei.]";
    for (size_t i = 0; i < kRecordKeyLength; i++) {
        uint8_t f = uint8_t((raw[i % 4] & mask) | byteAt(bytes, kKeyAddOffset + i % 4));
        keys.record[i] = uint8_t(kText[i] & f);
    }
    return keys;
}

// A comment's length: four bytes, little-endian.
uint32_t readLength(const std::string& data, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; i--) value = value << 8 | byteAt(data, at + size_t(i));
    return value;
}

// Reads the next record and steps over its comment; false when the file ends inside it or
// the comment's length runs past the end.
bool readRecord(XqfReader& r, XqfRecord& record) {
    const std::string& d = r.data;
    if (d.size() - r.at < kRecordSize) return false;
    uint8_t flags = byteAt(d, r.at + 2);
    record.from = uint8_t(byteAt(d, r.at) - kFromBias - r.keys.from);
    record.to = uint8_t(byteAt(d, r.at + 1) - kToBias - r.keys.to);
    record.next = (flags & (r.encrypted ? kEncryptedNext : kPlainNext)) != 0;
    record.sibling = (flags & (r.encrypted ? kEncryptedSibling : kPlainSibling)) != 0;
    r.at += kRecordSize;
    // Plain files give every record a comment length, but files that end right after their
    // last record's four bytes are common.
    bool hasComment = r.encrypted ? (flags & kEncryptedComment) != 0 : r.at < d.size();
    if (!hasComment) return true;
    if (d.size() - r.at < kCommentLengthSize) return false;
    int64_t length = int64_t(readLength(d, r.at)) - (r.encrypted ? r.keys.comment : 0);
    r.at += kCommentLengthSize;
    if (length < 0 || uint64_t(length) > d.size() - r.at) return false;
    r.at += size_t(length);
    return true;
}

// Sets the start position from the 32 piece points: the FEN, unless it is the usual start
// with red to move, and the side to move from the piece the first move moves.
std::string readStart(const std::string& bytes, XqfReader& r, GameRecord& game) {
    int version = byteAt(bytes, kVersionOffset);
    std::array<uint8_t, kPieces> points;
    for (size_t i = 0; i < kPieces; i++) {
        size_t piece = version >= kFirstRotatedPoints ? (r.keys.square + i + 1) % kPieces : i;
        points[piece] = uint8_t(byteAt(bytes, kPointsOffset + i) - r.keys.square);
    }
    // A point off the board marks a piece that is not on it.
    std::array<char, kPoints> board{};
    for (size_t i = 0; i < kPieces; i++) {
        if (points[i] >= kPoints) continue;
        if (board[points[i]] != 0) return "two pieces on one point";
        board[points[i]] = kPieceOrder[i];
    }
    XqfRecord root, first;
    bool blackFirst = readRecord(r, root) && root.next && readRecord(r, first) &&
                      first.from < kPoints && board[first.from] >= 'a';
    r.at = 0;
    std::string fen;
    for (int y = 9; y >= 0; y--) {
        int empty = 0;
        for (int x = 0; x < 9; x++) {
            char piece = board[size_t(x * 10 + y)];
            if (piece == 0) {
                empty++;
                continue;
            }
            if (empty > 0) fen += char('0' + empty);
            empty = 0;
            fen += piece;
        }
        if (empty > 0) fen += char('0' + empty);
        if (y > 0) fen += '/';
    }
    fen += blackFirst ? " b - - 0 1" : " w - - 0 1";
    game.fen = fen;
    game.hasFen = fen != kStartFen;
    return "";
}

// Checks the header and prepares the reader; the reason when the file cannot be read.
std::string readHeader(const std::string& bytes, XqfReader& r, GameRecord& game) {
    if (bytes.size() < kHeaderSize) return "XQF header cut short";
    int version = byteAt(bytes, kVersionOffset);
    if (!isXqfInput(bytes)) return "not an XQF file";
    if (version > kLastVersion) return "unknown XQF version " + std::to_string(version);
    for (size_t i = 0; i < kTextFields.size(); i++) {
        auto [offset, room] = kTextFields[i];
        int length = byteAt(bytes, size_t(offset));
        if (length > room) return "damaged XQF header";
        if (kTextTags[i] != nullptr && length > 0)
            game.tags.push_back({kTextTags[i], bytes.substr(size_t(offset) + 1, size_t(length))});
    }
    game.encoding = TextEncoding::Gbk;
    r.encrypted = version >= kFirstEncrypted;
    if (r.encrypted) r.keys = makeKeys(bytes);
    r.data = bytes.substr(kHeaderSize);
    for (size_t i = 0; i < r.data.size(); i++)
        r.data[i] = char(r.data[i] - r.keys.record[i % kRecordKeyLength]);
    // 3 and 4 are both draws (by agreement and by rule); other values say nothing.
    constexpr GameResult kResults[] = {GameResult::Unknown, GameResult::RedWin,
                                       GameResult::BlackWin, GameResult::Draw, GameResult::Draw};
    uint8_t result = byteAt(bytes, kResultOffset);
    game.result = result < std::size(kResults) ? kResults[result] : GameResult::Unknown;
    return readStart(bytes, r, game);
}

// The record's move in ICCS coordinates, as the move of the given number in its line.
GameMove moveOf(const XqfRecord& record, int number) {
    std::string text{char('a' + record.from / 10), char('0' + record.from % 10),
                     char('a' + record.to / 10), char('0' + record.to % 10)};
    uint32_t packed = 0;
    for (int i = 0; i < 4; i++) packed |= uint32_t(uint8_t(text[size_t(i)])) << (8 * i);
    return {packed, number, text};
}

}  // namespace

bool isXqfInput(const std::string& bytes) {
    return bytes.size() >= 2 && bytes[0] == 'X' && bytes[1] == 'Q';
}

void readXqfGames(const std::string& bytes, const GameSink& sink) {
    XqfReader reader;
    GameRecord game;
    std::vector<GameMove> path;
    size_t handed = 0;
    auto emit = [&](size_t length, int errorLine, const char* error) {
        game.moves.assign(path.begin(), path.begin() + long(length));
        handed += length;
        game.errorLine = errorLine;
        game.error = error;
        sink(game);
        game.variation++;
    };
    std::string headerError = readHeader(bytes, reader, game);
    if (!headerError.empty()) {
        game.hasFen = false;
        game.errorLine = 0;
        game.error = headerError;
        sink(game);
        return;
    }
    XqfRecord record;
    if (reader.at == reader.data.size()) return emit(0, 0, "empty XQF file");
    if (!readRecord(reader, record)) return emit(0, 1, "XQF record cut short");
    if (!record.next) return emit(0, 0, "no moves");

    // The records are the tree in depth-first order: a record's reply (if any) comes next,
    // then, after the reply's whole subtree, the record's sibling. `siblings` holds the
    // depths of the siblings still due; a leaf ends a line.
    std::vector<int> siblings;
    size_t depth = 0;
    // Records below a move that could not be read belong to a dropped branch.
    size_t droppedAt = SIZE_MAX;
    for (;;) {
        if (!readRecord(reader, record))
            return emit(std::min(depth, path.size()), int(depth) + 1, "XQF record cut short");
        if (record.sibling) siblings.push_back(int(depth));
        if (depth <= droppedAt) {
            droppedAt = SIZE_MAX;
            path.resize(depth);
            if (record.from >= kPoints || record.to >= kPoints) {
                emit(depth, int(depth) + 1, "move off the board");
                droppedAt = depth;
            } else if (depth >= kMaxLineMoves) {
                emit(depth, int(depth) + 1, "line too long");
                droppedAt = depth;
            } else {
                path.push_back(moveOf(record, int(depth) + 1));
                if (!record.next) emit(depth + 1, 0, "");
            }
            if (handed > kMaxTreeMoves) return emit(0, 0, "too many XQF lines");
        }
        if (record.next) {
            depth++;
        } else if (siblings.empty()) {
            return;
        } else {
            depth = size_t(siblings.back());
            siblings.pop_back();
        }
    }
}
