// A stopwatch on the system's two clocks: wall time from the millisecond tick counter and
// processor time of the process, for the search's time rules and its load figure.
#pragma once

struct Stopwatch {
    double startTick;   // seconds, from the millisecond tick counter
    double startClock;  // seconds, from the process clock
    bool running;
};

void stopwatchClear(Stopwatch& watch);
void stopwatchStart(Stopwatch& watch);
// Seconds since the start; 0 while the stopwatch is not running.
double stopwatchElapsed(const Stopwatch& watch);
// Processor time over wall time since the start, 0..1.
double stopwatchLoad(const Stopwatch& watch);
