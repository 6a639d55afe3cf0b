// One-time initialisation of the engine's tables.
#pragma once

// The lookup tables that rules, evaluation and move ordering read: step and sliding
// tables, capture classes and bit counts. Enough for the tools.
void initTables();
// The whole start-up sequence of the engine, in its fixed order, ending with the start
// position loaded; it may load the opening book (and end the process on a bad book).
void initEngine();
