#pragma once

#include <cstdint>
#include <functional>

#include "common/clock.h"
#include "common/controls.h"

namespace qv {

// A window timer without a window: calls the tick on the clock's time every interval while the
// timer control is enabled, as the desktop program's timer does. Ticks keep their nominal pace
// on average: a tick that ran long (a block end, the warm-up pause) is followed by the ticks it
// delayed at once, but after a stall of more than a few intervals (a silent instrument) the
// pace starts afresh rather than firing a burst.
class TimerDriver {
  public:
    static constexpr int kLargestCatchUp = 3;

    TimerDriver(Clock& clock, Control& timer, std::function<void()> tick)
        : clock_(clock), timer_(timer), tick_(std::move(tick)) {}

    // Ticks while `keepGoing` says so; with the timer off it waits an interval at a time.
    void runWhile(const std::function<bool()>& keepGoing);

  private:
    Clock& clock_;
    Control& timer_;
    std::function<void()> tick_;
};

}  // namespace qv
