// The input reader of the browser build. There is no reader thread: the worker's script
// hands each message of the page to qarn_push_line, which cuts it into lines as the reader
// thread would cut standard input, into a queue that takeLine empties. A running search
// calls takeLine at every poll; there it yields to the worker's event loop at most every
// YIELD_INTERVAL_MS, so that a stop or isready posted during the search reaches it.
#include <emscripten.h>

#include <cstring>
#include <deque>
#include <string>

#include "engine/reader.h"

namespace {

// Short enough that stop and isready are answered well within 100 ms; a yield costs a few
// microseconds, so a shorter interval would cost no measurable speed either.
constexpr double YIELD_INTERVAL_MS = 15;

std::deque<std::string> pendingLines;
bool readerStopped = false;
double lastYield = 0;

// Suspends the engine until the messages already queued for the worker have been handled.
// The script resumes it by a message to itself, not a timer: nested timers wait 4 ms or more.
EM_JS(void, yieldToEventLoop, (),
      { return Asyncify.handleSleep(function(wakeUp) { Module.qarnYield(wakeUp); }); });

}  // namespace

// The bytes of one message, cut where the reader thread cuts standard input: at each line
// feed (a carriage return before it dropped), and into pieces of LINE_BUFFER_SIZE - 1
// bytes, each a line of its own. A message that does not end in a line feed ends a line.
extern "C" EMSCRIPTEN_KEEPALIVE void qarn_push_line(const char* bytes, int length) {
    if (readerStopped) return;
    constexpr int piece = LINE_BUFFER_SIZE - 1;
    int start = 0;
    for (int i = 0; i <= length; i++) {
        if (i < length && bytes[i] != '\n') continue;
        if (i == length && start == length && length > 0) break;
        int end = i;
        if (end > start && bytes[end - 1] == '\r') end--;
        do {
            int size = end - start < piece ? end - start : piece;
            pendingLines.emplace_back(bytes + start, size);
            start += size;
        } while (start < end);
        start = i + 1;
    }
}

int startLineReader(FILE*, char*) {
    return 0;
}

int takeLine(char* destination, int) {
    if (pendingLines.empty() && emscripten_get_now() - lastYield >= YIELD_INTERVAL_MS) {
        yieldToEventLoop();
        lastYield = emscripten_get_now();
    }
    if (pendingLines.empty()) return 0;
    const std::string& line = pendingLines.front();
    std::memcpy(destination, line.c_str(), line.size() + 1);
    pendingLines.pop_front();
    return 1;
}

void stopLineReader(int) {
    readerStopped = true;
    pendingLines.clear();
}

// The page never closes the engine's input; it sends quit.
bool lineReaderEnded(int) {
    return false;
}
