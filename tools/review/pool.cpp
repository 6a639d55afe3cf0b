#include "review/pool.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "games/fileio.h"
#include "games/notation.h"
#include "games/replay.h"
#include "review/review.h"

namespace {

bool readMoveText(const std::string& text, Move& move) {
    if (text.size() != 4) return false;
    move = moveFromText(packMoveText(text.c_str()));
    return move != 0;
}

PositionAnalysis analyseLine(const ReviewLine& line, size_t ply, const SearchSettings& settings) {
    auto pos = std::make_unique<Position>();
    setupPly(line, ply, *pos);
    return analysePosition(*pos, settings);
}

// A worker's life: reads jobs until its input ends, answering each with its result.
[[noreturn]] void runWorker(int jobs, int results, const SearchSettings& settings) {
    FILE* in = fdopen(jobs, "r");
    char* buffer = nullptr;
    size_t capacity = 0;
    ssize_t length;
    while (in != nullptr && (length = getline(&buffer, &capacity, in)) > 0) {
        std::string text(buffer, size_t(length));
        if (text.back() == '\n') text.pop_back();
        AnalysisResult result;
        ReviewLine line;
        if (!parseJobLine(text, result.id, line)) break;
        result.analysis = analyseLine(line, line.moves.size(), settings);
        if (!writeAll(results, resultLine(result) + "\n")) break;
    }
    // Without exit handlers: the parent's buffered output must not be written twice.
    _exit(0);
}

}  // namespace

std::string jobLine(const AnalysisJob& job) {
    std::string text = std::to_string(job.id) + "\t" + job.line->fen + "\t";
    for (size_t i = 0; i < job.ply; i++) {
        if (i > 0) text += ' ';
        text += ucciMoveText(job.line->moves[i]);
    }
    return text;
}

bool parseJobLine(const std::string& text, uint64_t& id, ReviewLine& line) {
    size_t first = text.find('\t'), second = text.find('\t', first + 1);
    if (first == std::string::npos || second == std::string::npos) return false;
    std::istringstream fields(text.substr(0, first) + " " + text.substr(second + 1));
    line.fen = text.substr(first + 1, second - first - 1);
    std::string move;
    Move parsed;
    if (!(fields >> id)) return false;
    while (fields >> move) {
        if (!readMoveText(move, parsed)) return false;
        line.moves.push_back(parsed);
    }
    return true;
}

std::string resultLine(const AnalysisResult& result) {
    const PositionAnalysis& a = result.analysis;
    std::string line = std::to_string(result.id);
    line += a.terminal ? " 1 " : " 0 ";
    line += std::to_string(a.score);
    line += a.terminal ? " none" : ' ' + ucciMoveText(a.best);
    for (Move move : a.pv) line += ' ' + ucciMoveText(move);
    return line;
}

bool parseResultLine(const std::string& line, AnalysisResult& result) {
    std::istringstream fields(line);
    int terminal;
    std::string best, text;
    PositionAnalysis& a = result.analysis;
    if (!(fields >> result.id >> terminal >> a.score >> best)) return false;
    a.terminal = terminal != 0;
    a.pv.clear();
    if (a.terminal) return true;
    if (!readMoveText(best, a.best)) return false;
    Move move;
    while (fields >> text) {
        if (!readMoveText(text, move)) return false;
        a.pv.push_back(move);
    }
    return true;
}

bool AnalysisPool::start(int processes, const SearchSettings& settings, std::string& error) {
    settings_ = settings;
    prepareAnalysis();
    if (processes <= 1) return true;
    // A worker that has died is noticed by its pipe, not by a signal that ends this process.
    signal(SIGPIPE, SIG_IGN);
    std::fflush(nullptr);
    for (int i = 0; i < processes; i++) {
        int toWorker[2], fromWorker[2];
        if (pipe(toWorker) != 0) {
            error = "cannot make a pipe";
            return false;
        }
        if (pipe(fromWorker) != 0) {
            close(toWorker[0]);
            close(toWorker[1]);
            error = "cannot make a pipe";
            return false;
        }
        pid_t pid = fork();
        if (pid < 0) {
            for (int fd : {toWorker[0], toWorker[1], fromWorker[0], fromWorker[1]}) close(fd);
            error = "cannot start a worker process";
            return false;
        }
        if (pid == 0) {
            close(toWorker[1]);
            close(fromWorker[0]);
            // The pipes of the workers started before this one belong to the parent.
            for (Worker& other : workers_) {
                close(other.jobs);
                close(other.results);
            }
            runWorker(toWorker[0], fromWorker[1], settings);
        }
        close(toWorker[0]);
        close(fromWorker[1]);
        Worker worker;
        worker.pid = pid;
        worker.jobs = toWorker[1];
        worker.results = fromWorker[0];
        workers_.push_back(worker);
    }
    return true;
}

AnalysisPool::~AnalysisPool() {
    // An idle worker ends at the end of its input; one still searching (after a failure)
    // is stopped.
    for (Worker& worker : workers_) {
        close(worker.jobs);
        if (worker.busy) kill(worker.pid, SIGTERM);
    }
    for (Worker& worker : workers_) {
        close(worker.results);
        waitpid(worker.pid, nullptr, 0);
    }
}

void AnalysisPool::submit(AnalysisJob job) {
    queued_.push_back(std::move(job));
}

void AnalysisPool::dispatch() {
    for (Worker& worker : workers_) {
        if (worker.busy || queued_.empty()) continue;
        // A failed write shows as the worker's end when its result is awaited.
        writeAll(worker.jobs, jobLine(queued_.front()) + "\n");
        queued_.pop_front();
        worker.busy = true;
    }
}

bool AnalysisPool::takeLine(Worker& worker, AnalysisResult& result, std::string& error) {
    size_t end = worker.received.find('\n');
    std::string line = worker.received.substr(0, end);
    worker.received.erase(0, end + 1);
    worker.busy = false;
    if (parseResultLine(line, result)) return true;
    error = "a worker process answered with a malformed result";
    return false;
}

bool AnalysisPool::next(AnalysisResult& result, std::string& error) {
    if (workers_.empty()) {
        if (queued_.empty()) return false;
        const AnalysisJob& job = queued_.front();
        result.id = job.id;
        result.analysis = analyseLine(*job.line, job.ply, settings_);
        queued_.pop_front();
        return true;
    }
    dispatch();
    for (;;) {
        std::vector<pollfd> waiting;
        for (Worker& worker : workers_) {
            if (!worker.busy) continue;
            if (worker.received.find('\n') != std::string::npos)
                return takeLine(worker, result, error);
            waiting.push_back({worker.results, POLLIN, 0});
        }
        if (waiting.empty()) return false;
        if (poll(waiting.data(), waiting.size(), -1) < 0) {
            if (errno == EINTR) continue;
            error = "cannot wait for the worker processes";
            return false;
        }
        for (Worker& worker : workers_) {
            for (const pollfd& ready : waiting) {
                if (ready.fd != worker.results || ready.revents == 0) continue;
                char buffer[4096];
                ssize_t got = read(worker.results, buffer, sizeof buffer);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) {
                    error = "a worker process ended before its result";
                    return false;
                }
                worker.received.append(buffer, size_t(got));
            }
        }
    }
}
