#include "harness.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <utility>

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

// Appends what the pipe holds within the timeout; false on a timeout or at its end (closed).
bool fill(int& fd, std::string& into, int timeoutMs) {
    pollfd fds{fd, POLLIN, 0};
    if (fd < 0 || poll(&fds, 1, timeoutMs) <= 0) return false;
    char chunk[65536];
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) closeFd(fd);
    if (n > 0) into.append(chunk, size_t(n));
    return n > 0;
}

// Temporary directories live until the test program ends.
struct TempDirs {
    std::vector<std::string> paths;
    ~TempDirs() {
        for (const std::string& dir : paths) std::filesystem::remove_all(dir);
    }
} tempDirs;

}  // namespace

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
    for (int fd : {in[0], out[1], err[1]}) close(fd);
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
}

ChildProcess::~ChildProcess() {
    closeFd(input_);
    waitExit(2000);
    closeFd(output_);
    closeFd(errors_);
}

void ChildProcess::sendRaw(const std::string& bytes) {
    // A failed write means that the child has gone; the test will see it in the output.
    for (ssize_t n = 0, done = 0; input_ >= 0 && n >= 0 && size_t(done) < bytes.size(); done += n)
        n = write(input_, bytes.data() + done, bytes.size() - done);
}

void ChildProcess::closeInput() {
    closeFd(input_);
}

std::optional<std::string> ChildProcess::readLine(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (buffer_.find('\n') == std::string::npos)
        if (!fill(output_, buffer_, remainingMs(deadline)) &&
            (output_ < 0 || remainingMs(deadline) == 0))
            return std::nullopt;
    std::string line = buffer_.substr(0, buffer_.find('\n'));
    buffer_.erase(0, line.size() + 1);
    return line;
}

std::vector<std::string> ChildProcess::readUntil(const std::string& prefix, int timeoutMs) {
    std::vector<std::string> lines = readLines({prefix}, timeoutMs);
    return lines.empty() || !startsWith(lines.back(), prefix) ? std::vector<std::string>{} : lines;
}

std::vector<std::string> ChildProcess::readLines(const std::vector<std::string>& last,
                                                 int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    while (auto line = readLine(remainingMs(deadline))) {
        lines.push_back(*line);
        for (const std::string& prefix : last)
            if (startsWith(*line, prefix)) return lines;
    }
    return lines;
}

std::string ChildProcess::readRest(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (output_ >= 0 && remainingMs(deadline) > 0) fill(output_, buffer_, remainingMs(deadline));
    return std::exchange(buffer_, {});
}

std::string ChildProcess::readErrors(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fill(errors_, errorBuffer_, remainingMs(deadline))) continue;
    return errorBuffer_;
}

int ChildProcess::waitExit(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (int status = 0; exitCode_ == -2;) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (remainingMs(deadline) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            exitCode_ = -1;
        } else {
            fill(output_, buffer_, 5);  // drained, so that the child never blocks on the pipe
        }
    }
    return exitCode_;
}

Engine::Engine(const std::string& workdir, const std::string& argv0)
    : ChildProcess(enginePath(), {}, workdir, argv0) {
    send("ucci");
    startupLines = readUntil("      move -- ");
}

std::string runProgram(const std::string& path, const std::vector<std::string>& args,
                       int timeoutMs) {
    ChildProcess program(path, args);
    std::string out = program.readRest(timeoutMs);
    out += "stderr: " + program.readErrors();
    return out + "exit " + std::to_string(program.waitExit()) + "\n";
}

std::string maskClock(const std::string& text) {
    static const std::regex figures(R"(\b(time_ms|time|nps|cpuload) \d+)");
    return std::regex_replace(text, figures, "$1 *");
}

std::string toolPath(const std::string& name) {
    return environmentOr("QARN_BIN_DIR", QARN_BUILD_DIR) + "/" + name +
           environmentOr("QARN_EXE_SUFFIX", "");
}

std::string makeTempDir() {
    std::string pattern = QARN_BUILD_DIR "/test-tmp/XXXXXX";
    std::filesystem::create_directories(QARN_BUILD_DIR "/test-tmp");
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    tempDirs.paths.push_back(pattern);
    return pattern;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string gbk(const std::string& utf8) {
    iconv_t converter = iconv_open("GBK", "UTF-8");
    std::string input = utf8, output(utf8.size() * 2, '\0');
    char *in = input.data(), *out = output.data();
    size_t inLeft = input.size(), outLeft = output.size();
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == size_t(-1))
        throw std::runtime_error("text not representable in GBK");
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
