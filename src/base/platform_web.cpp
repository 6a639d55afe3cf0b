// The platform layer of the browser build: the engine runs on the one thread of a Web
// Worker, whose script (web/worker-glue.js) receives the page's messages and resumes the
// engine's suspended stack (ASYNCIFY). There are no threads, and nothing to sleep on but the
// next message.
#include <emscripten.h>

#include <cstdio>

#include "base/platform.h"

namespace {

// Suspends the engine until the worker's script has received the next message; the script
// keeps the resume function and calls it then.
EM_JS(void, waitForMessage, (),
      { return Asyncify.handleSleep(function(wakeUp) { Module.qarnWaitForMessage(wakeUp); }); });

EM_JS(void, reportExit, (int code), { Module.qarnExit(code); });

}  // namespace

// The input lines come from the worker's messages: no reader thread is started.
bool startDetachedThread(void (*)(void*), void*) {
    return false;
}

// Only the idle loops of the parser sleep, to wait for input: here they wait for the next
// message instead of a millisecond, so that an idle engine uses no processor time.
void sleepOneMillisecond() {
    waitForMessage();
}

int64_t tickMilliseconds() {
    return int64_t(emscripten_get_now());
}

// A worker has no processor clock of its own; while it searches, the search owns its
// thread, so the wall clock stands in.
int64_t processMilliseconds() {
    return tickMilliseconds();
}

void adviseLargePages(void*, size_t) {}

void preparePlatform() {}

// The worker's script writes the book it fetched into the virtual file system as
// /engine/qarn.bin, which is where the engine looks beside this path.
const char* executablePath(const char*) {
    return "/engine/qarn";
}

void endProcessNow(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    reportExit(code);
    // Ends the engine's stack here: the worker's script takes this throw for the end.
    emscripten_throw_string("unwind");
    __builtin_unreachable();
}
