// A run of qarn-review: reading the games, having their positions analysed, and writing
// each reviewed game in input order as soon as it and those before it are done.
#pragma once

#include <string>
#include <vector>

#include "review/analysis.h"
#include "review/annotate.h"

struct ReviewOptions {
    SearchSettings search;
    AnnotationSettings annotation;
    int processes = 1;
    // Only this game (1-based over all inputs, in input order), or 0 for every game.
    int gameNumber = 0;
    std::vector<std::string> inputs;
    // A line typed on the command line instead of inputs: "fen FEN moves m1 m2 ...".
    bool typedLine = false;
    std::string typedText;
    // Empty: the PGN goes to standard output, and no graph is drawn.
    std::string outputPath;
    std::string svgPath;
};

// Runs the review; the exit status: 0 when every game was reviewed whole, 1 when some game
// was damaged (reviewed up to its fault, or skipped), 2 when an input or output failed.
int runReview(const ReviewOptions& options);

// The graph file of game `number` when several games are reviewed: the path without a
// final ".svg", then "-N.svg".
std::string numberedGraphPath(const std::string& path, int number);
