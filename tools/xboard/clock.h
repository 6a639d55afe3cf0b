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
    // What the front end's clock charges for a move beyond the search itself (pipes, the
    // front end drawing the move, a loaded machine), as measured on the moves so far.
    int frontEndLagMs = 20;
};

struct SearchPlan {
    std::string goCommand;
    // After this many milliseconds the adapter sends "stop", whatever the engine planned.
    int stopAfterMs = 0;
};

// Time kept back from the clock for what it counts but the search cannot see: the lag of
// this move and of the moves still to come, which no search time can pay for later.
constexpr int CLOCK_RESERVE_MS = 300;
// Moves whose lag is kept back when no increment pays for it and no session end is near.
constexpr int LAG_RESERVE_MOVES = 60;
// Moves to go assumed by the adapter's own stop when the base time is for the whole game.
constexpr int SUDDEN_DEATH_MOVES = 20;

// `movesMade` counts the moves the engine's side has made since the game started.
SearchPlan planSearch(const TimeControl& control, int movesMade);
// Learns the front end's lag from a move: what its clock charged against what the search
// took (both in milliseconds).
void noteMoveCharge(TimeControl& control, int chargedMs, int searchedMs);
