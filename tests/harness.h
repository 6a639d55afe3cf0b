// Drives a program (the built engine or a tool) as a child process over pipes, with a
// timeout on every read, so that no test can hang on it; and the files the tests share.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // Starts `path` with `args` in `workdir` (or here), its argv[0] being argv0 (or `path`).
    ChildProcess(const std::string& path, const std::vector<std::string>& args = {},
                 const std::string& workdir = "", const std::string& argv0 = "") {
        spawn(path, args, workdir, argv0);
    }
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void send(const std::string& line) { sendRaw(line + "\n"); }
    void sendRaw(const std::string& bytes);
    void closeInput();

    // The next output line without its line feed, or nothing after timeoutMs or at the end.
    std::optional<std::string> readLine(int timeoutMs = 10000);
    // Lines up to and including the first that starts with `prefix`; empty on a timeout.
    std::vector<std::string> readUntil(const std::string& prefix, int timeoutMs = 10000);
    // Every byte of standard output until the process closes it (or the timeout).
    std::string readRest(int timeoutMs = 10000);
    // Whatever the process wrote to standard error until it closes it (or the timeout).
    std::string readErrors(int timeoutMs = 2000);

    int outputFd() const { return output_; }

    // The exit code, or -1 after the timeout (the process is then killed), or 128 + signal.
    int waitExit(int timeoutMs = 10000);

protected:
    // Lines up to the first that starts with one of `last`, or those read before a timeout.
    std::vector<std::string> readLines(const std::vector<std::string>& last, int timeoutMs);

private:
    void spawn(const std::string& path, const std::vector<std::string>& args,
               const std::string& workdir, const std::string& argv0);

    pid_t pid_ = -1;
    int input_ = -1, output_ = -1, errors_ = -1;
    std::string buffer_, errorBuffer_;
    int exitCode_ = -2;  // while the process runs
};

// The engine, with the handshake done: the id block and the two console lines read.
class Engine : public ChildProcess {
public:
    explicit Engine(const std::string& workdir = "", const std::string& argv0 = "");
    // The lines the engine printed before and including "ucciok" and the console lines.
    std::vector<std::string> startupLines;
    // Sends the command and returns the lines up to the first one starting with `until`.
    std::vector<std::string> command(const std::string& line, const std::string& until) {
        send(line);
        return readUntil(until, 30000);
    }
    // Sends the command and returns the lines up to and including bestmove or nobestmove.
    std::vector<std::string> go(const std::string& line, int timeoutMs = 60000) {
        send(line);
        return readLines({"bestmove ", "nobestmove"}, timeoutMs);
    }
};

// Runs the program to its end: its output, then "stderr: " and its errors, then "exit N".
std::string runProgram(const std::string& path, const std::vector<std::string>& args,
                       int timeoutMs = 10000);
// The text with the clock's figures (after time, time_ms, nps and cpuload) shown as "*".
std::string maskClock(const std::string& text);

// Started as this path, the engine finds no book.
inline constexpr char kNoBook[] = "/nonexistent/qarn";

// Paths of the built programs (QARN_RUNNER, such as wine, QARN_BIN_DIR and QARN_EXE_SUFFIX
// point the tests at another build, such as the Windows one).
std::string toolPath(const std::string& name);
inline std::string enginePath() {
    return toolPath("qarn");
}
// A fresh empty directory under the build's temporary area.
std::string makeTempDir();
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool startsWith(const std::string& text, const std::string& prefix);
// The GBK bytes of a UTF-8 text, so that tests state the engine's Chinese texts readably.
std::string gbk(const std::string& utf8);

// Expected outputs kept in tests/golden. QARN_UPDATE_GOLDEN=1 rewrites a file from what
// the test got instead of comparing (then review the diff before committing it).
std::string goldenPath(const std::string& name);
void expectGolden(const std::string& name, const std::string& got);
// For golden files that hold their own input: each line starting with "> " is kept and
// followed by answer(its text), comments ("# ") are kept; the result must equal the file.
void expectReplay(const std::string& name,
                  const std::function<std::string(const std::string&)>& answer);
