#include "review/annotate.h"

#include <cstdio>
#include <memory>

#include "base/fens.h"
#include "engine/reports.h"
#include "games/pgn.h"
#include "games/replay.h"
#include "position/movegen.h"
#include "review/recode.h"
#include "search/score.h"

namespace {

// Movetext lines are cut where a token would reach this column.
constexpr size_t kLineWidth = 80;

// The columns a UTF-8 text takes: one per ASCII character, two per other (Chinese ones are
// wide).
size_t displayWidth(const std::string& text) {
    size_t width = 0;
    for (char c : text) {
        if ((uint8_t(c) & 0xC0) != 0x80) width += uint8_t(c) < 0x80 ? 1 : 2;
    }
    return width;
}

// Movetext in lines of whole tokens.
struct Movetext {
    std::string text;
    size_t lineWidth = 0;

    void add(const std::string& token) {
        size_t width = displayWidth(token);
        if (lineWidth > 0) {
            bool fits = lineWidth + 1 + width < kLineWidth;
            text += fits ? ' ' : '\n';
            lineWidth = fits ? lineWidth + 1 : 0;
        }
        text += token;
        lineWidth += width;
    }

    // A comment, cut between words; its eval stays whole, and braces in its text (from a
    // damaged file's move) are left out.
    void addComment(const std::string& comment) {
        std::vector<std::string> words(1);
        for (char c : comment) {
            if (c == ' ' && !words.back().empty()) words.emplace_back();
            if (c != ' ' && c != '{' && c != '}') words.back() += c;
        }
        if (words.back().empty()) words.pop_back();
        if (words.size() >= 2 && words[0] == "[%eval") {
            words[0] += " " + words[1];
            words.erase(words.begin() + 1);
        }
        for (size_t i = 0; i < words.size(); i++)
            add((i == 0 ? "{" : "") + words[i] + (i + 1 == words.size() ? "}" : ""));
    }
};

const char* notationName(Notation notation) {
    return notation == Notation::Chinese ? "Chinese" : notation == Notation::Wxf ? "WXF" : "ICCS";
}

// A tag pair, its value between quotes with '"' and '\' escaped.
std::string tagPair(const std::string& name, const std::string& value) {
    std::string text = "[" + name + " \"";
    for (char c : value) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
    }
    return text + "\"]\n";
}

std::string plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string sideSummaryText(const char* name, const SideSummary& side) {
    if (side.moves == 0) return std::string(name) + ": no moves.";
    char figures[64];
    std::snprintf(figures, sizeof figures, "average loss %.1f, accuracy %.1f", side.averageLoss(),
                  side.accuracy());
    return std::string(name) + ": " + plural(side.inaccuracies, "inaccuracy", "inaccuracies") +
           ", " + plural(side.mistakes, "mistake", "mistakes") + ", " +
           plural(side.blunders, "blunder", "blunders") + ", " + figures + ".";
}

// The move number before a move: "12." for red, "12..." for black where one is due.
std::string moveNumber(int ply, int startSide, bool blackNeedsNumber) {
    int number = moveNumberAt(size_t(ply), startSide);
    bool red = (ply + startSide) % 2 == 0;
    if (red) return std::to_string(number) + ".";
    return blackNeedsNumber ? std::to_string(number) + "..." : "";
}

// The engine's line from the position as a variation's tokens: its legal moves, each with
// its move number where one is due, in brackets.
std::vector<std::string> variation(const Position& before, const std::vector<Move>& pv, int ply,
                                   int startSide, Notation notation) {
    auto pos = std::make_unique<Position>(before);
    std::vector<std::string> tokens;
    for (size_t i = 0; i < pv.size() && isFullyLegal(pv[i], *pos); i++) {
        std::string token(i == 0 ? "(" : "");
        token += moveNumber(ply + int(i), startSide, i == 0);
        if (token.size() > 1) token += ' ';
        tokens.push_back(token + moveTextIn(notation, *pos, pv[i]));
        playMove(*pos, pv[i]);
    }
    if (!tokens.empty()) tokens.back() += ')';
    return tokens;
}

}  // namespace

std::string evalText(const PositionAnalysis& analysis, int sideToMove) {
    // Moves to mate as the engine reports them (MATE n), turned to red's view.
    int mate = mateDistance(analysis.score);
    int sign = sideToMove == RED ? 1 : -1;
    char text[32];
    if (mate != 0) {
        std::snprintf(text, sizeof text, "#%d", sign * mate);
    } else {
        std::snprintf(text, sizeof text, "%.2f", sign * analysis.score / 100.0);
    }
    return text;
}

std::string annotatedPgn(const GameRecord& game, const ReviewLine& line,
                         const std::vector<PositionAnalysis>& positions, const GameReview& review,
                         const AnnotationSettings& settings) {
    // The text is made in UTF-8, then converted as a whole.
    std::string text;
    bool hasFen = false, hasResult = false;
    for (const GameTag& tag : game.tags) {
        if (tag.name == "Annotator" || tag.name == "Format") continue;
        hasFen |= tag.name == "FEN";
        hasResult |= tag.name == "Result";
        text += tagPair(recodeText(tag.name, game.encoding, TextEncoding::Utf8),
                        recodeText(tag.value, game.encoding, TextEncoding::Utf8));
    }
    if (!hasFen && line.fen != kStartFen) text += tagPair("FEN", line.fen);
    if (!hasResult) text += tagPair("Result", resultToken(game.result));
    text += tagPair("Annotator", settings.annotator);
    text += tagPair("Format", notationName(settings.notation)) + "\n";

    Movetext movetext;
    movetext.addComment(sideSummaryText("Red", review.sides[RED]) + " " +
                        sideSummaryText("Black", review.sides[BLACK]));
    auto pos = std::make_unique<Position>();
    setupCheckedFen(*pos, line.fen.c_str());
    bool numberDue = true;
    for (size_t ply = 0; ply < line.moves.size(); ply++) {
        const Move move = line.moves[ply];
        const MoveReview& judged = review.moves[ply];
        const PositionAnalysis& after = positions[ply + 1];
        std::string token = moveNumber(int(ply), line.startSide, numberDue);
        if (!token.empty()) token += ' ';
        token += moveTextIn(settings.notation, *pos, move);
        if (judged.mark != Mark::None) token += " $" + std::to_string(markNag(judged.mark));
        movetext.add(token);
        numberDue = false;
        std::string comment;
        if (!after.terminal) comment = "[%eval " + evalText(after, judged.side ^ 1) + "]";
        if (judged.mark != Mark::None) {
            const PositionAnalysis& before = positions[ply];
            comment += std::string(comment.empty() ? "" : " ") + markName(judged.mark) + ": " +
                       moveTextIn(settings.notation, *pos, before.best) + " was better.";
            movetext.addComment(comment);
            for (const std::string& part :
                 variation(*pos, before.pv, int(ply), line.startSide, settings.notation))
                movetext.add(part);
            numberDue = true;
        } else if (!comment.empty()) {
            movetext.addComment(comment);
            numberDue = true;
        }
        playMove(*pos, move);
    }
    if (!line.damage.empty())
        movetext.addComment("Not reviewed further: " +
                            recodeText(line.damage, TextEncoding::Utf8, TextEncoding::Utf8) + ".");
    movetext.add(resultToken(game.result));
    text += movetext.text + "\n\n";
    if (settings.encoding == TextEncoding::Utf8) return text;
    return recodeText(text, TextEncoding::Utf8, settings.encoding);
}
