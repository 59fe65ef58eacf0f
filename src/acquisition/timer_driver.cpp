#include "acquisition/timer_driver.h"

#include <algorithm>

namespace qv {

void TimerDriver::runWhile(const std::function<bool()>& keepGoing) {
    std::int64_t due = clock_.monotonicMs();
    while (keepGoing()) {
        const int interval = std::max(timer_.intervalMs, 1);
        due += interval;
        const std::int64_t now = clock_.monotonicMs();
        if (now < due) {
            clock_.sleepMs(static_cast<int>(due - now));
        } else if (now - due > static_cast<std::int64_t>(kLargestCatchUp) * interval) {
            due = now;
        }
        if (timer_.enabled) {
            tick_();
        }
    }
}

}  // namespace qv
