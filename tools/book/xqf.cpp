#include "book/xqf.h"

bool isXqfInput(const std::string& bytes) { return bytes.size() >= 2 && bytes[0] == 'X' && bytes[1] == 'Q'; }

void readXqfGames(const std::string&, const GameSink& sink) {
    GameRecord game;
    game.errorLine = 0;
    game.error = "XQF files are not read yet";
    sink(game);
}
