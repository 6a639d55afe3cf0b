// The limits of a go command: a depth, or a time per move planned from the clock.
#pragma once

#include <cstdint>

// Sets searchLimits from the go command's GoMode and arguments: arg2 the depth or the
// seconds left, arg3 the moves to go or the increment in seconds.
void setSearchLimits(int goMode, int32_t arg2, int32_t arg3);
