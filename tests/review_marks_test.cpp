// The review's rules on synthetic scores: winning chances, the marks (every mate rule),
// losses and accuracy, the eval texts, and the judgement of a line with its summaries; and
// an analysis that leaves the search's hooks to the engine beside it.
#include <gtest/gtest.h>

#include "review/annotate.h"
#include "review/marks.h"
#include "review/review.h"
#include "search/progress.h"
#include "search/score.h"
#include "test_util.h"

namespace {

// Mates a few plies away, from the mover's view.
constexpr int MATES = MATE_SCORE - 5, MATED = -MATE_SCORE + 4;

struct MarkCase {
    int before, after;
    Mark mark;
    const char* why;
};

// clang-format off
const MarkCase kMarkCases[] = {
    // W drops: 0.04, 0.13, 0.22, 0.34.
    {0,       -5,      Mark::None,       "a drop below 0.1"},
    {0,       -15,     Mark::Inaccuracy, "a drop of 0.13"},
    {0,       -25,     Mark::Mistake,    "a drop of 0.22"},
    {0,       -40,     Mark::Blunder,    "a drop of 0.34"},
    {-40,     0,       Mark::None,       "a gain"},
    {300,     150,     Mark::Inaccuracy, "W 0.99 to 0.86: a large drop in a won game weighs little"},
    {1000,    400,     Mark::None,       "W 1.00 to 0.998"},
    {2500,    1000,    Mark::None,       "both clamped to 1000"},
    {-100,    -150,    Mark::Inaccuracy, "W -0.70 to -0.86"},
    // Allowing a forced mate: a blunder unless already lost.
    {0,       MATED,   Mark::Blunder,    "allows a mate from an even game"},
    {-100,    MATED,   Mark::Blunder,    "allows a mate at W -0.70"},
    {-150,    MATED,   Mark::Mistake,    "allows a mate at W -0.865 (<= -0.86)"},
    {-250,    MATED,   Mark::Inaccuracy, "allows a mate at W -0.975 (<= -0.95)"},
    {MATES,   MATED,   Mark::Blunder,    "from mating to being mated"},
    // Missing a forced mate: a blunder unless still won by a wide margin.
    {MATES,   0,       Mark::Blunder,    "misses a mate, even game after"},
    {MATES,   100,     Mark::Blunder,    "misses a mate, W 0.70 after"},
    {MATES,   150,     Mark::Mistake,    "misses a mate, W 0.865 after (>= 0.86)"},
    {MATES,   250,     Mark::Inaccuracy, "misses a mate, W 0.975 after (>= 0.95)"},
    {MATES,   2500,    Mark::Inaccuracy, "misses a mate, a huge score after"},
    // Not marked.
    {MATES,   MATES - 6, Mark::None,     "a slower mate"},
    {MATED,   MATED + 6, Mark::None,     "mated before and after, later"},
    {MATED,   MATED - 2, Mark::None,     "mated before and after, sooner"},
    {MATED,   -50,     Mark::None,       "escapes a mate"},
    {0,       MATES,   Mark::None,       "finds a mate"},
    {0,       MATE_SCORE, Mark::None,    "mates (the position after has no legal move)"},
    {MATE_SCORE - 1, MATE_SCORE, Mark::None, "mates as it was to"},
};
// clang-format on

}  // namespace

TEST(ReviewMarks, WinningChance) {
    EXPECT_EQ(winChance(0), 0);
    EXPECT_NEAR(winChance(100), 0.7039, 1e-4);
    EXPECT_NEAR(winChance(-100), -0.7039, 1e-4);
    EXPECT_EQ(winChance(2500), winChance(1000));
    EXPECT_LT(winChance(1000), 1);
    EXPECT_EQ(winChance(MATES), 1);
    EXPECT_EQ(winChance(MATED), -1);
    EXPECT_EQ(clampedScore(MATED), -1000);
}

TEST(ReviewMarks, EveryRuleOnItsCases) {
    for (const MarkCase& c : kMarkCases) EXPECT_EQ(markMove(c.before, c.after), c.mark) << c.why;
    EXPECT_EQ(markNag(Mark::Inaccuracy), 6);
    EXPECT_EQ(markNag(Mark::Mistake), 2);
    EXPECT_EQ(markNag(Mark::Blunder), 4);
}

