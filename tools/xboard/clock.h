// Turns XBoard's time controls (level, st, sd, time) into a UCCI "go" line and the moment
// at which the adapter stops the search itself.
#pragma once

#include <string>

struct TimeControl {
    int movesPerSession = 0;  // level MPS; 0 when the base time is for the whole game
    int baseMs = 0;           // level BASE
    int incrementMs = 0;      // level INC
    int moveTimeMs = 0;       // st: a fixed time for every move, 0 when not set
    int depthLimit = 0;       // sd: 0 when not set
    int engineTimeMs = -1;    // the last "time": the engine's clock; -1 before the first
};

struct SearchPlan {
    std::string goCommand;
    // After this many milliseconds the adapter sends "stop", whatever the engine planned.
    int stopAfterMs = 0;
};

// Time kept back on every move for what the clocks count but the search cannot see: the
// pipes, the adapter, the front end, and a scheduler that is slow to wake a process.
constexpr int CLOCK_RESERVE_MS = 300;
// Moves to go assumed when the base time is for the whole game.
constexpr int SUDDEN_DEATH_MOVES = 20;

// `movesMade` counts the moves the engine's side has made since the game started.
SearchPlan planSearch(const TimeControl& control, int movesMade);
