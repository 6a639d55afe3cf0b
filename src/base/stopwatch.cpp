#include "base/stopwatch.h"

#include "base/platform.h"

namespace {

// Both clocks are read as whole milliseconds in 64 bits, so that neither wraps.
double tickSeconds() {
    return double(tickMilliseconds()) * 0.001;
}

double clockSeconds() {
    return double(processMilliseconds()) * 0.001;
}

}  // namespace

void stopwatchClear(Stopwatch& watch) {
    watch.startTick = 0;
    watch.startClock = 0;
    watch.running = false;
}

void stopwatchStart(Stopwatch& watch) {
    watch.running = true;
    watch.startTick = tickSeconds();
    watch.startClock = clockSeconds();
}

double stopwatchElapsed(const Stopwatch& watch) {
    if (!watch.running) return 0;
    double elapsed = tickSeconds() - watch.startTick;
    return elapsed < 0 ? 0 : elapsed;
}

double stopwatchLoad(const Stopwatch& watch) {
    double wall = stopwatchElapsed(watch);
    double cpu = 0;
    if (watch.running) {
        cpu = clockSeconds() - watch.startClock;
        if (cpu < 0) cpu = 0;
    }
    if (wall <= 0 || cpu <= 0) return 0;
    double load = cpu / wall;
    return load > 1.0 ? 1.0 : load;
}
