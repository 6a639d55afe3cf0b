#include "book/tally.h"

#include <algorithm>

#include "games/replay.h"

namespace {

// The mover's score in half points, or -1 when the result is unknown.
int halfPointsFor(GameResult result, int side) {
    switch (result) {
        case GameResult::RedWin:
            return side == 0 ? 2 : 0;
        case GameResult::BlackWin:
            return side == 0 ? 0 : 2;
        case GameResult::Draw:
            return 1;
        case GameResult::Unknown:
            break;
    }
    return -1;
}

void countMove(BookTally& tally, uint64_t key, Move move, int32_t game, int halfPoints) {
    std::vector<MoveTally>& moves = tally.positions[key];
    MoveTally* seen = nullptr;
    for (MoveTally& known : moves) {
        if (known.move == move) seen = &known;
    }
    if (seen == nullptr) {
        moves.push_back({move, 0, 0, 0, 0});
        seen = &moves.back();
    } else if (seen->lastGame == game) {
        return;
    }
    seen->lastGame = game;
    seen->games++;
    if (halfPoints >= 0) {
        seen->scoredGames++;
        seen->halfPoints += halfPoints;
    }
}

}  // namespace

GameOutcome tallyGame(BookTally& tally, const GameRecord& game, int maxPly, Position& pos) {
    // The lines of a tree share their game's id, so that a tree weighs as one game.
    int32_t gameId =
        game.variation > 0 && tally.gameCount > 0 ? tally.gameCount : ++tally.gameCount;
    const char* fen = game.hasFen ? game.fen.c_str() : kStartFen;
    if (!setupCheckedFen(pos, fen)) return {false, game.fenLine, "bad FEN"};
    // Every move is checked, also past maxPly, so that a damaged game is always reported.
    for (size_t ply = 0; ply < game.moves.size(); ply++) {
        const GameMove& move = game.moves[ply];
        uint64_t key = pos.key;
        int side = pos.side;
        if (!playMoveText(pos, move.packed))
            return {false, move.line, "illegal move " + move.written};
        if (ply < size_t(maxPly))
            countMove(tally, key, moveFromText(move.packed), gameId,
                      halfPointsFor(game.result, side));
    }
    if (!game.error.empty()) return {false, game.errorLine, game.error};
    return {true, 0, ""};
}

bool keepsMove(const MoveTally& seen, int64_t positionGames, const BookFilter& filter) {
    if (seen.games < filter.minGames) return false;
    if (int64_t(seen.games) * 100 < int64_t(filter.minShare) * positionGames) return false;
    if (filter.minScore <= 0) return true;
    // halfPoints / (2 * scoredGames) >= minScore / 100, in integers.
    return seen.scoredGames > 0 &&
           int64_t(seen.halfPoints) * 100 >= int64_t(filter.minScore) * 2 * seen.scoredGames;
}

std::vector<BookEntry> finishTally(const BookTally& tally, const BookFilter& filter) {
    std::vector<BookEntry> entries;
    for (const auto& [key, tallies] : tally.positions) {
        int64_t positionGames = 0;
        for (const MoveTally& seen : tallies) positionGames += seen.games;
        std::vector<MoveTally> kept;
        for (const MoveTally& seen : tallies) {
            if (keepsMove(seen, positionGames, filter)) kept.push_back(seen);
        }
        if (kept.empty()) continue;
        std::stable_sort(kept.begin(), kept.end(),
                         [](const MoveTally& a, const MoveTally& b) { return a.games > b.games; });
        BookEntry entry{key, {}};
        for (const MoveTally& seen : kept) entry.moves.push_back(seen.move);
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const BookEntry& a, const BookEntry& b) { return a.key < b.key; });
    return entries;
}
