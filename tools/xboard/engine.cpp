#include "xboard/engine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

bool startEngine(EngineProcess& engine, const std::vector<std::string>& command) {
    // A write to an engine that has died must be an error we see, not a signal that ends
    // the adapter before it can tell the front end.
    signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (command.empty() || pipe(in) != 0) return false;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    engine.pid = fork();
    if (engine.pid < 0) return false;
    if (engine.pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
        std::vector<std::string> copies = command;
        std::vector<char*> argv;
        for (std::string& arg : copies) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    engine.input = in[1];
    engine.output = out[0];
    fcntl(engine.input, F_SETFD, FD_CLOEXEC);
    fcntl(engine.output, F_SETFD, FD_CLOEXEC);
    engine.ended = false;
    return true;
}

void sendToEngine(EngineProcess& engine, const std::string& line) {
    if (engine.input < 0) return;
    std::string bytes = line + "\n";
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(engine.input, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the engine is gone; its end of output will say so
        done += size_t(n);
    }
}

void readEngineLines(EngineProcess& engine) {
    if (engine.output < 0) {
        engine.ended = true;
        return;
    }
    char buffer[4096];
    ssize_t n = read(engine.output, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        closeFd(engine.output);
        engine.ended = true;
        return;
    }
    engine.partial.append(buffer, size_t(n));
    size_t start = 0, end;
    while ((end = engine.partial.find('\n', start)) != std::string::npos) {
        std::string line = engine.partial.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        engine.lines.push_back(line);
        start = end + 1;
    }
    engine.partial.erase(0, start);
}

bool waitEngineLine(EngineProcess& engine, std::string& line, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (engine.lines.empty() && !engine.ended) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{engine.output, POLLIN, 0};
        if (poll(&fd, 1, int(left.count())) <= 0) continue;
        readEngineLines(engine);
    }
    if (engine.lines.empty()) return false;
    line = engine.lines.front();
    engine.lines.pop_front();
    return true;
}

void stopEngine(EngineProcess& engine) {
    if (engine.pid <= 0) return;
    sendToEngine(engine, "quit");
    closeFd(engine.input);
    for (int waited = 0; waited < 1000; waited += 10) {
        if (waitpid(engine.pid, nullptr, WNOHANG) == engine.pid) {
            engine.pid = -1;
            break;
        }
        usleep(10000);
    }
    if (engine.pid > 0) {
        kill(engine.pid, SIGKILL);
        waitpid(engine.pid, nullptr, 0);
        engine.pid = -1;
    }
    closeFd(engine.output);
}
