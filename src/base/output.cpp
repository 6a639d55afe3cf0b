#include "base/output.h"

#include <cstdarg>

#include "base/platform.h"

namespace {
char outputBuffer[4096];
}

void printFlush(const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int length = vsnprintf(outputBuffer, sizeof outputBuffer, format, args);
    if (length >= int(sizeof outputBuffer)) {
        // Only an error message quoting a long input line gets here: written whole, never cut.
        vfprintf(stdout, format, again);
    } else if (length > 0) {
        fputs(outputBuffer, stdout);
    }
    va_end(again);
    va_end(args);
    fflush(stdout);
}

void fatalError(const char* format, ...) {
    fflush(stdout);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    // The reader thread may be blocked in its read, so the process ends without unwinding.
    endProcessNow(1);
}
