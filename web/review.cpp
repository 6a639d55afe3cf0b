// The review of a game in the worker, with the library of tools/review: the same searches,
// marks, summaries and graph as qarn-review. The worker's script runs it one position at a
// time (qarn_review_step), so that messages are handled between two searches; it starts a
// review only while the engine waits for input, and holds back the engine's input until
// the review has ended, so that the engine's own search and the review's never share the
// search's global state. The engine's search state is given back at the end, its table
// cleared as at its start.
#include "review/review.h"

#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/fens.h"
#include "games/notation.h"
#include "games/replay.h"
#include "json.h"
#include "moves.h"
#include "position/movegen.h"
#include "review/analysis.h"
#include "review/annotate.h"
#include "review/graph.h"
#include "search/progress.h"
#include "search/tt.h"

namespace {

// The review under way, and what it took from the engine.
struct WebReview {
    bool running = false;
    ReviewLine line;
    SearchSettings settings;
    std::string title;
    std::vector<PositionAnalysis> positions;
    SearchLimits limits;
    SearchProgress progress;
    SearchStats stats;
};

WebReview review;
Position reviewPosition;
std::string reply;

const char* sideName(int side) {
    return side == RED ? "red" : "black";
}

const char* markKind(Mark mark) {
    constexpr const char* kKinds[] = {"none", "inaccuracy", "mistake", "blunder"};
    return kKinds[int(mark)];
}

void appendNumber(std::string& out, const char* name, double value) {
    char text[48];
    std::snprintf(text, sizeof text, "\"%s\":%.4f,", name, value);
    out += text;
}

// The engine's line from the position before ply `ply`, as far as its moves are legal.
void appendBetterLine(std::string& out, size_t ply, const PositionAnalysis& before) {
    setupPly(review.line, ply, reviewPosition);
    out += "\"better\":{";
    appendField(out, "move", ucciMoveText(before.best));
    out += "\"line\":[";
    for (size_t i = 0; i < before.pv.size() && isFullyLegal(before.pv[i], reviewPosition); i++) {
        // Each move of the line as the game call gives it.
        out += i > 0 ? ",{" : "{";
        appendMoveFields(out, reviewPosition, before.pv[i]);
        out.back() = '}';
        playMove(reviewPosition, before.pv[i]);
    }
    out += "]},";
}

void appendSide(std::string& out, const char* name, const SideSummary& side) {
    out += '"';
    out += name;
    out += "\":{\"moves\":" + std::to_string(side.moves) +
           ",\"inaccuracies\":" + std::to_string(side.inaccuracies) +
           ",\"mistakes\":" + std::to_string(side.mistakes) +
           ",\"blunders\":" + std::to_string(side.blunders) + ',';
    appendNumber(out, "averageLoss", side.averageLoss());
    appendNumber(out, "accuracy", side.accuracy());
    out.back() = '}';
    out += ',';
}

// The position's eval text and red's winning chance; a position without a legal move has
// no eval text, as in the annotated PGN.
void appendPositionFields(std::string& out, const PositionAnalysis& analysis, int sideToMove) {
    if (analysis.terminal) {
        out += "\"eval\":null,";
    } else {
        appendField(out, "eval", evalText(analysis, sideToMove));
    }
    appendNumber(out, "win", redWinChance(analysis, sideToMove));
}

std::string resultJson() {
    const ReviewLine& line = review.line;
    const std::vector<PositionAnalysis>& positions = review.positions;
    GameReview judged = judgeLine(line, positions);
    std::string out = "{\"depth\":" + std::to_string(review.settings.depth) + ",\"start\":{";
    appendPositionFields(out, positions[0], line.startSide);
    out.back() = '}';
    out += ",\"plies\":[";
    for (size_t ply = 0; ply < line.moves.size(); ply++) {
        const MoveReview& move = judged.moves[ply];
        out += ply > 0 ? ",{" : "{";
        appendField(out, "move", ucciMoveText(line.moves[ply]));
        appendField(out, "side", sideName(move.side));
        appendPositionFields(out, positions[ply + 1], move.side ^ 1);
        appendField(out, "mark", markKind(move.mark));
        out += "\"nag\":" + std::to_string(markNag(move.mark)) + ',';
        out += "\"before\":" + std::to_string(move.before) +
               ",\"after\":" + std::to_string(move.after) + ',';
        if (move.mark != Mark::None) appendBetterLine(out, ply, positions[ply]);
        out.back() = '}';
    }
    out += "],\"sides\":{";
    appendSide(out, "red", judged.sides[RED]);
    appendSide(out, "black", judged.sides[BLACK]);
    out.back() = '}';
    out += ',';
    appendField(out, "svg",
                reviewGraphSvg(line, positions, judged, lineMoveTexts(line, Notation::Chinese),
                               review.title));
    out.back() = '}';
    return out;
}

// Gives the engine back its search state, with the table the review filled cleared.
void endReview() {
    ttClear();
    searchLimits = review.limits;
    searchProgress = review.progress;
    searchStats = review.stats;
    review = WebReview();
}

std::string errorJson(const std::string& error) {
    std::string out = "{";
    appendField(out, "error", error);
    out.back() = '}';
    return out;
}

}  // namespace

