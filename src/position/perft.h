// Leaf count of the legal-move tree, with the engine's own generator and make/unmake.
#pragma once

#include <cstdint>

#include "position/position.h"

uint64_t perft(Position& pos, int depth);
