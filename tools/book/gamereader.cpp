#include "book/gamereader.h"

namespace {

size_t bomLength(const std::string& bytes) {
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char toLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        if (toLower(a[i]) != toLower(b[i])) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Lead bytes and their continuation bytes only; good enough to tell UTF-8 from GBK, whose
// trail bytes below 0x80 never occur in UTF-8.
bool isValidUtf8(const std::string& bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        uint8_t c = uint8_t(bytes[i++]);
        int extra = c < 0x80                 ? 0
                    : c >= 0xC2 && c <= 0xDF ? 1
                    : c >= 0xE0 && c <= 0xEF ? 2
                    : c >= 0xF0 && c <= 0xF4 ? 3
                                             : -1;
        if (extra < 0 || bytes.size() - i < size_t(extra)) return false;
        for (int k = 0; k < extra; k++) {
            if ((uint8_t(bytes[i++]) & 0xC0) != 0x80) return false;
        }
    }
    return true;
}

std::vector<std::string_view> splitBlanks(std::string_view text) {
    std::vector<std::string_view> tokens;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isBlank(text[at])) at++;
        size_t begin = at;
        while (at < text.size() && !isBlank(text[at])) at++;
        if (at > begin) tokens.push_back(text.substr(begin, at - begin));
    }
    return tokens;
}

// A read position in a PGN file. In a GBK file a two-byte character may end in '[', '\',
// ']', '{' or '}', so the scanner always steps over whole characters.
struct PgnScanner {
    const std::string& bytes;
    size_t at;
    int line;
    bool gbk;
};

bool atEnd(const PgnScanner& s) {
    return s.at >= s.bytes.size();
}

char peek(const PgnScanner& s) {
    return s.bytes[s.at];
}

size_t charWidth(const PgnScanner& s) {
    uint8_t lead = uint8_t(s.bytes[s.at]);
    if (!s.gbk || lead < 0x81 || lead == 0xFF || s.at + 1 >= s.bytes.size()) return 1;
    uint8_t trail = uint8_t(s.bytes[s.at + 1]);
    return trail >= 0x40 && trail != 0x7F && trail != 0xFF ? 2 : 1;
}

// Trail bytes are never a line feed, so the line count only looks at the first byte.
void advance(PgnScanner& s) {
    if (peek(s) == '\n') s.line++;
    s.at += charWidth(s);
}

void skipPast(PgnScanner& s, char end) {
    while (!atEnd(s) && peek(s) != end) advance(s);
    if (!atEnd(s)) advance(s);
}

void skipBlanks(PgnScanner& s) {
    while (!atEnd(s) && isBlank(peek(s))) advance(s);
}

// Reads a tag pair from its '[' to the ']' (or the end of the line). A quoted value has
// its \" and \\ escapes undone; an unquoted one runs to the ']'.
void readTag(PgnScanner& s, std::string& name, std::string& value) {
    advance(s);
    skipBlanks(s);
    while (!atEnd(s) && !isBlank(peek(s)) && peek(s) != '"' && peek(s) != ']' && peek(s) != '\n') {
        name += peek(s);
        advance(s);
    }
    skipBlanks(s);
    bool quoted = !atEnd(s) && peek(s) == '"';
    if (quoted) advance(s);
    while (!atEnd(s) && peek(s) != '\n' && peek(s) != (quoted ? '"' : ']')) {
        bool escape = quoted && peek(s) == '\\' && s.at + 1 < s.bytes.size() &&
                      (s.bytes[s.at + 1] == '"' || s.bytes[s.at + 1] == '\\');
        if (escape) s.at++;
        size_t width = charWidth(s);
        value.append(s.bytes, s.at, width);
        s.at += width;
    }
    if (!quoted) value = std::string(trimmed(value));
    while (!atEnd(s) && peek(s) != ']' && peek(s) != '\n') advance(s);
    if (!atEnd(s) && peek(s) == ']') advance(s);
}