TEST(ReviewMarks, LossAndAccuracy) {
    EXPECT_EQ(scoreLoss(0, -40), 40);
    EXPECT_EQ(scoreLoss(-40, 0), 0);
    EXPECT_EQ(scoreLoss(MATES, 0), 1000);
    EXPECT_EQ(scoreLoss(0, MATED), 1000);
    EXPECT_EQ(scoreLoss(2500, 1500), 0);
    EXPECT_EQ(scoreLoss(MATES, -MATE_SCORE), 2000);
    EXPECT_NEAR(moveAccuracy(0, 0), 100, 1e-3);
    EXPECT_EQ(moveAccuracy(-40, 0), 100);
    // Win percentages 50 and 33.18: 103.1668 * e^(-0.04354 * 16.82) - 3.1669.
    EXPECT_NEAR(moveAccuracy(0, -40), 46.43, 0.01);
    EXPECT_NEAR(moveAccuracy(0, MATED), 8.53, 0.01);
    EXPECT_EQ(moveAccuracy(MATES, MATED), 0);
}

TEST(ReviewMarks, EvalTextsFromRedsView) {
    struct Case {
        int score, side;
        const char* text;
    };
    const Case cases[] = {
        {35, RED, "0.35"},
        {35, BLACK, "-0.35"},
        {-7, RED, "-0.07"},
        {0, BLACK, "0.00"},
        {1234, RED, "12.34"},
        {MATE_SCORE - 1, RED, "#1"},
        {MATE_SCORE - 3, BLACK, "#-2"},
        {-MATE_SCORE + 2, BLACK, "#1"},
        {-MATE_SCORE + 4, RED, "#-2"},
    };
    for (const Case& c : cases) {
        PositionAnalysis analysis;
        analysis.score = c.score;
        EXPECT_EQ(evalText(analysis, c.side), c.text) << c.score;
    }
}

// A line of three moves with made-up analyses: a blunder; a large drop by the move the
// engine itself chose (not marked); a mate (nothing lost).
TEST(ReviewMarks, JudgesALineAndSumsEachSide) {
    ReviewLine line;
    line.fen = kStartFen;
    line.playable = true;
    line.moves = {moveOf("h2e2"), moveOf("h9g7"), moveOf("h0g2")};
    std::vector<PositionAnalysis> positions(4);
    positions[0].score = 0;
    positions[0].best = moveOf("b2e2");
    positions[1].score = 40;  // black's view: red lost 40
    positions[1].best = moveOf("h9g7");
    positions[2].score = 200;  // red's view: black lost 240 with the engine's own move
    positions[2].best = moveOf("b0c2");
    positions[3].terminal = true;
    positions[3].score = -MATE_SCORE;

    GameReview review = judgeLine(line, positions);
    ASSERT_EQ(review.moves.size(), 3u);
    EXPECT_EQ(review.moves[0].mark, Mark::Blunder);
    EXPECT_EQ(review.moves[1].mark, Mark::None);
    EXPECT_EQ(review.moves[2].mark, Mark::None);
    EXPECT_EQ(review.moves[2].after, MATE_SCORE);
    const SideSummary& red = review.sides[RED];
    const SideSummary& black = review.sides[BLACK];
    EXPECT_EQ(red.moves, 2);
    EXPECT_EQ(red.blunders, 1);
    EXPECT_EQ(red.averageLoss(), 20);
    EXPECT_NEAR(red.accuracy(), (46.43 + 100) / 2, 0.01);
    EXPECT_EQ(black.moves, 1);
    EXPECT_EQ(black.inaccuracies + black.mistakes + black.blunders, 0);
    EXPECT_EQ(black.averageLoss(), 240);
    EXPECT_EQ(redWinChance(positions[3], RED), -1);
    EXPECT_EQ(redWinChance(positions[1], BLACK), -winChance(40));
}

TEST(ReviewMarks, AnAnalysisNeitherCallsNorDropsTheEnginesHooks) {
    static int calls = 0;
    const SearchHooks engineHooks = {[] { calls++; }, [] { return ++calls < 0; }};
    searchHooks = engineHooks;
    auto pos = positionFrom(kStartFen, "h2e2 h9g7");
    PositionAnalysis analysis = analysePosition(*pos, {3, 0});
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(searchHooks.newBestMove, engineHooks.newBestMove);
    EXPECT_EQ(searchHooks.pollInput, engineHooks.pollInput);
    searchHooks = {nullptr, nullptr};
    ASSERT_FALSE(analysis.pv.empty());
    EXPECT_EQ(analysis.pv[0], analysis.best);
}
