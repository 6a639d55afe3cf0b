// Counting the moves played in each position over a collection of games, and turning
// the counts into book entries.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/bookformat.h"
#include "book/gamereader.h"
#include "position/position.h"

// How often one move was played in one position. lastGame lets a game that repeats the
// position count the move once.
struct MoveTally {
    Move move;
    int32_t games;
    int32_t lastGame;
};

// The moves of every position seen, each position's moves in the order first seen.
struct BookTally {
    std::unordered_map<uint64_t, std::vector<MoveTally>> positions;
    int32_t gameCount = 0;
};

// Why a game was rejected and where; ok when it was read to its end.
struct GameOutcome {
    bool ok;
    int line;
    std::string reason;
};

// Plays the game from its start position and counts the moves played in its first maxPly
// plies. An illegal move, or a move the reader could not understand, ends the game there:
// the moves before it still count. `pos` is scratch space, reused from game to game.
GameOutcome tallyGame(BookTally& tally, const GameRecord& game, int maxPly, Position& pos);

// The entries sorted by key: for each position the moves played in at least minGames
// games, most played first, ties in the order first seen. Positions left without a move
// are dropped.
std::vector<BookEntry> finishTally(const BookTally& tally, int minGames);
