// What differs between the systems the engine runs on: the reader thread, the 1 ms sleep,
// the two clocks, the standard streams' mode, the executable's path and ending the process.
// The rest of the engine calls these and never tests which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>

// Starts a thread running body(argument) that nobody joins; false when it cannot start.
bool startDetachedThread(void (*body)(void*), void* argument);
void sleepOneMillisecond();

// Milliseconds of a monotonic counter that never wraps while the engine runs.
int64_t tickMilliseconds();
// Milliseconds of processor time used by the process, counted in 64 bits so that the
// reading never wraps where clock_t has 32.
int64_t processMilliseconds();

// Asks the system to back a large table with large pages where it can, which spares the
// address translations of its random accesses; only the 2 MiB blocks inside it can be.
void adviseLargePages(void* start, size_t bytes);

// Called first by every program: makes the standard streams pass bytes unchanged (a line
// ends in "\n", never "\r\n") and the 1 ms sleep last about 1 ms.
void preparePlatform();
// The path of the running executable, for finding the files that ship beside it.
// `argv0` is the answer where the system offers no better one.
const char* executablePath(const char* argv0);

// Flushes the standard streams and ends the process with `code` at once, without exit
// handlers: the reader thread may be blocked in its read.
[[noreturn]] void endProcessNow(int code);
