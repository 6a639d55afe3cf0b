#include "xboard/clock.h"

#include <algorithm>

// UCCI clocks are whole seconds, and Qarn reads "go time T movestogo N" as T / N seconds
// (rounded down, or in milliseconds when N exceeds T) for the move and "go time T increment I" as
// 5% of T plus I, never more than twice that or than T. The go line below always tells the engine
// the truth rounded down, in the form that keeps its own plan sensible; where whole seconds say too
// little (under one second left, or fewer seconds than moves to go) the engine is asked for the
// deepest search and the adapter's own stop, measured in milliseconds, ends it in time.
SearchPlan planSearch(const TimeControl& control, int movesMade) {
    SearchPlan plan;
    int usableMs = 0;
    std::string timed;
    int lag = control.frontEndLagMs;
    if (control.moveTimeMs > 0) {
        usableMs = std::max(0, control.moveTimeMs - CLOCK_RESERVE_MS - lag);
        plan.stopAfterMs = usableMs;
        int seconds = usableMs / 1000;
        if (seconds >= 1) timed = "go time " + std::to_string(seconds) + " movestogo 1";
    } else {
        int clockMs = control.engineTimeMs >= 0 ? control.engineTimeMs : control.baseMs;
        int movesToGo = control.movesPerSession > 0
                            ? control.movesPerSession - movesMade % control.movesPerSession
                            : SUDDEN_DEATH_MOVES;
        // Lag that the increment does not cover is paid on every move to come; an eighth of
        // the clock always stays usable, so that short of time the engine still searches.
        int lagMoves = control.incrementMs >= 2 * lag ? 1
                       : control.movesPerSession > 0  ? movesToGo
                                                      : LAG_RESERVE_MOVES;
        int reserve = std::min(CLOCK_RESERVE_MS + lag * lagMoves, clockMs * 7 / 8);
        usableMs = std::max(0, clockMs - reserve);
        int seconds = usableMs / 1000;
        int incrementSeconds = control.incrementMs / 1000;
        // The stop is a safety net behind the engine's own plan: about half again what the
        // engine should spend, and never more than half of what is left unless this is the
        // last move before the clock is refilled. Only the part of the increment that the
        // lag leaves over pays for searching. Where the lag would take a quarter of a clock
        // that is never refilled, the game is one of a few seconds: such games run long and
        // every move pays the lag again, so the stop spreads the clock over as many moves as
        // the lag is kept back for.
        bool lagBound =
            control.movesPerSession == 0 && CLOCK_RESERVE_MS + lag * lagMoves > clockMs / 4;
        int share = usableMs / (lagBound ? LAG_RESERVE_MOVES : movesToGo);
        int spareIncrement = std::clamp(control.incrementMs - lag, 0, usableMs);
        int stopAfter = (lagBound ? 2 : 3) * share + 2 * spareIncrement;
        if (control.movesPerSession == 0 || movesToGo > 1)
            stopAfter = std::min(stopAfter, usableMs / 2);
        plan.stopAfterMs = std::min(stopAfter, usableMs);
        if (seconds >= 1) {
            if (control.movesPerSession > 0 && incrementSeconds == 0 && seconds >= movesToGo)
                timed = "go time " + std::to_string(seconds) + " movestogo " +
                        std::to_string(movesToGo);
            else
                timed = "go time " + std::to_string(seconds) + " increment " +
                        std::to_string(incrementSeconds);
        }
    }
    if (control.depthLimit > 0)
        plan.goCommand = "go depth " + std::to_string(std::min(control.depthLimit, 31));
    else if (!timed.empty())
        plan.goCommand = timed;
    else
        plan.goCommand = "go depth 31";
    return plan;
}

void noteMoveCharge(TimeControl& control, int chargedMs, int searchedMs) {
    int lag = chargedMs - searchedMs;
    // A clock refilled at a session's end, or set by hand, says nothing about lag.
    if (chargedMs < 0 || lag < 0 || lag > 5000) return;
    // Quick to rise, slow to fall: one slow move is reason enough to expect another.
    control.frontEndLagMs = std::max(lag, (3 * control.frontEndLagMs + lag) / 4);
}
