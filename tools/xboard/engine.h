// The UCCI engine as a child process: started over pipes, fed lines, read without
// blocking, and ended.
#pragma once

#include <sys/types.h>

#include <deque>
#include <string>
#include <vector>

struct EngineProcess {
    pid_t pid = -1;
    int input = -1;   // the engine's standard input
    int output = -1;  // the engine's standard output
    std::string partial;
    std::deque<std::string> lines;  // complete lines not yet taken
    bool ended = false;
};

// Starts `command[0]` with the rest as its arguments. An engine that cannot be executed
// ends at once, which the caller sees as the end of its output.
bool startEngine(EngineProcess& engine, const std::vector<std::string>& command);
void sendToEngine(EngineProcess& engine, const std::string& line);
// Reads what the engine has written (one read, which may block when nothing is ready) and
// queues its complete lines without line ends. Sets `ended` when the output is closed.
void readEngineLines(EngineProcess& engine);
// Waits up to timeoutMs for the next engine line; false on a timeout or at the end.
bool waitEngineLine(EngineProcess& engine, std::string& line, int timeoutMs);
// Sends "quit", gives the engine a moment to leave, then kills it if it is still there.
void stopEngine(EngineProcess& engine);
