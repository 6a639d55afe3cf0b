#include "engine/output.h"

#include <cstdarg>
#include <cstdlib>

bool consoleMuted = false;

namespace {
char outputBuffer[4096];
}

void printFlush(const char* format, ...) {
    if (consoleMuted) return;
    va_list args;
    va_start(args, format);
    vsnprintf(outputBuffer, sizeof outputBuffer, format, args);
    va_end(args);
    fputs(outputBuffer, stdout);
    fflush(stdout);
}

void fatalError(const char* format, ...) {
    fflush(stdout);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fflush(stderr);
    // The reader thread may be blocked in its read, so the process ends without unwinding.
    std::_Exit(1);
}
