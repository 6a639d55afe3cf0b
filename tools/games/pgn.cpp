// The PGN reader: tag pairs, movetext with move numbers, comments, variations and results,
// and moves in ICCS coordinates or in Chinese or WXF notation, in any of the encodings
// collections come in.
#include "games/pgn.h"

#include <memory>
#include <string>
#include <vector>

#include "games/ascii.h"
#include "games/encoding.h"
#include "games/notation.h"
#include "games/replay.h"
#include "games/textgames.h"
#include "position/makemove.h"

namespace {

// For the names of notations: setting bit 5 folds ASCII letters to lower case.
bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A read position in a PGN file. A two-byte GBK or Big5 character may end in '[', '\',
// ']', '{' or '}', so the scanner always steps over whole characters. Trail bytes are
// never a line feed, so the line count only looks at a character's first byte.
struct PgnScanner {
    const char* p;
    const char* end;
    int line;
    TextEncoding encoding;
};

bool atEnd(const PgnScanner& s) {
    return s.p >= s.end;
}

size_t width(const PgnScanner& s) {
    return charLength(s.encoding, s.p, s.end);
}

void advance(PgnScanner& s) {
    if (*s.p == '\n') s.line++;
    s.p += width(s);
}

void skipPast(PgnScanner& s, char end) {
    while (!atEnd(s) && *s.p != end) advance(s);
    if (!atEnd(s)) advance(s);
}

void skipBlanks(PgnScanner& s) {
    while (!atEnd(s) && isBlank(*s.p)) advance(s);
}

// Chinese texts may separate moves with U+3000, the ideographic space, as with blanks.
bool isIdeographicSpace(const PgnScanner& s, size_t length) {
    constexpr uint32_t kIdeographicSpace = 0x3000;
    return length > 1 && decodeChar(s.encoding, s.p, length) == kIdeographicSpace;
}

// Reads a tag pair from its '[' to the ']' (or the end of the line). A quoted value has
// its \" and \\ escapes undone; an unquoted one runs to the ']'. Values stay in the file's
// encoding.
void readTag(PgnScanner& s, std::string& name, std::string& value) {
    advance(s);
    skipBlanks(s);
    const char* nameBegin = s.p;
    while (!atEnd(s) && !isBlank(*s.p) && *s.p != '"' && *s.p != ']' && *s.p != '\n') advance(s);
    name.assign(nameBegin, size_t(s.p - nameBegin));
    skipBlanks(s);
    bool quoted = !atEnd(s) && *s.p == '"';
    if (quoted) advance(s);
    const char* run = s.p;
    while (!atEnd(s) && *s.p != '\n' && *s.p != (quoted ? '"' : ']')) {
        if (quoted && *s.p == '\\' && s.p + 1 < s.end && (s.p[1] == '"' || s.p[1] == '\\')) {
            value.append(run, size_t(s.p - run));
            run = ++s.p;
        }
        s.p += width(s);
    }
    value.append(run, size_t(s.p - run));
    if (!quoted) value = std::string(trimmed(value));
    while (!atEnd(s) && *s.p != ']' && *s.p != '\n') advance(s);
    if (!atEnd(s) && *s.p == ']') advance(s);
}

GameResult resultFromToken(std::string_view token) {
    if (token == "1-0") return GameResult::RedWin;
    if (token == "0-1") return GameResult::BlackWin;
    if (token == "1/2-1/2") return GameResult::Draw;
    return GameResult::Unknown;
}

// A result in figures, or in words such as 红胜, 黑负 or 和棋.
GameResult resultFromTag(std::string_view value, TextEncoding encoding) {
    value = trimmed(value);
    GameResult figures = resultFromToken(value);
    if (figures != GameResult::Unknown || value == "*") return figures;
    bool red = false, black = false, win = false, loss = false;
    for (const char* p = value.data(); p < value.data() + value.size();) {
        size_t length = charLength(encoding, p, value.data() + value.size());
        uint32_t c = decodeChar(encoding, p, length);
        p += length;
        if (c == 0x548C) return GameResult::Draw;  // 和
        red |= c == 0x7EA2 || c == 0x7D05;         // 红 紅
        black |= c == 0x9ED1;                      // 黑
        win |= c == 0x80DC || c == 0x52DD;         // 胜 勝
        loss |= c == 0x8D1F || c == 0x8CA0;        // 负 負
    }
    if (red == black || win == loss) return GameResult::Unknown;
    return red == win ? GameResult::RedWin : GameResult::BlackWin;
}

bool endsToken(char c) {
    return isBlank(c) || c == '\n' || c == '{' || c == ';' || c == '(' || c == ')' || c == '[';
}

const char* notationName(Notation notation) {
    return notation == Notation::Iccs ? "ICCS" : notation == Notation::Wxf ? "WXF" : "Chinese";
}

// The game being read from a PGN file.
struct PgnGame {
    GameRecord record;
    // A tag or a movetext token was seen: there is a game to hand over.
    bool started = false;
    bool inMovetext = false;
    // The game cannot be read further; its remaining tokens are passed over to its end.
    bool skipping = false;
    int variationDepth = 0;
    // A second [Game] or [Event] tag starts the next game: a game may have no movetext
    // at all. Other tags may repeat within a game.
    bool hasGameTag = false;
    bool hasEventTag = false;
    // Set by a [Format] tag, or else by the first move.
    Notation notation = Notation::Unknown;
    bool resultTagged = false;
    // The reader's Position holds the position before the next move: moves in Chinese
    // or WXF notation are played as they are read, to resolve the next one.
    bool positionReady = false;
};

struct PgnReader {
    PgnScanner s;
    PgnGame game;
    Position& pos;
    const GameSink& sink;
};

void finishGame(PgnReader& r) {
    r.game.record.encoding = r.s.encoding;
    if (r.game.started) r.sink(r.game.record);
    // The move list keeps its storage from game to game.
    std::vector<GameMove> moves = std::move(r.game.record.moves);
    moves.clear();
    r.game = PgnGame();
    r.game.record.moves = std::move(moves);
}

void stopReading(PgnGame& game, int line, std::string reason) {
    game.record.errorLine = line;
    game.record.error = std::move(reason);
    game.skipping = true;
}

void takeTag(PgnReader& r, const std::string& name, const std::string& value, int line) {
    PgnGame& game = r.game;
    game.record.tags.push_back({name, value});
    if (name == "FEN") {
        game.record.hasFen = true;
        game.record.fen = value;
        game.record.fenLine = line;
    } else if (name == "Result") {
        game.record.result = resultFromTag(value, r.s.encoding);
        game.resultTagged = game.record.result != GameResult::Unknown;
    } else if (name == "Format") {
        std::string_view format = trimmed(value);
        if (equalsIgnoringCase(format, "ICCS")) {
            game.notation = Notation::Iccs;
        } else if (equalsIgnoringCase(format, "WXF")) {
            game.notation = Notation::Wxf;
        } else if (equalsIgnoringCase(format, "Chinese")) {
            game.notation = Notation::Chinese;
        } else if (!format.empty() && !game.skipping) {
            stopReading(game, line, "unsupported format " + std::string(format));
        }
    }
}

// A digit or a dot of a move number, also in full width (U+FF10..FF19, U+FF0E).
bool isDigitChar(uint32_t c) {
    return (c >= '0' && c <= '9') || (c >= 0xFF10 && c <= 0xFF19);
}

bool isDotChar(uint32_t c) {
    return c == '.' || c == 0xFF0E;
}

// A token as messages show it: in UTF-8 whatever the file's encoding, for the characters
// the reader knows; other characters keep their bytes.
std::string displayed(const uint32_t* chars, const char* const* starts, int count,
                      TextEncoding encoding) {
    std::string text;
    for (int i = 0; i < count; i++) {
        uint32_t c = chars[i];
        if (encoding == TextEncoding::Utf8 || c < 0x80 || c == kOtherChar) {
            text.append(starts[i], size_t(starts[i + 1] - starts[i]));
        } else {
            appendUtf8(text, c);
        }
    }
    return text;
}

// The !? marks of a move, also in full width (U+FF01, U+FF1F).
bool isMarkChar(uint32_t c) {
    return c == '!' || c == '?' || c == 0xFF01 || c == 0xFF1F;
}

// Plays a move in Chinese or WXF notation on the reader's Position when it names exactly
// one legal move. Returns how many it names (2 for several), or -1 when the game's FEN is
// bad.
int playNotationMove(PgnReader& r, const NotationMove& move, uint32_t& packed) {
    PgnGame& game = r.game;
    if (!game.positionReady) {
        const char* fen = game.record.hasFen ? game.record.fen.c_str() : kStartFen;
        if (!setupCheckedFen(r.pos, fen)) return -1;
        game.positionReady = true;
    }
    Move found = 0;
    int matches = resolveNotationMove(move, r.pos, found);
    if (matches != 1) return matches;
    keepHistoryRoom(r.pos);
    UndoRecord undo;
    makeMove(r.pos, found, undo);
    char text[5];
    moveToText(found, text, sizeof text);
    packed = packMoveText(text);
    return 1;
}

// A movetext token at the top level: a result, a move number (possibly joined to its
// move, as in "1.H2-E2"), a numeric annotation, or a move with optional !? marks.
void takeToken(PgnReader& r, const char* begin, const char* end, int line) {
    PgnGame& game = r.game;
    std::string_view token(begin, size_t(end - begin));
    GameResult result = resultFromToken(token);
    if (result != GameResult::Unknown || token == "*") {
        if (!game.resultTagged) game.record.result = result;
        finishGame(r);
        return;
    }
    if (game.skipping) return;

    constexpr int kMaxChars = 16;
    uint32_t chars[kMaxChars];
    const char* starts[kMaxChars + 1];
    int count = 0;
    const char* p = begin;
    for (; p < end && count < kMaxChars; count++) {
        size_t length = charLength(r.s.encoding, p, end);
        chars[count] = decodeChar(r.s.encoding, p, length);
        starts[count] = p;
        p += length;
    }
    starts[count] = p;
    bool tooLong = p < end;
    int first = 0, last = count;
    while (first < count && isDigitChar(chars[first])) first++;
    if (first == 0 || first == count || !isDotChar(chars[first])) first = 0;
    while (first < count && isDotChar(chars[first])) first++;
    while (last > first && isMarkChar(chars[last - 1])) last--;
    if (first < last && chars[first] == '$') return;
    bool numberOnly = true;
    for (int i = 0; i < count; i++) {
        uint32_t c = chars[i];
        numberOnly &= isDigitChar(c) || isDotChar(c) || isMarkChar(c);
    }
    if (numberOnly) return;

    std::string_view written(starts[first], size_t(starts[last] - starts[first]));
    uint32_t packed = 0;
    bool coordinates = (game.notation == Notation::Unknown || game.notation == Notation::Iccs) &&
                       parseMoveToken(written, packed);
    if (!coordinates) {
        NotationMove parsed;
        Notation notation =
            !tooLong ? parseNotationMove(chars + first, last - first, parsed) : Notation::Unknown;
        auto shownToken = [&] {
            return tooLong ? std::string(token) : displayed(chars, starts, count, r.s.encoding);
        };
        if (notation == Notation::Unknown) {
            // Some collections close a game with words (红胜, 和棋) instead of figures.
            GameResult words = resultFromTag(token, r.s.encoding);
            if (words != GameResult::Unknown) {
                if (!game.resultTagged) game.record.result = words;
                return;
            }
            stopReading(game, line, "unreadable move " + shownToken());
            return;
        }
        if (game.notation != Notation::Unknown && game.notation != notation) {
            stopReading(
                game, line,
                "move " + shownToken() + " is not in " + notationName(game.notation) + " notation");
            return;
        }
        game.notation = notation;
        int matches = playNotationMove(r, parsed, packed);
        if (matches < 0) {
            stopReading(game, game.record.fenLine, "bad FEN");
            return;
        }
        if (matches != 1) {
            std::string shown =
                displayed(chars + first, starts + first, last - first, r.s.encoding);
            stopReading(
                game, line,
                (matches == 0 ? "no legal move matches " : "several legal moves match ") + shown);
            return;
        }
    } else {
        game.notation = Notation::Iccs;
    }
    game.record.moves.push_back({packed, line, std::string(written)});
}

}  // namespace

