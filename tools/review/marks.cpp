#include "review/marks.h"

#include <algorithm>
#include <cmath>

#include "search/score.h"

namespace {

// The accuracy of a move from the drop of the mover's win percentage: a curve fitted by
// chess review tools to their players' results; a drop of 0 gives 100.
constexpr double ACCURACY_SCALE = 103.1668, ACCURACY_SLOPE = 0.04354, ACCURACY_OFFSET = 3.1669;

double winPercent(int score) {
    return 50 * (1 + winChance(score));
}

}  // namespace

int clampedScore(int score) {
    return std::clamp(score, -REVIEW_SCORE_LIMIT, REVIEW_SCORE_LIMIT);
}

double winChance(int score) {
    if (score > MATE_BOUND) return 1;
    if (score < -MATE_BOUND) return -1;
    return 2 / (1 + std::exp(-WIN_CHANCE_K * clampedScore(score))) - 1;
}

Mark markMove(int before, int after) {
    const bool wonBefore = before > MATE_BOUND, lostBefore = before < -MATE_BOUND;
    const bool wonAfter = after > MATE_BOUND, lostAfter = after < -MATE_BOUND;
    // Allowing a forced mate.
    if (lostAfter && !lostBefore) {
        double w = winChance(before);
        return w <= LOST_FOR_INACCURACY ? Mark::Inaccuracy
               : w <= LOST_FOR_MISTAKE  ? Mark::Mistake
                                        : Mark::Blunder;
    }
    // Missing a forced mate.
    if (wonBefore && !wonAfter) {
        double w = winChance(after);
        return w >= WON_FOR_INACCURACY ? Mark::Inaccuracy
               : w >= WON_FOR_MISTAKE  ? Mark::Mistake
                                       : Mark::Blunder;
    }
    // A slower mate, a mate against the mover before and after, or a mate escaped.
    if (wonBefore || lostBefore) return Mark::None;
    double drop = winChance(before) - winChance(after);
    return drop >= BLUNDER_DROP      ? Mark::Blunder
           : drop >= MISTAKE_DROP    ? Mark::Mistake
           : drop >= INACCURACY_DROP ? Mark::Inaccuracy
                                     : Mark::None;
}

int scoreLoss(int before, int after) {
    return std::max(0, clampedScore(before) - clampedScore(after));
}

double moveAccuracy(int before, int after) {
    double drop = winPercent(before) - winPercent(after);
    double accuracy = ACCURACY_SCALE * std::exp(-ACCURACY_SLOPE * drop) - ACCURACY_OFFSET;
    return std::clamp(accuracy, 0.0, 100.0);
}

int markNag(Mark mark) {
    constexpr int kNags[] = {0, 6, 2, 4};
    return kNags[int(mark)];
}

const char* markName(Mark mark) {
    constexpr const char* kNames[] = {"", "Inaccuracy", "Mistake", "Blunder"};
    return kNames[int(mark)];
}

const char* markSign(Mark mark) {
    constexpr const char* kSigns[] = {"", "?!", "?", "??"};
    return kSigns[int(mark)];
}

const char* markClass(Mark mark) {
    constexpr const char* kClasses[] = {"", "inaccuracy", "mistake", "blunder"};
    return kClasses[int(mark)];
}

void SideSummary::add(int before, int after, Mark mark) {
    moves++;
    inaccuracies += mark == Mark::Inaccuracy;
    mistakes += mark == Mark::Mistake;
    blunders += mark == Mark::Blunder;
    totalLoss += scoreLoss(before, after);
    totalAccuracy += moveAccuracy(before, after);
}

double SideSummary::averageLoss() const {
    return moves > 0 ? double(totalLoss) / moves : 0;
}

double SideSummary::accuracy() const {
    return moves > 0 ? totalAccuracy / moves : 0;
}
