#include "common/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace qv {

DateTime SystemClock::now() {
    const auto tp = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(tp);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000;
    return DateTime{local.tm_year + 1900, local.tm_mon + 1,  local.tm_mday,       local.tm_hour,
                    local.tm_min,         local.tm_sec % 60, static_cast<int>(ms)};
}

std::int64_t SystemClock::monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemClock::sleepMs(int ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

TestClock::TestClock(DateTime start) : epochMs_(toEpochMs(start)) {}

DateTime TestClock::now() {
    return fromEpochMs(epochMs_);
}

void TestClock::sleepMs(int ms) {
    if (ms > 0) {
        advanceMs(ms);
        slept_ += ms;
    }
}

void TestClock::advanceMs(std::int64_t ms) {
    epochMs_ += ms;
    monotonic_ += ms;
}

void TestClock::set(const DateTime& t) {
    epochMs_ = toEpochMs(t);
}

}  // namespace qv
