#include "review/html.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "games/notation.h"
#include "games/replay.h"
#include "review/annotate.h"
#include "review/graph.h"

namespace {

// The board's points are kCell apart, kMargin from the drawing's edge.
constexpr int kCell = 36, kMargin = 24;
constexpr int kBoardWidth = 2 * kMargin + 8 * kCell, kBoardHeight = 2 * kMargin + 9 * kCell;

constexpr char kBoardStyle[] =
    "<style>\n"
    ".board .grid { stroke: #555; }\n"
    ".board .piece { fill: #f6e3b4; stroke-width: 1.5; }\n"
    ".board .piece.red { stroke: #b00; } .board .piece.black { stroke: #111; }\n"
    ".board text.red { fill: #b00; } .board text.black { fill: #111; }\n"
    ".board text { font: 20px serif; text-anchor: middle; dominant-baseline: central; }\n"
    ".board .played { stroke: #888; fill: #888; }\n"
    ".board .better { stroke: #2a8a2a; fill: #2a8a2a; }\n"
    "</style>\n";

constexpr char kStyle[] =
    "body { font-family: sans-serif; margin: 24px; color: #222; }\n"
    "table { border-collapse: collapse; margin: 12px 0; }\n"
    "td, th { padding: 2px 10px; text-align: left; }\n"
    ".summary th, .summary td { border-bottom: 1px solid #ddd; }\n"
    ".eval { color: #777; font-size: 85%; }\n"
    "td.inaccuracy { color: #a08000; } td.mistake { color: #d06000; }\n"
    "td.blunder { color: #d01010; }\n"
    "figure { display: inline-block; margin: 8px 16px 8px 0; }\n";

// The x and y of a board point: files a..i left to right, rank 9 at the top.
int pointX(Square sq) {
    return kMargin + (fileOf(sq) - FIRST_FILE) * kCell;
}
int pointY(Square sq) {
    return kMargin + (rankOf(sq) - FIRST_RANK) * kCell;
}

std::string line(int x1, int y1, int x2, int y2, const char* cls) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "<line class=\"%s\" x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\"/>\n", cls, x1, y1, x2,
                  y2);
    return text;
}

std::string summaryRow(const char* side, const SideSummary& summary) {
    char text[256];
    std::snprintf(
        text, sizeof text,
        "<tr><td>%s</td><td>%d</td><td>%d</td><td>%d</td><td>%.1f</td><td>%.1f</td></tr>\n", side,
        summary.inaccuracies, summary.mistakes, summary.blunders, summary.averageLoss(),
        summary.accuracy());
    return text;
}

}  // namespace

std::string boardSvg(const Position& pos, Move played, Move better) {
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"board\" width=\"" +
                      std::to_string(kBoardWidth) + "\" height=\"" + std::to_string(kBoardHeight) +
                      "\">\n" + kBoardStyle;
    svg += "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(kBoardWidth) + "\" height=\"" +
           std::to_string(kBoardHeight) + "\" fill=\"#e8c888\"/>\n";
    const int left = kMargin, right = kMargin + 8 * kCell, top = kMargin,
              bottom = kMargin + 9 * kCell;
    for (int rank = 0; rank < 10; rank++)
        svg += line(left, top + rank * kCell, right, top + rank * kCell, "grid");
    // Files cross the river only at the edges.
    for (int file = 0; file < 9; file++) {
        int x = left + file * kCell;
        bool edge = file == 0 || file == 8;
        svg += line(x, top, x, edge ? bottom : top + 4 * kCell, "grid");
        if (!edge) svg += line(x, top + 5 * kCell, x, bottom, "grid");
    }
    // The palaces' diagonals.
    for (int palaceTop : {top, top + 7 * kCell}) {
        svg += line(left + 3 * kCell, palaceTop, left + 5 * kCell, palaceTop + 2 * kCell, "grid");
        svg += line(left + 5 * kCell, palaceTop, left + 3 * kCell, palaceTop + 2 * kCell, "grid");
    }
    for (int index = FIRST_PIECE; index < PIECE_INDEX_END; index++) {
        Square sq = pos.pieceSquare[index];
        if (sq == 0) continue;
        int side = index < sideBase(BLACK) ? RED : BLACK;
        std::string x = std::to_string(pointX(sq)), y = std::to_string(pointY(sq));
        const char* cls = side == RED ? "red" : "black";
        svg += "<circle class=\"piece " + std::string(cls) + "\" cx=\"" + x + "\" cy=\"" + y +
               "\" r=\"" + std::to_string(kCell / 2 - 2) + "\"/>\n";
        svg += "<text class=\"" + std::string(cls) + "\" x=\"" + x + "\" y=\"" + y + "\">" +
               chinesePieceName(side, pieceTypeOf[index]) + "</text>\n";
    }
    // The moves as arrows: a line, and a head at its end.
    const Move moves[] = {played, better};
    const char* const classes[] = {"played", "better"};
    for (int i = 0; i < 2; i++) {
        if (moves[i] == 0) continue;
        double x1 = pointX(moveFrom(moves[i])), y1 = pointY(moveFrom(moves[i]));
        double x2 = pointX(moveTo(moves[i])), y2 = pointY(moveTo(moves[i]));
        double length = std::hypot(x2 - x1, y2 - y1);
        double dx = (x2 - x1) / length, dy = (y2 - y1) / length;
        constexpr double kHeadLength = 14, kHeadWidth = 8;
        double baseX = x2 - kHeadLength * dx, baseY = y2 - kHeadLength * dy;
        char text[320];
        std::snprintf(text, sizeof text,
                      "<line class=\"%s\" stroke-width=\"5\" stroke-opacity=\"0.8\" x1=\"%.0f\" "
                      "y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/>\n<polygon class=\"%s\" "
                      "points=\"%.0f,%.0f %.0f,%.0f %.0f,%.0f\"/>\n",
                      classes[i], x1, y1, baseX, baseY, classes[i], x2, y2, baseX + kHeadWidth * dy,
                      baseY - kHeadWidth * dx, baseX - kHeadWidth * dy, baseY + kHeadWidth * dx);
        svg += text;
    }
    return svg + "</svg>\n";
}

