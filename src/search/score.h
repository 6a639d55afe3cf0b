// Scores: from the side to move's point of view, mate scores counted from the root, and
// the scores of repeated positions.
#pragma once

constexpr int MATE_SCORE = 30000;
constexpr int MATE_BOUND = 29744;  // beyond it a score is a mate score
constexpr int NO_SCORE = -32767;
// A repetition without perpetual check counts this much against the side to move at the
// root: the engine prefers playing on to drawing.
constexpr int REPETITION_SCORE = 20;

inline bool isMateScore(int score) {
    return score > MATE_BOUND || score < -MATE_BOUND;
}
inline int scoreToTable(int score, int ply) {
    return score < -MATE_BOUND ? score - ply : score > MATE_BOUND ? score + ply : score;
}
inline int scoreFromTable(int score, int ply) {
    return score < -MATE_BOUND ? score + ply : score > MATE_BOUND ? score - ply : score;
}

// The score of a repeated position from its repetitionStatus, `ply` plies above the root:
// a side that checked throughout the cycle loses as if mated.
inline int repetitionScore(int status, int ply) {
    if (status == 1) return ply & 1 ? REPETITION_SCORE : -REPETITION_SCORE;
    int score = 0;
    if (status & 2) score += ply - MATE_SCORE;
    if (status & 4) score += MATE_SCORE - ply;
    return score;
}
