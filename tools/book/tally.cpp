#include "book/tally.h"

#include <algorithm>

#include "book/replay.h"

namespace {

void countMove(BookTally& tally, uint64_t key, Move move, int32_t game) {
    std::vector<MoveTally>& moves = tally.positions[key];
    for (MoveTally& seen : moves) {
        if (seen.move != move) continue;
        if (seen.lastGame != game) seen.games++;
        seen.lastGame = game;
        return;
    }
    moves.push_back({move, 1, game});
}

}  // namespace

GameOutcome tallyGame(BookTally& tally, const GameRecord& game, int maxPly, Position& pos) {
    int32_t gameId = ++tally.gameCount;
    const char* fen = game.hasFen ? game.fen.c_str() : kStartFen;
    if (!setupCheckedFen(pos, fen)) return {false, game.fenLine, "bad FEN"};
    // Every move is checked, also past maxPly, so that a damaged game is always reported.
    for (size_t ply = 0; ply < game.moves.size(); ply++) {
        const GameMove& move = game.moves[ply];
        uint64_t key = pos.key;
        if (!playMoveText(pos, move.packed))
            return {false, move.line, "illegal move " + move.written};
        if (ply < size_t(maxPly)) countMove(tally, key, moveFromText(move.packed), gameId);
    }
    if (!game.error.empty()) return {false, game.errorLine, game.error};
    return {true, 0, ""};
}

std::vector<BookEntry> finishTally(const BookTally& tally, int minGames) {
    std::vector<BookEntry> entries;
    for (const auto& [key, tallies] : tally.positions) {
        std::vector<MoveTally> kept;
        for (const MoveTally& seen : tallies) {
            if (seen.games >= minGames) kept.push_back(seen);
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
