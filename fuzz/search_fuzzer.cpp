// Short searches from fuzzed positions. The first byte chooses the depth (1 to 3); the rest
// is a script as in fuzz_common.h. The search answers as "go depth N" would: the best
// move it records must be legal, and 0 exactly when there is no legal move; the engine's
// Position is left as it was; and the whole principal variation is a legal line.
#include "engine/timecontrol.h"
#include "fuzz_common.h"
#include "search/search.h"

namespace {

Position before, line;

// A small table, cleared for every input so that a failure reproduces on its own. Its
// many collisions also hand the search hash moves of other positions, which it must
// test before playing them.
constexpr uint32_t kTableSlots = 1024;
HashEntry smallTable[kTableSlots + 3];

void useSmallTable() {
    transpositionTable.entries = smallTable;
    transpositionTable.entryCount = kTableSlots + 3;
    transpositionTable.indexMask = kTableSlots - 1;
    ttClear();
}

void checkPrincipalVariation(const Move* pv) {
    line = enginePosition;
    for (int i = 0; i < 256 && pv[i] != 0; i++) {
        if (!isFullyLegal(pv[i], line))
            fuzz::fail("illegal move in the principal variation", fuzz::moveName(pv[i]));
        UndoRecord undo;
        makeMove(line, pv[i], undo);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initOnce();
    if (size < 1) return 0;
    int depth = 1 + data[0] % 3;
    fuzz::Script script = fuzz::parseScript(data + 1, size - 1);
    enginePositionValid = fuzz::playScript(script, enginePosition, [](const Position&) {});
    if (!enginePositionValid) return 0;
    fuzz::expectSound(enginePosition, "before the search");

    useSmallTable();
    before = enginePosition;
    resetSearchLimits();
    setSearchLimits(e_GoDepth, depth, 0);
    searchDriver();

    if (!fuzz::samePosition(enginePosition, before))
        fuzz::fail("the search changed the engine's Position");
    MoveList legal;
    generateLegalMoves(legal, enginePosition);
    Move best = Move(searchProgress.bestMove);
    if (legal.count == 0) {
        if (best != 0) fuzz::fail("a best move without a legal move", fuzz::moveName(best));
        return 0;
    }
    if (best == 0) fuzz::fail("no best move although there are legal moves");
    if (!fuzz::inList(legal, best)) fuzz::fail("illegal best move", fuzz::moveName(best));
    if (searchProgress.pv[0] != best) fuzz::fail("the variation does not start with the best move");
    checkPrincipalVariation(searchProgress.pv);
    return 0;
}
