// Counting the moves played in each position over a collection of games, and turning
// the counts into book entries.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/bookformat.h"
#include "games/gamerecord.h"
#include "position/position.h"

// How often one move was played in one position. lastGame lets a game that repeats the
// position, or a game tree whose lines share the position, count the move once. The
// mover's score is kept over the games with a known result, in half points.
struct MoveTally {
    Move move;
    int32_t games;
    int32_t lastGame;
    int32_t scoredGames;
    int32_t halfPoints;
};

// The moves of every position seen, each position's moves in the order first seen.
struct BookTally {
    std::unordered_map<uint64_t, std::vector<MoveTally>> positions;
    int32_t gameCount = 0;
};

// Which moves become book moves: played in at least minGames games; when minShare is
// above 0, in at least minShare percent of the games that played a move in the position
// (the engine plays each book move equally often, so a rare choice must stay out); and,
// when minScore is above 0, scoring at least minScore percent for their side in the games
// with a known result (a move with no such game is then dropped).
struct BookFilter {
    int minGames = 1;
    int minShare = 0;
    int minScore = 0;
};

// Why a game was rejected and where; ok when it was read to its end.
struct GameOutcome {
    bool ok;
    int line;
    std::string reason;
};

// Plays the game from its start position and counts the moves played in its first maxPly
// plies. A line of a game tree (variation > 0) counts as part of the game before it. An
// illegal move, or a move the reader could not understand, ends the game there: the moves
// before it still count. `pos` is scratch space, reused from game to game.
GameOutcome tallyGame(BookTally& tally, const GameRecord& game, int maxPly, Position& pos);

// Whether the filter keeps the move; `positionGames` is the sum of the games of the
// position's moves.
bool keepsMove(const MoveTally& seen, int64_t positionGames, const BookFilter& filter);

// The entries sorted by key: for each position the moves the filter keeps, most played
// first, ties in the order first seen. Positions left without a move are dropped.
std::vector<BookEntry> finishTally(const BookTally& tally, const BookFilter& filter);
