// The reviewed game as annotated PGN: the game's tags, the moves with their scores, marks,
// better moves and lines, and the summary of each side.
#pragma once

#include <string>
#include <vector>

#include "games/gamerecord.h"
#include "games/notation.h"
#include "review/review.h"

struct AnnotationSettings {
    // The notation of the moves (Chinese, WXF or ICCS) and the output encoding (UTF-8 or
    // GBK).
    Notation notation = Notation::Chinese;
    TextEncoding encoding = TextEncoding::Utf8;
    // The value of the [Annotator] tag.
    std::string annotator;
};

// The eval text of a position for a PGN comment, from red's view: the engine's score / 100
// with two decimals ("0.35"), or "#3" / "#-3" for a mate in 3 moves by red / by black.
std::string evalText(const PositionAnalysis& analysis, int sideToMove);

// The game in PGN: its tags converted to the output encoding ([Annotator] and [Format]
// replaced; [FEN] and [Result] added when missing), the summary as a comment before the
// first move, then each move with a comment holding [%eval ...] of the position after it
// (none after a mate); a marked move also gets its NAG, a comment naming the mark and the
// better move, and a variation with the engine's line. A game not reviewed whole ends with
// a comment giving the reason.
std::string annotatedPgn(const GameRecord& game, const ReviewLine& line,
                         const std::vector<PositionAnalysis>& positions, const GameReview& review,
                         const AnnotationSettings& settings);
