#include "review/session.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>

#include "games/fileio.h"
#include "games/inputs.h"
#include "games/textgames.h"
#include "review/graph.h"
#include "review/html.h"
#include "review/pool.h"
#include "review/recode.h"

namespace {

// A game whose positions are being analysed.
struct PendingGame {
    int number;
    GameRecord record;
    std::shared_ptr<const ReviewLine> line;
    uint64_t firstJob;
    std::vector<PositionAnalysis> positions;
    size_t missing;
};

// The progress line on a terminal: games, positions a second and the time left, from a
// count of the inputs' positions made before the review.
struct Progress {
    bool shown = isatty(STDERR_FILENO) != 0;
    bool drawn = false;
    int64_t totalGames = 0, totalPositions = 0, doneGames = 0, donePositions = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now(), last;

    // Redrawn at most ten times a second.
    void draw() {
        if (!shown) return;
        auto now = std::chrono::steady_clock::now();
        if (drawn && now - last < std::chrono::milliseconds(100)) return;
        last = now;
        drawn = true;
        double seconds = std::chrono::duration<double>(now - start).count();
        double rate = seconds > 0 ? double(donePositions) / seconds : 0;
        long left = rate > 0 ? long(double(totalPositions - donePositions) / rate) : 0;
        std::fprintf(stderr,
                     "\r\033[Kqarn-review: game %lld of %lld, %.1f positions/s, %ld:%02ld left",
                     (long long)std::min(doneGames + 1, totalGames), (long long)totalGames, rate,
                     left / 60, left % 60);
        std::fflush(stderr);
    }

    void clear() {
        if (!drawn) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        drawn = false;
    }
};

class ReviewSession {
public:
    explicit ReviewSession(const ReviewOptions& options) : options_(options) {}
    int run();

private:
    bool readInput(const InputFile& file, std::string& bytes);
    // Hands the games of one input to `take`, with their numbers in the file and over all
    // inputs; false when the file cannot be read.
    bool forEachGame(const InputFile& file,
                     const std::function<void(int, int, const GameRecord&)>& take);
    void takeGame(const std::string& path, int numberInFile, int number, const GameRecord& record);
    bool waitForResult();
    void finishGame(PendingGame& game);
    // A game's graph and page: numbered when the run reviews several games, which is known
    // once a second game is done; `numbered` 0 writes the files as named.
    void takeGameFiles(int number, const std::string& svg, const std::string& html);
    void writeGameFiles(int numbered, const std::string& svg, const std::string& html);
    bool writeFile(const std::string& path, const std::string& bytes);
    void fail(const std::string& message);

    const ReviewOptions& options_;
    AnalysisPool pool_;
    std::deque<PendingGame> inFlight_;
    size_t maxInFlight_ = 2;
    uint64_t nextJob_ = 0;
    int gamesSeen_ = 0;
    int gamesWritten_ = 0;
    bool damaged_ = false;
    bool failed_ = false;
    FILE* out_ = stdout;
    std::string stdinBytes_;
    bool stdinRead_ = false;
    // The first game's graph and page wait until a second game shows that the files are
    // numbered.
    bool held_ = false;
    std::string heldSvg_, heldHtml_;
    int heldNumber_ = 0;
    Progress progress_;
};

void ReviewSession::fail(const std::string& message) {
    progress_.clear();
    std::fprintf(stderr, "qarn-review: %s\n", message.c_str());
    failed_ = true;
}

bool ReviewSession::readInput(const InputFile& file, std::string& bytes) {
    if (file.path != "-" || file.inFolder) {
        std::string error;
        if (readWholeFile(file.path, bytes, error)) return true;
        fail(error);
        return false;
    }
    if (!stdinRead_) {
        stdinBytes_.assign(std::istreambuf_iterator<char>(std::cin), {});
        stdinRead_ = true;
    }
    bytes = stdinBytes_;
    return true;
}

bool ReviewSession::forEachGame(const InputFile& file,
                                const std::function<void(int, int, const GameRecord&)>& take) {
    std::string bytes;
    if (!readInput(file, bytes)) return false;
    int numberInFile = 0;
    readGameFile(file, bytes, [&](const GameRecord& record) {
        // Of a game tree, the main line only.
        if (record.variation > 0) return;
        numberInFile++;
        take(numberInFile, ++gamesSeen_, record);
    });
    return true;
}

void ReviewSession::takeGame(const std::string& path, int numberInFile, int number,
                             const GameRecord& record) {
    if (failed_ || (options_.gameNumber != 0 && number != options_.gameNumber)) return;
    auto line = std::make_shared<ReviewLine>(prepareLine(record));
    if (!line->damage.empty()) {
        progress_.clear();
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), numberInFile, line->damage.c_str());
        damaged_ = true;
    }
    // The count behind the progress line took every move read as playable.
    size_t positions = line->playable ? line->moves.size() + 1 : 0;
    progress_.totalPositions += int64_t(positions) - int64_t(record.moves.size() + 1);
    if (positions == 0) return;
    inFlight_.push_back(
        {number, record, line, nextJob_, std::vector<PositionAnalysis>(positions), positions});
    for (size_t ply = 0; ply < positions; ply++) pool_.submit({nextJob_++, line, ply});
    while (inFlight_.size() > maxInFlight_ && !failed_) waitForResult();
}

bool ReviewSession::waitForResult() {
    AnalysisResult result;
    std::string error;
    if (!pool_.next(result, error)) {
        fail(error.empty() ? "no analysis came back" : error);
        return false;
    }
    for (PendingGame& game : inFlight_) {
        if (result.id < game.firstJob || result.id >= game.firstJob + game.positions.size())
            continue;
        game.positions[result.id - game.firstJob] = std::move(result.analysis);
        game.missing--;
    }
    progress_.donePositions++;
    while (!inFlight_.empty() && inFlight_.front().missing == 0) {
        finishGame(inFlight_.front());
        inFlight_.pop_front();
        progress_.doneGames++;
    }
    progress_.draw();
    return true;
}

