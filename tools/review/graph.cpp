#include "review/graph.h"

#include <cstdio>

#include "review/annotate.h"

namespace {

// The drawing's size and the plot area inside it.
constexpr double kWidth = 800, kHeight = 280;
constexpr double kLeft = 48, kRight = 12, kTop = 28, kBottom = 24;
constexpr double kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;

constexpr char kStyle[] =
    "<style>\n"
    ".graph text { font: 12px sans-serif; fill: #333; }\n"
    ".graph .frame { fill: #fafafa; stroke: #bbb; }\n"
    ".graph .grid { stroke: #ddd; stroke-dasharray: 4 3; }\n"
    ".graph .even { stroke: #999; }\n"
    ".graph .area { fill: #e9b8b8; fill-opacity: 0.5; stroke: none; }\n"
    ".graph .course { fill: none; stroke: #8a2a2a; stroke-width: 1.5; }\n"
    ".graph .ply { fill: #8a2a2a; }\n"
    ".graph .inaccuracy { fill: #d4b000; }\n"
    ".graph .mistake { fill: #e07000; }\n"
    ".graph .blunder { fill: #d01010; }\n"
    ".graph .label { font-weight: bold; }\n"
    "</style>\n";

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string reviewGraphSvg(const ReviewLine& line, const std::vector<PositionAnalysis>& positions,
                           const GameReview& review, const std::vector<std::string>& moveTexts,
                           const std::string& title) {
    const size_t plies = line.moves.size();
    auto x = [&](size_t ply) { return kLeft + kPlotWidth * double(ply) / double(plies + 1); };
    auto y = [&](double w) { return kTop + kPlotHeight * (1 - w) / 2; };
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"graph\" width=\"" +
        number(kWidth) + "\" height=\"" + number(kHeight) + "\" viewBox=\"0 0 " + number(kWidth) +
        " " + number(kHeight) + "\">\n";
    svg += kStyle;
    svg += "<text x=\"" + number(kLeft) + "\" y=\"18\">" + xmlEscaped(title) + "</text>\n";
    svg += "<rect class=\"frame\" x=\"" + number(kLeft) + "\" y=\"" + number(kTop) + "\" width=\"" +
           number(kPlotWidth) + "\" height=\"" + number(kPlotHeight) + "\"/>\n";
    for (double w : {0.5, 0.0, -0.5}) {
        svg += "<line class=\"" + std::string(w == 0 ? "even" : "grid") + "\" x1=\"" +
               number(kLeft) + "\" x2=\"" + number(kLeft + kPlotWidth) + "\" y1=\"" + number(y(w)) +
               "\" y2=\"" + number(y(w)) + "\"/>\n";
    }
    svg += "<text x=\"4\" y=\"" + number(y(1) + 12) + "\">Red</text>\n";
    svg += "<text x=\"4\" y=\"" + number(y(-1) - 4) + "\">Black</text>\n";
    if (plies == 0) return svg + "</svg>\n";

    // The course, and the area between it and the even line.
    std::string points;
    int side = line.startSide;
    std::vector<double> chances;
    for (size_t ply = 1; ply <= plies; ply++) {
        side ^= 1;
        chances.push_back(redWinChance(positions[ply], side));
        if (ply > 1) points += ' ';
        points += number(x(ply)) + "," + number(y(chances.back()));
    }
    svg += "<polygon class=\"area\" points=\"" + number(x(1)) + "," + number(y(0)) + " " + points +
           " " + number(x(plies)) + "," + number(y(0)) + "\"/>\n";
    svg += "<polyline class=\"course\" points=\"" + points + "\"/>\n";

    // One point per ply, the marks' signs above or below them.
    for (size_t ply = 1; ply <= plies; ply++) {
        const MoveReview& judged = review.moves[ply - 1];
        int moveNumber = moveNumberAt(ply - 1, line.startSide);
        std::string label = std::to_string(moveNumber) + (judged.side == 0 ? ". " : "... ") +
                            moveTexts[ply - 1] + markSign(judged.mark);
        const PositionAnalysis& after = positions[ply];
        if (!after.terminal) label += ' ' + evalText(after, judged.side ^ 1);
        std::string cls =
            judged.mark == Mark::None ? "ply" : std::string("ply ") + markClass(judged.mark);
        double cx = x(ply), cy = y(chances[ply - 1]);
        svg += "<circle class=\"" + cls + "\" cx=\"" + number(cx) + "\" cy=\"" + number(cy) +
               "\" r=\"" + (judged.mark == Mark::None ? "2.5" : "4.5") + "\"><title>" +
               xmlEscaped(label) + "</title></circle>\n";
        if (judged.mark != Mark::None) {
            double ly = chances[ply - 1] > 0 ? cy + 18 : cy - 9;
            svg += "<text class=\"label " + std::string(markClass(judged.mark)) +
                   "\" text-anchor=\"middle\" x=\"" + number(cx) + "\" y=\"" + number(ly) + "\">" +
                   markSign(judged.mark) + "</text>\n";
        }
    }
    return svg + "</svg>\n";
}
