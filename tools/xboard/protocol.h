// The xboard protocol (CECP version 2) side of the adapter: the state of the game as the
// front end sees it, and the translation of its commands and of the engine's answers.
#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "xboard/clock.h"
#include "xboard/engine.h"
#include "xboard/game.h"

constexpr int NO_SIDE = -1;

struct Adapter {
    EngineProcess engine;
    std::vector<std::string> engineCommand;
    std::string engineName = "Qarn";
    Game game;
    TimeControl control;
    int engineSide = BLACK;  // the side the engine plays, NO_SIDE in force mode
    bool post = false;
    bool gameOver = false;
    bool searching = false;
    bool stopSent = false;
    std::chrono::steady_clock::time_point stopAt;
    // The last search, for measuring the front end's lag: the clock when it started, when
    // it started, and how long it took; searchMs is -1 when there is nothing to measure.
    int clockAtSearch = -1;
    std::chrono::steady_clock::time_point searchStart;
    int searchMs = -1;
    // Lines that arrived behind a ping during a search; they run, in order, once the move
    // has been sent, so that "pong" always follows the work that came before it.
    std::deque<std::string> heldLines;
    bool quitRequested = false;
    bool failed = false;  // the engine died or misbehaved: the adapter ends with an error
};

// Starts the engine and completes the UCCI handshake; false (with a message on standard
// error) when the engine cannot be started or does not answer.
bool connectEngine(Adapter& adapter);
// One line from the front end.
void handleFrontEndLine(Adapter& adapter, const std::string& line);
// One line from the engine.
void handleEngineLine(Adapter& adapter, const std::string& line);
// Called when the engine has closed its output: reports it and ends the game.
void handleEngineEnd(Adapter& adapter);
// Sends "stop" once the search has had the time the clock allows it.
void checkSearchTime(Adapter& adapter);
// Milliseconds until checkSearchTime has work to do, or -1 when no search is running.
int msUntilStop(const Adapter& adapter);
// Writes one line to the front end and flushes it.
void sendToFrontEnd(const std::string& line);
