#include "harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : int(left.count());
}

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

std::string environmentOr(const char* name, const std::string& otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

// QARN_RUNNER (a program that runs the others, such as wine), QARN_BIN_DIR and
// QARN_EXE_SUFFIX point the end-to-end tests at another build, such as the Windows one.
std::string programPath(const std::string& name) {
    return environmentOr("QARN_BIN_DIR", QARN_BUILD_DIR) + "/" + name +
           environmentOr("QARN_EXE_SUFFIX", "");
}

}  // namespace

ChildProcess::ChildProcess(const std::string& path, const std::vector<std::string>& args,
                           const std::string& workdir, const std::string& argv0) {
    spawn(path, args, workdir, argv0);
}

void ChildProcess::spawn(const std::string& path, const std::vector<std::string>& args,
                         const std::string& workdir, const std::string& argv0) {
    signal(SIGPIPE, SIG_IGN);
    std::string runner = environmentOr("QARN_RUNNER", "");
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    // Under a runner, argv[0] is the runner's affair and the program's path follows it.
    std::vector<std::string> words = {argv0.empty() ? path : argv0};
    if (!runner.empty()) words = {runner, path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (!workdir.empty() && chdir(workdir.c_str()) != 0) _exit(126);
        if (!runner.empty()) execvp(runner.c_str(), argv.data());
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
}

ChildProcess::~ChildProcess() {
    closeFd(input_);
    if (!exited_ && pid_ > 0) waitExit(2000);
    closeFd(output_);
    closeFd(errors_);
}

void ChildProcess::send(const std::string& line) {
    sendRaw(line + "\n");
}

void ChildProcess::sendRaw(const std::string& bytes) {
    size_t done = 0;
    while (input_ >= 0 && done < bytes.size()) {
        ssize_t n = write(input_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // the child has gone; the test will see it in the output
        }
        done += size_t(n);
    }
}

void ChildProcess::closeInput() {
    closeFd(input_);
}

bool ChildProcess::fillBuffer(int timeoutMs) {
    if (outputClosed_) return false;
    pollfd fds{output_, POLLIN, 0};
    int ready = poll(&fds, 1, timeoutMs);
    if (ready <= 0) return false;
    char chunk[65536];
    ssize_t n = read(output_, chunk, sizeof chunk);
    if (n <= 0) {
        outputClosed_ = true;
        return false;
    }
    buffer_.append(chunk, size_t(n));
    return true;
}

std::optional<std::string> ChildProcess::readLine(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (!fillBuffer(remainingMs(deadline))) {
            if (outputClosed_ || remainingMs(deadline) == 0) return std::nullopt;
        }
    }
}

std::vector<std::string> ChildProcess::readUntil(const std::string& prefix, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    for (;;) {
        auto line = readLine(remainingMs(deadline));
        if (!line) return {};
        lines.push_back(*line);
        if (startsWith(*line, prefix)) return lines;
    }
}

std::string ChildProcess::readRest(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!outputClosed_ && remainingMs(deadline) > 0) fillBuffer(remainingMs(deadline));
    std::string rest;
    rest.swap(buffer_);
    return rest;
}

std::string ChildProcess::readErrors(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (errors_ >= 0 && remainingMs(deadline) > 0) {
        pollfd fds{errors_, POLLIN, 0};
        if (poll(&fds, 1, remainingMs(deadline)) <= 0) break;
        char chunk[4096];
        ssize_t n = read(errors_, chunk, sizeof chunk);
        if (n <= 0) {
            closeFd(errors_);
            break;
        }
        errorBuffer_.append(chunk, size_t(n));
    }
    return errorBuffer_;
}

int ChildProcess::waitExit(int timeoutMs) {
    if (exited_) return exitCode_;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exited_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return exitCode_;
        }
        if (remainingMs(deadline) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            exited_ = true;
            exitCode_ = -1;
            return -1;
        }
        // Keep the pipes drained so that the child never blocks on a full pipe.
        fillBuffer(5);
    }
}

Engine::Engine(const std::string& workdir, const std::string& argv0)
    : ChildProcess(enginePath(), {}, workdir, argv0) {
    send("ucci");
    startupLines = readUntil("      move -- ");
}

std::vector<std::string> Engine::command(const std::string& line, const std::string& until,
                                         int timeoutMs) {
    send(line);
    return readUntil(until, timeoutMs);
}

std::vector<std::string> Engine::go(const std::string& line, int timeoutMs) {
    send(line);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    for (;;) {
        auto next = readLine(remainingMs(deadline));
        if (!next) return lines;
        lines.push_back(*next);
        if (startsWith(*next, "bestmove ") || *next == "nobestmove") return lines;
    }
}

std::string enginePath() {
    return programPath("qarn");
}

std::string toolPath(const std::string& name) {
    return programPath(name);
}

namespace {

// Temporary directories live until the test program ends.
std::vector<std::string> tempDirs;

void removeTempDirs() {
    for (const std::string& dir : tempDirs) std::filesystem::remove_all(dir);
}

}  // namespace

std::string makeTempDir() {
    std::string base = QARN_BUILD_DIR "/test-tmp";
    mkdir(base.c_str(), 0755);
    std::string pattern = base + "/XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    if (tempDirs.empty()) std::atexit(removeTempDirs);
    tempDirs.push_back(pattern);
    return pattern;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string gbk(const std::string& utf8) {
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == iconv_t(-1)) throw std::runtime_error("iconv_open GBK");
    std::string input = utf8;
    std::string output(input.size() * 2 + 16, '\0');
    char* in = input.data();
    char* out = output.data();
    size_t inLeft = input.size(), outLeft = output.size();
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == size_t(-1)) {
        iconv_close(converter);
        throw std::runtime_error("iconv: text not representable in GBK");
    }
    iconv_close(converter);
    output.resize(output.size() - outLeft);
    return output;
}

std::string goldenPath(const std::string& name) {
    return QARN_SOURCE_DIR "/tests/golden/" + name;
}

void expectGolden(const std::string& name, const std::string& got) {
    if (std::getenv("QARN_UPDATE_GOLDEN") != nullptr) writeFile(goldenPath(name), got);
    EXPECT_EQ(got, readFile(goldenPath(name))) << "differs from tests/golden/" << name;
}

void expectReplay(const std::string& name,
                  const std::function<std::string(const std::string&)>& answer) {
    std::istringstream lines(readFile(goldenPath(name)));
    std::string got;
    for (std::string line; std::getline(lines, line);) {
        if (startsWith(line, "# ")) got += line + "\n";
        if (startsWith(line, "> ")) got += line + "\n" + answer(line.substr(2));
    }
    expectGolden(name, got);
}
