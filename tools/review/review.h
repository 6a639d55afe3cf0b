// A game made ready for review, and the judgement of its moves from the analyses of its
// positions.
#pragma once

#include <string>
#include <vector>

#include "games/gamerecord.h"
#include "games/notation.h"
#include "review/analysis.h"
#include "review/marks.h"

// The part of a game that can be reviewed: its start and its legal moves from there.
struct ReviewLine {
    std::string fen;
    int startSide = 0;
    std::vector<Move> moves;
    // False when the start position cannot be set up: nothing can be reviewed.
    bool playable = false;
    // Why the game is not reviewed whole (the reader's reason, or the first illegal move,
    // with its line in the file); empty when it is.
    std::string damage;
};

// The start and the moves up to the first that cannot be read or played.
ReviewLine prepareLine(const GameRecord& game);

// Sets `pos` to the position after the line's first `ply` moves, with the history that the
// engine keeps after "position fen FEN moves m1 .. m<ply>", so that repetitions count.
void setupPly(const ReviewLine& line, size_t ply, Position& pos);

// The line's moves written in the notation (UTF-8).
std::vector<std::string> lineMoveTexts(const ReviewLine& line, Notation notation);
// The number of the line's move at `ply` (0 for its first move), counted as PGN counts: a
// move number covers red's move and black's reply.
int moveNumberAt(size_t ply, int startSide);

// One move, judged. `before` and `after` are the mover's scores (see markMove).
struct MoveReview {
    int side;
    int before;
    int after;
    Mark mark;
};

struct GameReview {
    std::vector<MoveReview> moves;
    SideSummary sides[2];
};

// Judges the line's moves from the analyses of its positions, one per ply from the start
// (moves.size() + 1). The move the engine itself plays in a position is never marked:
// there is no better move to name, and its drop is the search horizon's.
GameReview judgeLine(const ReviewLine& line, const std::vector<PositionAnalysis>& positions);

// Red's winning chance in the analysed position (+-1 when it is terminal).
double redWinChance(const PositionAnalysis& analysis, int sideToMove);
