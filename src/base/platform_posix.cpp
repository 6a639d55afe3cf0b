#include <sys/mman.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/platform.h"

bool startDetachedThread(void (*body)(void*), void* argument) {
    std::thread(body, argument).detach();
    return true;
}

void sleepOneMillisecond() {
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
}

namespace {

int64_t readMilliseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

int64_t tickMilliseconds() {
    return readMilliseconds(CLOCK_MONOTONIC);
}

int64_t processMilliseconds() {
    return readMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
}

// Linux's transparent huge pages; other systems keep their default.
void adviseLargePages(void* start, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t block = uintptr_t(1) << 21;
    uintptr_t first = (uintptr_t(start) + block - 1) & ~(block - 1);
    uintptr_t last = (uintptr_t(start) + bytes) & ~(block - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

// Streams carry bytes unchanged here already, and the sleeps are as short as asked.
void preparePlatform() {}

const char* executablePath(const char* argv0) {
    return argv0;
}

void endProcessNow(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}
