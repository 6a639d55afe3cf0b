// The analysis of one position of a game: a search from a fresh state, exactly as a fresh
// engine without a book answers "position fen START moves m1 .. mi" and "go depth D".
#pragma once

#include <vector>

#include "position/position.h"

// How long each position is searched: to a depth (go depth D), or else for a time in
// seconds (as go time S: the result then depends on the machine and its load).
struct SearchSettings {
    int depth = 0;
    double seconds = 0;
};

// What the search says about a position.
struct PositionAnalysis {
    // The side to move has no legal move: it has lost. Its score is then -MATE_SCORE.
    bool terminal = false;
    // From the side to move's view, in the engine's units; mates in the mate band, as the
    // engine reports them (MATE n).
    int score = 0;
    // The engine's best move and principal variation (empty when terminal).
    Move best = 0;
    std::vector<Move> pv;
};

// Once per process, before the first analysis: the lookup tables and the hash table.
void prepareAnalysis();

// Searches the position, whose history (the game's moves up to it) counts for
// repetitions as it does for the engine. The hash table, killers and history are cleared
// first, so that the result does not depend on what was searched before. The search
// neither reports nor reads input; the search hooks are as before when it returns.
PositionAnalysis analysePosition(const Position& pos, const SearchSettings& settings);
