#include "xboard/protocol.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

// How long an engine may take to answer the handshake, or "stop".
constexpr int ENGINE_ANSWER_MS = 10000;

std::vector<std::string> words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> result;
    std::string word;
    while (stream >> word) result.push_back(word);
    return result;
}

// "5", "0:30" or "1.5" minutes, as level gives its base time.
int minutesToMs(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) return int(std::atof(text.c_str()) * 60000);
    return std::atoi(text.substr(0, colon).c_str()) * 60000 +
           int(std::atof(text.substr(colon + 1).c_str()) * 1000);
}

// The front end's own moves and commands that only ask something of a running search or
// set something for later; any other command ends the search first.
bool leavesSearchRunning(const std::string& command) {
    static const char* const kCommands[] = {
        "?",    "post",   "nopost", "time", "otim",     "hard",     "easy", "computer", "name",
        "draw", "random", "rating", "ics",  "accepted", "rejected", "hint", "bk",       "."};
    for (const char* known : kCommands)
        if (command == known) return true;
    return false;
}

bool isMoveText(const std::string& text) {
    return text.size() == 4 && text[0] >= 'a' && text[0] <= 'i' && text[1] >= '0' &&
           text[1] <= '9' && text[2] >= 'a' && text[2] <= 'i' && text[3] >= '0' && text[3] <= '9';
}

const char* sideName(int side) {
    return side == RED ? "Red" : "Black";
}

// The side to move has no legal move: in Xiangqi it has lost, mated or stalemated.
void claimNoMoveResult(Adapter& adapter) {
    int loser = adapter.game.position.side;
    const char* result = loser == RED ? "0-1" : "1-0";
    if (sideToMoveInCheck(adapter.game))
        sendToFrontEnd(std::string(result) + " {" + sideName(1 - loser) + " mates}");
    else
        sendToFrontEnd(std::string(result) + " {" + sideName(loser) + " is stalemated}");
    adapter.gameOver = true;
}

void engineFailed(Adapter& adapter, const std::string& message) {
    if (adapter.quitRequested) return;
    sendToFrontEnd("tellusererror " + message);
    if (!adapter.gameOver && adapter.engineSide != NO_SIDE) sendToFrontEnd("resign");
    adapter.gameOver = true;
    adapter.searching = false;
    adapter.quitRequested = true;
    adapter.failed = true;
    std::fprintf(stderr, "qarn-xboard: %s\n", message.c_str());
}

// Asks the engine to move now; it then has ENGINE_ANSWER_MS to do so.
void requestStop(Adapter& adapter) {
    if (!adapter.stopSent) sendToEngine(adapter.engine, "stop");
    adapter.stopSent = true;
    adapter.stopAt = Clock::now() + std::chrono::milliseconds(ENGINE_ANSWER_MS);
}

void startSearchIfEngineToMove(Adapter& adapter) {
    if (adapter.gameOver || adapter.searching || adapter.engineSide != adapter.game.position.side)
        return;
    if (legalMoveCount(adapter.game) == 0) {
        claimNoMoveResult(adapter);
        return;
    }
    SearchPlan plan = planSearch(adapter.control, movesMadeBy(adapter.game, adapter.engineSide));
    sendToEngine(adapter.engine, positionCommand(adapter.game));
    sendToEngine(adapter.engine, plan.goCommand);
    adapter.searching = true;
    adapter.stopSent = false;
    adapter.clockAtSearch = adapter.control.engineTimeMs;
    adapter.searchStart = Clock::now();
    adapter.searchMs = -1;
    adapter.stopAt = Clock::now() + std::chrono::milliseconds(plan.stopAfterMs);
}

