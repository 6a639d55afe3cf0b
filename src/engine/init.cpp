#include "engine/init.h"

#include <ctime>

#include "book/book.h"
#include "eval/psqt.h"
#include "position/tables.h"
#include "search/movepick.h"
#include "search/tt.h"

namespace {

constexpr char kStartFen[] =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

}  // namespace

void initTables() {
    buildStepTables();
    fillMvvLvaClass();
    buildBitCountTable();
}

void initEngine() {
    buildStepTables();
    fillMvvLvaClass();
    seedRandom(uint32_t(std::time(nullptr)));
    ttReset();
    ttAllocate();
    loadBook();
    clearSearchTables();
    buildBitCountTable();
    enginePositionValid = loadFen(enginePosition, kStartFen, 0, nullptr);
}
