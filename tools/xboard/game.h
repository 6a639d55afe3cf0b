// The game as the adapter keeps it: the start position, the moves played since, and the
// engine's own Position for the rules (legality, mate), so that the adapter and the engine
// never disagree about what is legal.
#pragma once

#include <string>
#include <vector>

#include "base/fens.h"
#include "position/position.h"

struct Game {
    std::string startFen;
    std::vector<std::string> moves;
    Position position;
};

// Sets a new game from a FEN in the engine's letters or XBoard's (e for the elephant, h for
// the horse); false, changing nothing, when it is not a playable position.
bool setGameFen(Game& game, const std::string& fen);
// Plays a move text such as h2e2 when it is legal; false, changing nothing, otherwise.
bool playGameMove(Game& game, const std::string& move);
// Takes back up to `count` moves; false when there were fewer.
bool undoGameMoves(Game& game, int count);
int legalMoveCount(Game& game);
bool sideToMoveInCheck(const Game& game);
// The UCCI "position" line of the game.
std::string positionCommand(const Game& game);
// Moves made by `side` since the start position.
int movesMadeBy(const Game& game, int side);
