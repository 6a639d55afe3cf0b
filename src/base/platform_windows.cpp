#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "base/platform.h"

namespace {

struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

DWORD WINAPI runThread(LPVOID parameter) {
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.body(start.argument);
    return 0;
}

// Ticks of 100 ns in a FILETIME, as one 64-bit count.
int64_t fileTimeTicks(const FILETIME& time) {
    return int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

bool startDetachedThread(void (*body)(void*), void* argument) {
    auto* start = new ThreadStart{body, argument};
    HANDLE thread = CreateThread(nullptr, 0, runThread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    CloseHandle(thread);
    return true;
}

void sleepOneMillisecond() {
    Sleep(1);
}

// GetTickCount64, unlike GetTickCount, does not wrap after 49 days of uptime.
int64_t tickMilliseconds() {
    return int64_t(GetTickCount64());
}

// Here clock() counts wall time since the start and wraps after 24 days in its 32 bits;
// the processor time of the process is its user plus kernel time.
int64_t processMilliseconds() {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
    return (fileTimeTicks(kernel) + fileTimeTicks(user)) / 10000;
}

// Large pages need a privilege that players' accounts do not hold.
void adviseLargePages(void*, size_t) {}

// Text mode would write "\r\n" for every "\n" and end the input at a Ctrl-Z byte; input
// lines ending "\r\n" are handled by the reader. The 1 ms polling sleeps need the 1 ms
// timer period, not the default 15.6 ms.
void preparePlatform() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    timeBeginPeriod(1);
}

// Front ends start engines by a full path, a path relative to their own directory or a
// bare name found by the system's search; only the module's own path finds the directory
// of the executable in every case.
const char* executablePath(const char* argv0) {
    static char path[32768];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return argv0;
    return path;
}

// TerminateProcess runs no exit code of the C runtime or of any library, none of which may
// then wait for the input stream's lock that the reader thread holds in its blocked read.
void endProcessNow(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), UINT(code));
    for (;;) Sleep(INFINITE);
}