// "info depth D mdepth M score S [lowerbound|upperbound] time T nodes N pv ..." becomes
// "D S T/10 N pv": centiseconds, mate as 100000 + moves, a bound marked after the line.
void postThinking(const std::vector<std::string>& w) {
    int depth = -1, score = 0;
    long long timeMs = 0, nodes = 0;
    std::string pv;
    char bound = 0;
    for (size_t i = 1; i < w.size(); i++) {
        if (w[i] == "depth" && i + 1 < w.size()) {
            depth = std::atoi(w[++i].c_str());
        } else if (w[i] == "score" && i + 1 < w.size()) {
            if (w[i + 1] == "MATE" && i + 2 < w.size()) {
                int moves = std::atoi(w[i + 2].c_str());
                score = moves >= 0 ? 100000 + moves : -100000 + moves;
                i += 2;
            } else {
                score = std::atoi(w[++i].c_str());
            }
        } else if (w[i] == "lowerbound") {
            bound = '!';
        } else if (w[i] == "upperbound") {
            bound = '?';
        } else if (w[i] == "time" && i + 1 < w.size()) {
            timeMs = std::atoll(w[++i].c_str());
        } else if (w[i] == "nodes" && i + 1 < w.size()) {
            nodes = std::atoll(w[++i].c_str());
        } else if (w[i] == "pv") {
            for (i++; i < w.size(); i++) pv += (pv.empty() ? "" : " ") + w[i];
        }
    }
    // Depth 0 lines list the book's candidates; they are not thinking.
    if (depth <= 0 || pv.empty()) return;
    if (bound != 0) pv += bound;
    std::ostringstream out;
    out << depth << ' ' << score << ' ' << timeMs / 10 << ' ' << nodes << ' ' << pv;
    sendToFrontEnd(out.str());
}

void finishSearch(Adapter& adapter, const std::vector<std::string>& w) {
    adapter.searching = false;
    adapter.searchMs = int(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - adapter.searchStart)
            .count());
    if (w[0] == "nobestmove" || w.size() < 2) {
        if (legalMoveCount(adapter.game) == 0)
            claimNoMoveResult(adapter);
        else
            engineFailed(adapter, "the engine found no move in a position that has one");
        return;
    }
    if (!playGameMove(adapter.game, w[1])) {
        engineFailed(adapter, "the engine played an illegal move: " + w[1]);
        return;
    }
    sendToFrontEnd("move " + w[1]);
    if (legalMoveCount(adapter.game) == 0) claimNoMoveResult(adapter);
}

// Ends a running search whose move is no longer wanted, and waits for its answer so that
// the next search cannot be answered by this one.
void abandonSearch(Adapter& adapter) {
    if (!adapter.searching) return;
    sendToEngine(adapter.engine, "stop");
    std::string line;
    while (waitEngineLine(adapter.engine, line, ENGINE_ANSWER_MS)) {
        if (line.rfind("bestmove", 0) == 0 || line.rfind("nobestmove", 0) == 0) {
            adapter.searching = false;
            return;
        }
    }
    engineFailed(adapter, adapter.engine.ended ? "the engine ended unexpectedly"
                                               : "the engine does not answer stop");
}

void sendFeatures(const Adapter& adapter) {
    std::string name = adapter.engineName;
    for (char& c : name)
        if (c == '"') c = '\'';
    sendToFrontEnd("feature done=0");
    sendToFrontEnd(
        "feature ping=1 setboard=1 playother=1 usermove=1 san=0 time=1 draw=1 sigint=0 "
        "sigterm=0 reuse=1 analyze=0 colors=0 ics=0 name=1 pause=0 nps=0 debug=0 memory=0 "
        "smp=0 exclude=0 setscore=0 highlight=0 variants=\"xiangqi\" myname=\"" +
        name + "\"");
    sendToFrontEnd("feature done=1");
}

void playFrontEndMove(Adapter& adapter, const std::string& move) {
    if (!playGameMove(adapter.game, move)) {
        sendToFrontEnd("Illegal move: " + move);
        return;
    }
    startSearchIfEngineToMove(adapter);
}

