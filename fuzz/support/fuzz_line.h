#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <utility>

#include "common/clock.h"
#include "device/in_process_backend.h"

// An instrument line whose replies come from the fuzz input: every frame the host completes is
// answered by the next reply the input describes, so the device layer meets any reply length,
// any byte and any timing.
namespace qv::fuzz {

// Each reply is a control byte and then its bytes. The two high bits of the control byte pick
// the length: 0 a short reply of (c & 7) bytes, 1 an acquisition block of 48 + (c & 7) - 4,
// 2 a service block of 192 + (c & 7) - 4, 3 any length (c & 63). Bits 3..5 delay the reply by
// 0..7 x 120 ms (except in form 3), past the read time-outs. When the input runs out the line
// is silent.
class FuzzLine : public device::InstrumentLine {
  public:
    FuzzLine(Clock& clock, std::string_view replies) : clock_(clock), replies_(replies) {}

    void receive(const device::Bytes& bytes) override {
        // The host only ever writes whole frames of five bytes.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (++framed_ % 5 == 0) {
                answer(clock_.monotonicMs());
            }
        }
    }
    device::Bytes takeOutput(std::int64_t nowMs) override {
        device::Bytes out;
        while (!pending_.empty() && pending_.front().first <= nowMs) {
            out.push_back(pending_.front().second);
            pending_.pop_front();
        }
        return out;
    }
    std::optional<std::int64_t> nextOutputAt() const override {
        if (pending_.empty()) {
            return std::nullopt;
        }
        return pending_.front().first;
    }

    bool exhausted() const { return replies_.empty(); }

  private:
    void answer(std::int64_t now) {
        if (replies_.empty()) {
            return;
        }
        const auto c = static_cast<std::uint8_t>(replies_.front());
        replies_.remove_prefix(1);
        const int form = c >> 6;
        int length = 0;
        int delayMs = ((c >> 3) & 7) * 120;
        switch (form) {
            case 0:
                length = c & 7;
                break;
            case 1:
                length = 48 + (c & 7) - 4;
                break;
            case 2:
                length = 192 + (c & 7) - 4;
                break;
            default:
                length = c & 63;
                delayMs = 0;
                break;
        }
        for (int i = 0; i < length && !replies_.empty(); ++i) {
            pending_.emplace_back(now + delayMs, static_cast<std::uint8_t>(replies_.front()));
            replies_.remove_prefix(1);
        }
    }

    Clock& clock_;
    std::string_view replies_;
    std::deque<std::pair<std::int64_t, std::uint8_t>> pending_;
    std::uint64_t framed_ = 0;
};

}  // namespace qv::fuzz
