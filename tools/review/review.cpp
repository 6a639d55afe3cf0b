#include "review/review.h"

#include <memory>

#include "base/fens.h"
#include "games/replay.h"

namespace {

std::string lineSuffix(int line) {
    return line > 0 ? " (line " + std::to_string(line) + ")" : "";
}

}  // namespace

ReviewLine prepareLine(const GameRecord& game) {
    ReviewLine line;
    line.fen = game.hasFen ? game.fen : kStartFen;
    auto pos = std::make_unique<Position>();
    if (!setupCheckedFen(*pos, line.fen.c_str())) {
        line.damage = "bad FEN" + lineSuffix(game.fenLine);
        return line;
    }
    line.playable = true;
    line.startSide = pos->side;
    for (const GameMove& move : game.moves) {
        if (!playMoveText(*pos, move.packed)) {
            line.damage = "illegal move " + move.written + lineSuffix(move.line);
            return line;
        }
        line.moves.push_back(moveFromText(move.packed));
    }
    if (!game.error.empty()) line.damage = game.error + lineSuffix(game.errorLine);
    return line;
}

void setupPly(const ReviewLine& line, size_t ply, Position& pos) {
    setupCheckedFen(pos, line.fen.c_str());
    for (size_t i = 0; i < ply; i++) playMove(pos, line.moves[i]);
    pos.rootCount = pos.historyCount;
}

std::vector<std::string> lineMoveTexts(const ReviewLine& line, Notation notation) {
    std::vector<std::string> texts;
    auto pos = std::make_unique<Position>();
    setupCheckedFen(*pos, line.fen.c_str());
    for (Move move : line.moves) {
        texts.push_back(moveTextIn(notation, *pos, move));
        playMove(*pos, move);
    }
    return texts;
}

int moveNumberAt(size_t ply, int startSide) {
    return 1 + int(ply + size_t(startSide)) / 2;
}

GameReview judgeLine(const ReviewLine& line, const std::vector<PositionAnalysis>& positions) {
    GameReview review;
    int side = line.startSide;
    for (size_t ply = 0; ply < line.moves.size(); ply++) {
        int before = positions[ply].score, after = -positions[ply + 1].score;
        Mark mark = line.moves[ply] == positions[ply].best ? Mark::None : markMove(before, after);
        review.moves.push_back({side, before, after, mark});
        review.sides[side].add(before, after, mark);
        side ^= 1;
    }
    return review;
}

double redWinChance(const PositionAnalysis& analysis, int sideToMove) {
    double w = winChance(analysis.score);
    return sideToMove == RED ? w : -w;
}
