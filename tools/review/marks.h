// What the review concludes from the scores around a move: the winning chance, the mark,
// the loss and the accuracy, and their sums for each side. Scores are in engine units
// from the view of the side that moved, mates in the search's mate band.
#pragma once

#include <cstdint>

// The winning chance W = 2 / (1 + e^(-k * score)) - 1 of a score from one side's view, with
// k fitted to master games' results at depth 8 (tools/review/fit_k.py).
constexpr double WIN_CHANCE_K = 0.0175;
// Scores are clamped to this before they are weighed, and a mate counts as it in losses.
constexpr int REVIEW_SCORE_LIMIT = 1000;

// Drops of W that mark a move.
constexpr double INACCURACY_DROP = 0.1, MISTAKE_DROP = 0.2, BLUNDER_DROP = 0.3;
// A move that allows a forced mate is a blunder, unless the mover's W was already at most
// this low (then a mistake, or an inaccuracy); a move that misses a forced mate likewise,
// unless W stays at least this high.
constexpr double LOST_FOR_MISTAKE = -0.86, LOST_FOR_INACCURACY = -0.95;
constexpr double WON_FOR_MISTAKE = 0.86, WON_FOR_INACCURACY = 0.95;

enum class Mark { None, Inaccuracy, Mistake, Blunder };

// The score clamped to +-REVIEW_SCORE_LIMIT; a mate counts as the limit.
int clampedScore(int score);
// W of the clamped score; a mate is exactly +1 or -1.
double winChance(int score);

// The mark of a move from the mover's score before it (at the position it was played in)
// and after it (minus the score of the position it leads to). A move that mates leads to
// a position without a legal move, whose score is -MATE_SCORE: `after` is then MATE_SCORE.
Mark markMove(int before, int after);
// max(0, before - after) of the clamped scores.
int scoreLoss(int before, int after);
// 103.1668 * e^(-0.04354 * (winPercent(before) - winPercent(after))) - 3.1669, clamped to
// 0..100, where winPercent = 50 * (1 + W).
double moveAccuracy(int before, int after);

// The PGN numeric annotation glyph of a mark ($6, $2, $4; 0 for none) and its name.
int markNag(Mark mark);
const char* markName(Mark mark);
// The mark's sign as commentators write it ("?!", "?", "??"; "" for none), and its name in
// lower case, for style classes.
const char* markSign(Mark mark);
const char* markClass(Mark mark);

// One side's moves, summed.
struct SideSummary {
    int moves = 0;
    int inaccuracies = 0, mistakes = 0, blunders = 0;
    int64_t totalLoss = 0;
    double totalAccuracy = 0;

    // Counts a move and its mark.
    void add(int before, int after, Mark mark);
    // The means over the side's moves (0 without moves).
    double averageLoss() const;
    double accuracy() const;
};
