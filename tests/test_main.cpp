// Test entry: builds the engine's tables once, as start-up does, before any test runs.
#include <gtest/gtest.h>

#include "engine/init.h"
#include "search/tt.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    initTables();
    ttReset();
    ttAllocate();
    return RUN_ALL_TESTS();
}
