#include "games/textgames.h"

#include <vector>

#include "games/ascii.h"
#include "games/encoding.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
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
        text[i] = toLowerAscii(text[i]);
        if (text[i] < 'a' || text[i] > 'i' || !isDigit(text[i + 1])) return false;
    }
    packed = 0;
    for (int i = 0; i < 4; i++) packed |= uint32_t(uint8_t(text[i])) << (8 * i);
    return true;
}

void readTextGames(const std::string& bytes, const GameSink& sink) {
    size_t at = byteOrderMarkLength(bytes);
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
