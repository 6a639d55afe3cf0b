// The searches of a review, spread over worker processes: the engine's search state is
// global, so each process searches one position at a time. With one process the searches
// run in this one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "review/analysis.h"
#include "review/review.h"

// A position to analyse: the one after the first `ply` moves of the line.
struct AnalysisJob {
    uint64_t id;
    std::shared_ptr<const ReviewLine> line;
    size_t ply;
};

struct AnalysisResult {
    uint64_t id;
    PositionAnalysis analysis;
};

class AnalysisPool {
public:
    // Starts the workers; false with a message when a process or pipe cannot be made.
    bool start(int processes, const SearchSettings& settings, std::string& error);
    // Ends the workers and waits for them.
    ~AnalysisPool();

    // Queues a job; jobs are handed out in the order queued, one to each idle worker.
    void submit(AnalysisJob job);
    // Waits for the next finished job (in-process: runs the next job). False when no job is
    // queued or running; false with a message when a worker has failed.
    bool next(AnalysisResult& result, std::string& error);

private:
    struct Worker {
        pid_t pid = -1;
        int jobs = -1;     // where its jobs are written
        int results = -1;  // where its results are read
        bool busy = false;
        std::string received;
    };

    void dispatch();
    bool takeLine(Worker& worker, AnalysisResult& result, std::string& error);

    SearchSettings settings_;
    std::vector<Worker> workers_;
    std::deque<AnalysisJob> queued_;
};

// The lines of the pool's pipes: a job "ID<TAB>FEN<TAB>m1 m2 ..." (the moves up to the
// position), and a result "ID T SCORE BEST PV..." (T 1 when terminal; moves in UCCI text).
std::string jobLine(const AnalysisJob& job);
// The job's id and the line it names (its moves all played).
bool parseJobLine(const std::string& text, uint64_t& id, ReviewLine& line);
std::string resultLine(const AnalysisResult& result);
bool parseResultLine(const std::string& line, AnalysisResult& result);
