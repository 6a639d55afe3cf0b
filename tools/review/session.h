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
    // Empty: the PGN goes to standard output, and no graph or page is written.
    std::string outputPath;
    std::string svgPath;
    std::string htmlPath;
};

// Runs the review; the exit status: 0 when every game was reviewed whole, 1 when some game
// was damaged (reviewed up to its fault, or skipped), 2 when an input or output failed.
int runReview(const ReviewOptions& options);

// The graph or page of game `number` when several games are reviewed: "-N" before the
// file name's extension (out.svg: out-3.svg), or at its end when it has none.
std::string numberedPath(const std::string& path, int number);
