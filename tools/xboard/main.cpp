// qarn-xboard: lets XBoard (the xboard protocol, CECP version 2) play a UCCI engine.
//   qarn-xboard [ENGINE [ARGUMENT...]]
// ENGINE defaults to qarn in the adapter's own directory.
#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/init.h"
#include "xboard/protocol.h"

namespace {

constexpr char kUsage[] =
    "usage: qarn-xboard [ENGINE [ARGUMENT...]]\n"
    "  Plays a UCCI engine (by default qarn, next to qarn-xboard) for an xboard-protocol\n"
    "  front end, e.g.: xboard -variant xiangqi -fcp /path/to/qarn-xboard -fd /path/to\n";

std::string ownDirectory() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string self(path, size_t(length));
    return self.substr(0, self.rfind('/'));
}

// Reads what the front end has written and hands over its complete lines; false at the
// end of the input.
bool readFrontEnd(Adapter& adapter, std::string& partial) {
    char buffer[4096];
    ssize_t n = read(0, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    partial.append(buffer, size_t(n));
    size_t start = 0, end;
    while ((end = partial.find('\n', start)) != std::string::npos && !adapter.quitRequested) {
        std::string line = partial.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        handleFrontEndLine(adapter, line);
    }
    partial.erase(0, start);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Adapter adapter;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (adapter.engineCommand.empty() && argv[i][0] == '-') {
            std::fprintf(stderr, "qarn-xboard: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
        adapter.engineCommand.push_back(argv[i]);
    }
    if (adapter.engineCommand.empty()) adapter.engineCommand.push_back(ownDirectory() + "/qarn");
    if (access(adapter.engineCommand[0].c_str(), X_OK) != 0) {
        std::fprintf(stderr, "qarn-xboard: cannot run the engine %s\n",
                     adapter.engineCommand[0].c_str());
        return 1;
    }

    initTables();
    setGameFen(adapter.game, kStartFen);
    if (!connectEngine(adapter)) {
        std::fprintf(stderr, "qarn-xboard: the engine %s did not complete the UCCI handshake\n",
                     adapter.engineCommand[0].c_str());
        sendToFrontEnd("tellusererror the engine did not start");
        stopEngine(adapter.engine);
        return 1;
    }

    std::string partial;
    while (!adapter.quitRequested) {
        pollfd fds[2] = {{0, POLLIN, 0}, {adapter.engine.output, POLLIN, 0}};
        if (adapter.engine.lines.empty()) {
            int ready = poll(fds, 2, msUntilStop(adapter));
            if (ready < 0 && errno != EINTR) break;
            if (fds[1].revents != 0) readEngineLines(adapter.engine);
        }
        while (!adapter.engine.lines.empty() && !adapter.quitRequested) {
            std::string line = adapter.engine.lines.front();
            adapter.engine.lines.pop_front();
            handleEngineLine(adapter, line);
        }
        if (adapter.engine.ended && !adapter.quitRequested) handleEngineEnd(adapter);
        checkSearchTime(adapter);
        if (fds[0].revents != 0 && !adapter.quitRequested && !readFrontEnd(adapter, partial)) break;
    }
    stopEngine(adapter.engine);
    return adapter.failed ? 1 : 0;
}
