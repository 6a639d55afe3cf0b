// The course of a reviewed game as an SVG graph.
#pragma once

#include <string>
#include <vector>

#include "review/review.h"

// Red's winning chance after every ply, from -1 (bottom) to +1 (top): one <circle> per ply,
// in ply order, whose class is "ply" and, for a marked move, also its mark ("inaccuracy",
// "mistake", "blunder"), drawn in the mark's colour with the mark's sign (?!, ?, ??) beside
// it. Each circle's <title> names the move and the score after it. `moveTexts` are the
// moves in UTF-8; `title` (UTF-8) heads the graph.
std::string reviewGraphSvg(const ReviewLine& line, const std::vector<PositionAnalysis>& positions,
                           const GameReview& review, const std::vector<std::string>& moveTexts,
                           const std::string& title);

// The text with XML's special characters escaped.
std::string xmlEscaped(const std::string& text);