std::string reviewHtml(const std::string& title, const ReviewLine& line,
                       const std::vector<PositionAnalysis>& positions, const GameReview& review,
                       Notation notation, const std::string& svg) {
    const std::vector<std::string> moveTexts = lineMoveTexts(line, notation);
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       xmlEscaped(title) + "</title>\n<style>\n" + kStyle +
                       "</style>\n</head>\n<body>\n<h1>" + xmlEscaped(title) + "</h1>\n";
    html +=
        "<table class=\"summary\">\n<tr><th></th><th>inaccuracies</th><th>mistakes</th>"
        "<th>blunders</th><th>average loss</th><th>accuracy</th></tr>\n";
    html += summaryRow("Red", review.sides[RED]) + summaryRow("Black", review.sides[BLACK]);
    html += "</table>\n";
    // The graph without its XML declaration.
    html += svg.substr(svg.find("<svg"));

    html += "<h2>Moves</h2>\n<table class=\"moves\">\n";
    std::string blunders;
    auto pos = std::make_unique<Position>();
    setupCheckedFen(*pos, line.fen.c_str());
    const int startSide = line.startSide;
    for (size_t ply = 0; ply < line.moves.size(); ply++) {
        const MoveReview& judged = review.moves[ply];
        int number = moveNumberAt(ply, startSide);
        if (judged.side == RED || ply == 0) html += "<tr><td>" + std::to_string(number) + ".</td>";
        if (judged.side == BLACK && ply == 0) html += "<td></td>";
        const PositionAnalysis& after = positions[ply + 1];
        std::string cls = markClass(judged.mark);
        html += "<td" + (cls.empty() ? std::string() : " class=\"" + cls + "\"") + ">" +
                moveTexts[ply] + markSign(judged.mark);
        if (!after.terminal)
            html += " <span class=\"eval\">" + evalText(after, judged.side ^ 1) + "</span>";
        html += "</td>";
        if (judged.side == BLACK || ply + 1 == line.moves.size()) html += "</tr>\n";
        if (judged.mark == Mark::Blunder) {
            const PositionAnalysis& before = positions[ply];
            blunders += "<figure>\n" + boardSvg(*pos, line.moves[ply], before.best) +
                        "<figcaption>" + std::to_string(number) +
                        (judged.side == RED ? ". " : "... ") + moveTexts[ply] +
                        "?? &nbsp; better: " + moveTextIn(notation, *pos, before.best) +
                        "</figcaption>\n</figure>\n";
        }
        playMove(*pos, line.moves[ply]);
    }
    html += "</table>\n";
    if (!blunders.empty()) html += "<h2>Blunders</h2>\n" + blunders;
    return html + "</body>\n</html>\n";
}