void ReviewSession::finishGame(PendingGame& game) {
    const ReviewLine& line = *game.line;
    GameReview review = judgeLine(line, game.positions);
    std::string pgn = annotatedPgn(game.record, line, game.positions, review, options_.annotation);
    if (std::fwrite(pgn.data(), 1, pgn.size(), out_) != pgn.size() || std::fflush(out_) != 0) {
        fail("cannot write the PGN");
        return;
    }
    gamesWritten_++;
    if (options_.svgPath.empty() && options_.htmlPath.empty()) return;
    // The title: the players and the event, as the tags give them.
    std::string red, black, event;
    for (const GameTag& tag : game.record.tags) {
        std::string value = recodeText(tag.value, game.record.encoding, TextEncoding::Utf8);
        if (tag.name == "Red") red = value;
        if (tag.name == "Black") black = value;
        if (tag.name == "Event") event = value;
    }
    std::string title = "Game " + std::to_string(game.number);
    if (!red.empty() || !black.empty()) title += ": " + red + " - " + black;
    if (!event.empty()) title += ", " + event;
    const Notation notation = options_.annotation.notation;
    std::string svg =
        reviewGraphSvg(line, game.positions, review, lineMoveTexts(line, notation), title);
    std::string html = options_.htmlPath.empty()
                           ? ""
                           : reviewHtml(title, line, game.positions, review, notation, svg);
    takeGameFiles(game.number, svg, html);
}

bool ReviewSession::writeFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr) ok &= std::fclose(file) == 0;
    if (!ok) fail("cannot write " + path);
    return ok;
}

void ReviewSession::writeGameFiles(int numbered, const std::string& svg, const std::string& html) {
    for (const auto& [path, bytes] :
         {std::pair(options_.svgPath, svg), std::pair(options_.htmlPath, html)}) {
        if (!path.empty()) writeFile(numbered > 0 ? numberedPath(path, numbered) : path, bytes);
    }
}

void ReviewSession::takeGameFiles(int number, const std::string& svg, const std::string& html) {
    if (options_.typedLine || options_.gameNumber != 0) {
        writeGameFiles(0, svg, html);
    } else if (gamesWritten_ == 1) {
        held_ = true;
        heldSvg_ = svg;
        heldHtml_ = html;
        heldNumber_ = number;
    } else {
        if (held_) writeGameFiles(heldNumber_, heldSvg_, heldHtml_);
        held_ = false;
        writeGameFiles(number, svg, html);
    }
}

int ReviewSession::run() {
    std::vector<InputFile> files;
    std::string error;
    for (const std::string& input :
         options_.typedLine ? std::vector<std::string>() : options_.inputs) {
        if (input == "-") {
            files.push_back({input, false});
        } else if (!listInputFiles({input}, files, error)) {
            std::fprintf(stderr, "qarn-review: %s\n", error.c_str());
            return 2;
        }
    }
    if (!options_.outputPath.empty()) {
        out_ = std::fopen(options_.outputPath.c_str(), "wb");
        if (out_ == nullptr) {
            std::fprintf(stderr, "qarn-review: cannot write %s\n", options_.outputPath.c_str());
            return 2;
        }
    }
    if (!pool_.start(options_.processes, options_.search, error)) {
        std::fprintf(stderr, "qarn-review: %s\n", error.c_str());
        return 2;
    }
    maxInFlight_ = size_t(std::max(2, options_.processes + 1));
    if (options_.typedLine) {
        readTextGames(options_.typedText, [&](const GameRecord& record) {
            takeGame("--moves", 1, ++gamesSeen_, record);
        });
    } else {
        // The count behind the progress line: every game's positions, as read.
        if (progress_.shown) {
            for (const InputFile& file : files) {
                forEachGame(file, [&](int, int number, const GameRecord& record) {
                    if (options_.gameNumber != 0 && number != options_.gameNumber) return;
                    progress_.totalGames++;
                    progress_.totalPositions += int64_t(record.moves.size()) + 1;
                });
            }
            gamesSeen_ = 0;
        }
        for (const InputFile& file : files) {
            if (failed_ || (options_.gameNumber != 0 && gamesSeen_ >= options_.gameNumber)) break;
            forEachGame(file, [&](int numberInFile, int number, const GameRecord& record) {
                takeGame(file.path, numberInFile, number, record);
            });
        }
    }
    while (!inFlight_.empty() && !failed_) waitForResult();
    if (held_ && !failed_) writeGameFiles(0, heldSvg_, heldHtml_);
    progress_.clear();
    if (out_ != stdout && std::fclose(out_) != 0) fail("cannot write " + options_.outputPath);
    if (failed_) return 2;
    if (options_.gameNumber > gamesSeen_) {
        std::fprintf(stderr, "qarn-review: the inputs hold %d games, not %d\n", gamesSeen_,
                     options_.gameNumber);
        return 2;
    }
    return damaged_ ? 1 : 0;
}

}  // namespace

std::string numberedPath(const std::string& path, int number) {
    size_t name = path.rfind('/'), dot = path.rfind('.');
    bool extension = dot != std::string::npos && (name == std::string::npos || dot > name + 1);
    size_t at = extension ? dot : path.size();
    return path.substr(0, at) + "-" + std::to_string(number) + path.substr(at);
}

int runReview(const ReviewOptions& options) {
    return ReviewSession(options).run();
}