bool isResult(std::string_view token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

bool endsToken(char c) {
    return isBlank(c) || c == '\n' || c == '{' || c == ';' || c == '(' || c == ')' || c == '[';
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
};

void finishGame(PgnGame& game, const GameSink& sink) {
    if (game.started) sink(game.record);
    game = PgnGame();
}

void stopReading(PgnGame& game, int line, std::string reason) {
    game.record.errorLine = line;
    game.record.error = std::move(reason);
    game.skipping = true;
}

void takeTag(PgnGame& game, const std::string& name, const std::string& value, int line) {
    if (name == "FEN") {
        game.record.hasFen = true;
        game.record.fen = value;
        game.record.fenLine = line;
    } else if (name == "Format") {
        std::string_view format = trimmed(value);
        if (!format.empty() && !equalsIgnoringCase(format, "ICCS") && !game.skipping) {
            stopReading(game, line, "unsupported format " + std::string(format));
        }
    }
}

// A movetext token at the top level: a result, a move number (possibly joined to its
// move, as in "1.H2-E2"), a numeric annotation, or a move with optional !? marks.
void takeToken(PgnGame& game, std::string_view token, int line, const GameSink& sink) {
    if (isResult(token)) {
        finishGame(game, sink);
        return;
    }
    if (game.skipping) return;
    std::string_view move = token;
    size_t digits = 0;
    while (digits < move.size() && isDigit(move[digits])) digits++;
    if (digits > 0 && digits < move.size() && move[digits] == '.') move.remove_prefix(digits);
    while (!move.empty() && move.front() == '.') move.remove_prefix(1);
    if (!move.empty() && move.front() == '$') return;
    while (!move.empty() && (move.back() == '!' || move.back() == '?')) move.remove_suffix(1);
    if (move.empty() && token.find_first_not_of("0123456789.!?") == std::string_view::npos) return;
    uint32_t packed;
    if (!parseMoveToken(move, packed)) {
        stopReading(game, line, "unreadable move " + std::string(token));
        return;
    }
    game.record.moves.push_back({packed, line, std::string(move)});
}

}  // namespace

bool parseMoveToken(std::string_view token, uint32_t& packed) {
    char text[4];
    if (token.size() == 4) {
        for (int i = 0; i < 4; i++) text[i] = token[size_t(i)];
    } else if (token.size() == 5 && token[2] == '-') {
        text[0] = token[0], text[1] = token[1], text[2] = token[3], text[3] = token[4];
    } else {
        return false;
    }
    for (int i = 0; i < 4; i += 2) {
        text[i] = toLower(text[i]);
        if (text[i] < 'a' || text[i] > 'i' || !isDigit(text[i + 1])) return false;
    }
    packed = 0;
    for (int i = 0; i < 4; i++) packed |= uint32_t(uint8_t(text[i])) << (8 * i);
    return true;
}

bool isPgnInput(const std::string& path, const std::string& bytes) {
    if (path.size() >= 4 &&
        equalsIgnoringCase(std::string_view(path).substr(path.size() - 4), ".pgn")) {
        return true;
    }
    size_t at = bomLength(bytes);
    while (at < bytes.size() && (isBlank(bytes[at]) || bytes[at] == '\n')) at++;
    return at < bytes.size() && bytes[at] == '[';
}

void readTextGames(const std::string& bytes, const GameSink& sink) {
    size_t at = bomLength(bytes);
    int line = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string_view text(bytes.data() + at, end - at);
        at = end + 1;
        line++;
        text = text.substr(0, text.find('#'));
        std::vector<std::string_view> tokens = splitBlanks(text);
        if (tokens.empty()) continue;
        GameRecord game;
        size_t next = 0;
        if (tokens[0] == "fen") {
            game.hasFen = true;
            game.fenLine = line;
            for (next = 1; next < tokens.size() && tokens[next] != "moves"; next++) {
                if (!game.fen.empty()) game.fen += ' ';
                game.fen += tokens[next];
            }
            next++;
        }
        for (; next < tokens.size(); next++) {
            uint32_t packed;
            if (!parseMoveToken(tokens[next], packed)) {
                game.errorLine = line;
                game.error = "unreadable move " + std::string(tokens[next]);
                break;
            }
            game.moves.push_back({packed, line, std::string(tokens[next])});
        }
        sink(game);
    }
}

void readPgnGames(const std::string& bytes, const GameSink& sink) {
    PgnScanner s{bytes, bomLength(bytes), 1, !isValidUtf8(bytes)};
    PgnGame game;
    while (!atEnd(s)) {
        char c = peek(s);
        bool lineStart = s.at == 0 || bytes[s.at - 1] == '\n';
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
            // A tag after movetext starts the next game, even without a result; an
            // unclosed variation cannot reach past it.
            if (game.inMovetext) finishGame(game, sink);
            game.variationDepth = 0;
            game.started = true;
            int line = s.line;
            std::string name, value;
            readTag(s, name, value);
            takeTag(game, name, value, line);
        } else if (game.variationDepth > 0) {
            advance(s);
        } else {
            size_t begin = s.at;
            int line = s.line;
            while (!atEnd(s) && !endsToken(peek(s))) s.at += charWidth(s);
            game.started = true;
            game.inMovetext = true;
            takeToken(game, std::string_view(bytes).substr(begin, s.at - begin), line, sink);
        }
    }
    finishGame(game, sink);
}
