// The console output routines: every line of the engine goes through printFlush.
#pragma once

#include <cstdio>

// Formats into a 4096-byte buffer, writes it to standard output and flushes at once.
void printFlush(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats to standard error and ends the process with exit code 1.
[[noreturn]] void fatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));
