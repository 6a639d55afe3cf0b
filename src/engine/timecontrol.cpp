#include "engine/timecontrol.h"

#include "engine/parser.h"
#include "search/progress.h"

namespace {

// With an increment, a move plans this share of the time left, plus the increment.
constexpr double INCREMENT_TIME_SHARE = 0.05;
// A search is aborted after at most this many times its planned time (and never after
// the time left).
constexpr double MAXIMUM_TIME_FACTOR = 2;
constexpr int32_t MILLISECONDS = 1000;

}  // namespace

void setSearchLimits(int goMode, int32_t arg2, int32_t arg3) {
    if (goMode == e_GoMovesToGo || goMode == e_GoIncrement) {
        double total = arg2;
        searchLimits.timeLimited = true;
        int32_t movesToGo = arg3 < 1 ? 1 : arg3;
        if (goMode == e_GoMovesToGo) {
            // The time left divided among the moves to go, in whole seconds; in milliseconds
            // when there are more moves to go than seconds, which would plan no time at all.
            int32_t seconds = arg2 / movesToGo;
            searchLimits.perMoveTime = seconds > 0 || arg2 <= 0
                                           ? double(seconds)
                                           : double(arg2 * MILLISECONDS / movesToGo) / MILLISECONDS;
        } else {
            searchLimits.perMoveTime = INCREMENT_TIME_SHARE * total + arg3;
        }
        searchLimits.maximumTime = total;
        if (MAXIMUM_TIME_FACTOR * searchLimits.perMoveTime < searchLimits.maximumTime)
            searchLimits.maximumTime = MAXIMUM_TIME_FACTOR * searchLimits.perMoveTime;
    } else {
        searchLimits.depthLimited = true;
        searchLimits.depthLimit = arg2;
    }
}
