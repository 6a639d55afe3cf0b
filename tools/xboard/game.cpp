#include "xboard/game.h"

#include <cctype>
#include <sstream>

#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"

namespace {

// XBoard writes FENs with its own letters and without the two chess fields ("... w 0 1"):
// the board gets the engine's letters and the fields are put back in the engine's order.
std::string engineFen(const std::string& fen) {
    std::istringstream fields(fen);
    std::string board, side, word;
    fields >> board >> side;
    std::vector<std::string> numbers;
    while (fields >> word)
        if (std::isdigit(static_cast<unsigned char>(word[0]))) numbers.push_back(word);
    for (char& c : board) {
        char lower = char(std::tolower(static_cast<unsigned char>(c)));
        char mapped = lower == 'e' ? 'b' : lower == 'h' ? 'n' : lower;
        c = std::isupper(static_cast<unsigned char>(c))
                ? char(std::toupper(static_cast<unsigned char>(mapped)))
                : mapped;
    }
    if (numbers.size() < 2) numbers = {"0", "1"};
    std::ostringstream result;
    result << board << (side == "b" ? " b" : " w") << " - - " << numbers[0] << ' ' << numbers[1];
    return result.str();
}

bool replay(Game& game) {
    if (!setupFen(game.position, game.startFen.c_str())) return false;
    for (const std::string& move : game.moves)
        if (!tryMoveText(game.position, packMoveText(move.c_str()))) return false;
    return true;
}

}  // namespace

bool setGameFen(Game& game, const std::string& fen) {
    std::string converted = engineFen(fen);
    // Checked on a scratch Position: a refused FEN leaves the game as it was.
    static Position scratch;
    if (!setupFen(scratch, converted.c_str())) return false;
    game.startFen = converted;
    game.moves.clear();
    game.position = scratch;
    return true;
}

bool playGameMove(Game& game, const std::string& move) {
    if (move.size() != 4) return false;
    if (!tryMoveText(game.position, packMoveText(move.c_str()))) return false;
    game.moves.push_back(move);
    return true;
}

bool undoGameMoves(Game& game, int count) {
    if (int(game.moves.size()) < count) return false;
    game.moves.resize(game.moves.size() - count);
    return replay(game);
}

int legalMoveCount(Game& game) {
    MoveList list;
    generateLegalMovesOnCopy(list, game.position);
    return list.count;
}

bool sideToMoveInCheck(const Game& game) {
    return isSideInCheck(game.position, game.position.side);
}

std::string positionCommand(const Game& game) {
    std::string line = "position fen " + game.startFen;
    if (!game.moves.empty()) {
        line += " moves";
        for (const std::string& move : game.moves) line += " " + move;
    }
    return line;
}

int movesMadeBy(const Game& game, int side) {
    int firstSide = game.startFen.find(" b ") != std::string::npos ? BLACK : RED;
    int total = int(game.moves.size());
    return side == firstSide ? (total + 1) / 2 : total / 2;
}