bool isPgnInput(const std::string& path, const std::string& bytes) {
    if (endsWithIgnoringCase(path, ".pgn")) return true;
    size_t at = byteOrderMarkLength(bytes);
    while (at < bytes.size() && (isBlank(bytes[at]) || bytes[at] == '\n')) at++;
    return at < bytes.size() && bytes[at] == '[';
}

void readPgnGames(const std::string& bytes, const GameSink& sink) {
    auto pos = std::make_unique<Position>();
    const char* begin = bytes.data();
    PgnReader r{
        {begin + byteOrderMarkLength(bytes), begin + bytes.size(), 1, detectEncoding(bytes)},
        PgnGame(),
        *pos,
        sink};
    PgnScanner& s = r.s;
    PgnGame& game = r.game;
    while (!atEnd(s)) {
        char c = *s.p;
        bool lineStart = s.p == begin || s.p[-1] == '\n';
        if (isBlank(c) || c == '\n') {
            advance(s);
        } else if (c == '{') {
            skipPast(s, '}');
        } else if (c == ';' || (c == '%' && lineStart)) {
            skipPast(s, '\n');
        } else if (c == '(') {
            game.variationDepth++;
            advance(s);
        } else if (c == ')') {
            if (game.variationDepth > 0) game.variationDepth--;
            advance(s);
        } else if (c == '[') {
            // A tag after movetext, or a second [Game] or [Event], starts the next game,
            // even without a result; an unclosed variation cannot reach past it.
            int line = s.line;
            std::string name, value;
            readTag(s, name, value);
            bool repeated =
                (name == "Game" && game.hasGameTag) || (name == "Event" && game.hasEventTag);
            if (game.inMovetext || repeated) finishGame(r);
            game.variationDepth = 0;
            game.started = true;
            game.hasGameTag |= name == "Game";
            game.hasEventTag |= name == "Event";
            takeTag(r, name, value, line);
        } else if (game.variationDepth > 0 || isIdeographicSpace(s, width(s))) {
            advance(s);
        } else {
            const char* tokenBegin = s.p;
            int line = s.line;
            while (!atEnd(s) && !endsToken(*s.p)) {
                size_t length = width(s);
                if (isIdeographicSpace(s, length)) break;
                s.p += length;
            }
            game.started = true;
            game.inMovetext = true;
            takeToken(r, tokenBegin, s.p, line);
        }
    }
    finishGame(r);
}

const char* resultToken(GameResult result) {
    switch (result) {
        case GameResult::RedWin:
            return "1-0";
        case GameResult::BlackWin:
            return "0-1";
        case GameResult::Draw:
            return "1/2-1/2";
        case GameResult::Unknown:
            break;
    }
    return "*";
}