// Starts the review of the game from `fen` (the start position when empty) through `moves`
// (UCCI texts separated by blanks), each position searched to `depth`; `title` (UTF-8)
// heads the graph. Answers {positions} (the number of steps) or {error}.
extern "C" EMSCRIPTEN_KEEPALIVE const char* qarn_review_start(const char* fen, const char* moves,
                                                              int depth, const char* title) {
    if (review.running) return (reply = errorJson("a review is running")).c_str();
    // Before the engine has read ucci, nothing is built yet.
    if (transpositionTable.entries == nullptr) prepareAnalysis();
    GameRecord game;
    game.hasFen = true;
    game.fen = fen[0] != '\0' ? fen : kStartFen;
    for (const std::string& word : moveWords(moves)) {
        uint32_t packed = word.size() == 4 ? packMoveText(word.c_str()) : 0;
        game.moves.push_back({packed, 0, word});
    }
    ReviewLine line = prepareLine(game);
    if (!line.playable) return (reply = errorJson("not a legal position")).c_str();
    if (line.moves.size() < game.moves.size()) {
        size_t bad = line.moves.size();
        return (reply = errorJson(illegalMoveError(bad, game.moves[bad].written))).c_str();
    }
    review.running = true;
    review.line = std::move(line);
    review.settings.depth = depth;
    review.title = title;
    review.limits = searchLimits;
    review.progress = searchProgress;
    review.stats = searchStats;
    reply = "{\"positions\":" + std::to_string(review.line.moves.size() + 1) + '}';
    return reply.c_str();
}

// Searches the review's next position; answers how many have been searched.
extern "C" EMSCRIPTEN_KEEPALIVE int qarn_review_step() {
    if (!review.running) return 0;
    size_t ply = review.positions.size();
    if (ply <= review.line.moves.size()) {
        setupPly(review.line, ply, reviewPosition);
        review.positions.push_back(analysePosition(reviewPosition, review.settings));
    }
    return int(review.positions.size());
}

// Once every position is searched: the review's result (docs/web.md gives its fields),
// and the engine's search state given back.
extern "C" EMSCRIPTEN_KEEPALIVE const char* qarn_review_finish() {
    if (!review.running || review.positions.size() != review.line.moves.size() + 1)
        return (reply = errorJson("the review is not finished")).c_str();
    reply = resultJson();
    endReview();
    return reply.c_str();
}

// Drops the review under way and gives the engine back its search state.
extern "C" EMSCRIPTEN_KEEPALIVE void qarn_review_cancel() {
    if (review.running) endReview();
}
