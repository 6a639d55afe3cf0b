#include "engine/timecontrol.h"

#include "engine/parser.h"
#include "search/progress.h"

namespace {

// With an increment, a move plans this share of the time left, plus the increment.
constexpr double INCREMENT_TIME_SHARE = 0.05;
// A search is aborted after at most this many times its planned time (and never after
// the time left).
constexpr double MAXIMUM_TIME_FACTOR = 2;

}  // namespace

void setSearchLimits(int goMode, int32_t arg2, int32_t arg3) {
    if (goMode == e_GoMovesToGo || goMode == e_GoIncrement) {
        double total = arg2;
        searchLimits.timeLimited = true;
        int32_t movesToGo = arg3 < 1 ? 1 : arg3;
        // Whole seconds: the time left divided among the moves to go, rounded down.
        searchLimits.perMoveTime = goMode == e_GoMovesToGo ? double(arg2 / movesToGo)
                                                           : INCREMENT_TIME_SHARE * total + arg3;
        searchLimits.maximumTime = total;
        if (MAXIMUM_TIME_FACTOR * searchLimits.perMoveTime < searchLimits.maximumTime)
            searchLimits.maximumTime = MAXIMUM_TIME_FACTOR * searchLimits.perMoveTime;
    } else {
        searchLimits.depthLimited = true;
        searchLimits.depthLimit = arg2;
    }
}
