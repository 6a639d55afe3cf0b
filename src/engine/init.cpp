#include "engine/init.h"

#include <ctime>

#include "base/fens.h"
#include "book/book.h"
#include "engine/enginepos.h"
#include "engine/go.h"
#include "engine/reports.h"
#include "position/tables.h"
#include "search/movepick.h"
#include "search/progress.h"
#include "search/tt.h"

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
    if (loadBook()) reportBookLoaded(int(bookTable.size()));
    clearSearchTables();
    buildBitCountTable();
    enginePositionValid = loadFen(enginePosition, kStartFen, 0, nullptr);
    // The engine hears of each new best move, and reads its input, while it searches.
    searchHooks = {reportSearchLine, pollSearchInput};
}
