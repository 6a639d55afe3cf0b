// The command loop: turns each parsed command into an action on the engine's Position,
// the search or the console.
#pragma once

// Runs until quit (or the end of input) and returns the exit code, 0.
int commandLoop();
// Lets go of the reader thread, prints "bye" and flushes standard output.
void quitEngine();
// Ends the process at once with `code`: the reader thread may be blocked in its read.
[[noreturn]] void endProcess(int code);
