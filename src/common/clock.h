#pragma once

#include <cstdint>

#include "common/date_time.h"

namespace qv {

// All time goes through here: wall-clock date and time, a monotonic millisecond count for
// time-outs, and the fixed pauses. Tests use TestClock, whose sleep advances virtual time.
class Clock {
  public:
    virtual ~Clock() = default;

    virtual DateTime now() = 0;
    virtual std::int64_t monotonicMs() = 0;
    virtual void sleepMs(int ms) = 0;
};

// The machine's clock: local time and real pauses.
class SystemClock : public Clock {
  public:
    DateTime now() override;
    std::int64_t monotonicMs() override;
    void sleepMs(int ms) override;
};

// Virtual time: sleeping advances it at once; tests set or advance it as they need.
class TestClock : public Clock {
  public:
    explicit TestClock(DateTime start = DateTime{2024, 6, 14, 15, 30, 0, 0});

    DateTime now() override;
    std::int64_t monotonicMs() override { return monotonic_; }
    void sleepMs(int ms) override;

    void advanceMs(std::int64_t ms);
    void set(const DateTime& t);
    std::int64_t totalSleptMs() const { return slept_; }

  private:
    std::int64_t epochMs_;
    std::int64_t monotonic_ = 0;
    std::int64_t slept_ = 0;
};

}  // namespace qv
