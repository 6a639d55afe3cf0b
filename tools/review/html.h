// A reviewed game as one self-contained HTML page.
#pragma once

#include <string>
#include <vector>

#include "review/review.h"

// The page: the title, the summary of each side, the graph (`svg`), the moves in the
// notation with their scores and marks, and for each blunder a diagram of the position
// before it with the move played and the better move drawn as arrows. Texts are UTF-8.
std::string reviewHtml(const std::string& title, const ReviewLine& line,
                       const std::vector<PositionAnalysis>& positions, const GameReview& review,
                       Notation notation, const std::string& svg);

// The board as an SVG diagram, red at the bottom, with an arrow for each of the moves given
// (0 for none): the first grey, the second green.
std::string boardSvg(const Position& pos, Move played, Move better);