void runCommand(Adapter& adapter, const std::string& line, const std::vector<std::string>& w) {
    const std::string& command = w[0];
    std::string argument = w.size() > 1 ? w[1] : "";
    if (command == "protover") {
        sendFeatures(adapter);
    } else if (command == "new") {
        setGameFen(adapter.game, kStartFen);
        adapter.engineSide = BLACK;
        adapter.gameOver = false;
        adapter.control.depthLimit = 0;
        adapter.searchMs = -1;  // the clocks start again
    } else if (command == "variant") {
        if (argument != "xiangqi") sendToFrontEnd("Error (unsupported variant): " + argument);
    } else if (command == "force") {
        adapter.engineSide = NO_SIDE;
    } else if (command == "go") {
        adapter.engineSide = adapter.game.position.side;
        startSearchIfEngineToMove(adapter);
    } else if (command == "playother") {
        adapter.engineSide = 1 - adapter.game.position.side;
    } else if (command == "usermove" && w.size() == 2) {
        playFrontEndMove(adapter, argument);
    } else if (isMoveText(command) && w.size() == 1) {
        playFrontEndMove(adapter, command);
    } else if (command == "setboard") {
        if (setGameFen(adapter.game, line.substr(line.find("setboard") + 9)))
            adapter.gameOver = false;
        else
            sendToFrontEnd("tellusererror Illegal position");
    } else if (command == "undo" || command == "remove") {
        if (!undoGameMoves(adapter.game, command == "undo" ? 1 : 2))
            sendToFrontEnd("Error (command not legal now): " + command);
        else
            adapter.gameOver = false;
    } else if (command == "result") {
        adapter.gameOver = true;
    } else if (command == "quit") {
        adapter.quitRequested = true;
    } else if (command == "ping") {
        sendToFrontEnd("pong " + argument);
    } else if (command == "post" || command == "nopost") {
        adapter.post = command == "post";
    } else if (command == "time") {
        adapter.control.engineTimeMs = std::atoi(argument.c_str()) * 10;
        if (adapter.searchMs >= 0 && adapter.clockAtSearch >= 0)
            noteMoveCharge(
                adapter.control,
                adapter.clockAtSearch + adapter.control.incrementMs - adapter.control.engineTimeMs,
                adapter.searchMs);
        adapter.searchMs = -1;
    } else if (command == "level" && w.size() == 4) {
        adapter.control.movesPerSession = std::atoi(w[1].c_str());
        adapter.control.baseMs = minutesToMs(w[2]);
        adapter.control.incrementMs = int(std::atof(w[3].c_str()) * 1000);
        adapter.control.moveTimeMs = 0;
    } else if (command == "st") {
        adapter.control.moveTimeMs = int(std::atof(argument.c_str()) * 1000);
    } else if (command == "sd") {
        adapter.control.depthLimit = std::atoi(argument.c_str());
    } else if (command == "xboard" || leavesSearchRunning(command) || command == "white" ||
               command == "black") {
        // Nothing to do: no pondering, draw offers are declined by silence, and the
        // opponent's clock and name do not change how the engine plays.
    } else {
        sendToFrontEnd("Error (unknown command): " + command);
    }
}

}  // namespace

void sendToFrontEnd(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

bool connectEngine(Adapter& adapter) {
    if (!startEngine(adapter.engine, adapter.engineCommand)) return false;
    sendToEngine(adapter.engine, "ucci");
    std::string line;
    while (waitEngineLine(adapter.engine, line, ENGINE_ANSWER_MS)) {
        if (line.rfind("id name ", 0) == 0) adapter.engineName = line.substr(8);
        if (line == "ucciok") return true;
    }
    return false;
}

void handleFrontEndLine(Adapter& adapter, const std::string& line) {
    std::vector<std::string> w = words(line);
    if (w.empty() || adapter.quitRequested) return;
    if (adapter.searching) {
        if (w[0] == "?") {
            requestStop(adapter);
            return;
        }
        if (!adapter.heldLines.empty() || w[0] == "ping") {
            adapter.heldLines.push_back(line);
            return;
        }
        if (!leavesSearchRunning(w[0])) abandonSearch(adapter);
        if (adapter.quitRequested) return;
    }
    runCommand(adapter, line, w);
}

void handleEngineLine(Adapter& adapter, const std::string& line) {
    std::vector<std::string> w = words(line);
    if (w.empty() || !adapter.searching) return;
    if (w[0] == "info") {
        if (adapter.post) postThinking(w);
        return;
    }
    if (w[0] != "bestmove" && w[0] != "nobestmove") return;
    finishSearch(adapter, w);
    while (!adapter.searching && !adapter.heldLines.empty() && !adapter.quitRequested) {
        std::string held = adapter.heldLines.front();
        adapter.heldLines.pop_front();
        handleFrontEndLine(adapter, held);
    }
}

void handleEngineEnd(Adapter& adapter) {
    engineFailed(adapter, "the engine ended unexpectedly");
}

void checkSearchTime(Adapter& adapter) {
    if (!adapter.searching || Clock::now() < adapter.stopAt) return;
    if (adapter.stopSent) {
        engineFailed(adapter, "the engine does not answer stop");
        return;
    }
    requestStop(adapter);
}

int msUntilStop(const Adapter& adapter) {
    if (!adapter.searching) return -1;
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(adapter.stopAt - Clock::now());
    return left.count() < 0 ? 0 : int(left.count());
}
