#include "acquisition/live_counting.h"

#include <algorithm>

#include "common/rounding.h"

namespace qv {

namespace {

constexpr std::int16_t kBlankMinimumStart = 10000;
constexpr std::int16_t kTotalLimit = 9999;

// Adds one event to a channel's count and, until the total has passed 9999, to its total.
void addEvent(std::array<std::int16_t, kCountSlots>& counts, LiveData& data, int channel) {
    auto& count = counts[static_cast<std::size_t>(channel)];
    if (count < 32767) {
        ++count;
    }
    auto& total = data.totals[static_cast<std::size_t>(channel)];
    if (total <= kTotalLimit) {
        ++total;
    }
}

}  // namespace

int wrappedSampleIndex(int index, int rtBuffer) {
    return index <= 0 ? index + rtBuffer - 1 : index;
}

void LiveCounter::startRun() {
    below_.fill(false);
    pending_.fill(false);
}

void LiveCounter::startBlank() {
    blankMax_.fill(0);
    blankMin_.fill(kBlankMinimumStart);
}

bool LiveCounter::learnBlank(const SampleBlock& samples, int sample, std::int32_t tickCount,
                             ProjectSetup& setup, std::string& status) {
    for (int c = 0; c < kChannels; ++c) {
        const std::int16_t v = samples.at(c, sample);
        blankMax_[static_cast<std::size_t>(c)] =
            std::max(blankMax_[static_cast<std::size_t>(c)], v);
        blankMin_[static_cast<std::size_t>(c)] =
            std::min(blankMin_[static_cast<std::size_t>(c)], v);
    }
    if (tickCount <= setup.Threshold_Counter) {
        return false;
    }
    for (int c = 0; c < kChannels; ++c) {
        const double top = blankMax_[static_cast<std::size_t>(c)];
        const double bottom = blankMin_[static_cast<std::size_t>(c)];
        // A dark channel (maximum 0) has no range to learn from: it keeps the lowest threshold.
        const double range = top > 0 ? (1.0 - bottom / top) : 0.0;
        const double threshold = static_cast<double>(static_cast<int>(range * 100.0 * 1.15)) + 1;
        setup.channelThreshold[static_cast<std::size_t>(c)] = std::max(threshold, 1.0);
        status = "Setting (" + std::to_string(c) + ") OK...";
    }
    return true;
}

void LiveCounter::countSample(LiveData& data, const ProjectSetup& setup, bool intervalReached,
                              std::array<std::int16_t, kCountSlots>& counts) {
    const int rt = data.samples.rtBuffer();
    const int i = data.sampleIndex;
    // The line looks back one data interval, never past the block's own length.
    const int interval = std::clamp<int>(setup.DSP_Interval, 1, std::max(rt - 1, 1));
    const int method = setup.DSP_Method;
    const bool counting = data.tickCount > 1.5 * setup.DSP_Interval;
    for (int c = 0; c < kChannels; ++c) {
        const auto slot = static_cast<std::size_t>(c);
        if (i == 0) {
            counts[slot] = 0;
        }
        std::int16_t highest = 0;
        for (int j = i - 1; j >= i - interval; --j) {
            highest = std::max(highest, data.samples.at(c, wrappedSampleIndex(j, rt)));
        }
        const double d = setup.channelThreshold[slot];
        const double line = (100.0 - d) * highest / 100.0;
        double value = 0;
        if (method == 0 || method == 1) {
            value = (line + data.liveLine.at(c, wrappedSampleIndex(i - 1, rt)) +
                     data.liveLine.at(c, wrappedSampleIndex(i - 2, rt)) +
                     data.liveLine.at(c, wrappedSampleIndex(i - 3, rt))) /
                    4.0;
        } else if (method == 2) {
            value = line;
        }
        const auto lineValue =
            static_cast<std::int16_t>(std::clamp<std::int64_t>(roundHalfEven(value), 0, 32767));
        data.liveLine.at(c, i) = lineValue;
        if (!counting) {
            continue;
        }
        const bool nowBelow = data.samples.at(c, i) < lineValue;
        if (nowBelow && !below_[slot] && method >= 0 && method <= 2) {
            if (method == 0) {
                pending_[slot] = true;
            } else {
                addEvent(counts, data, c);
            }
        }
        below_[slot] = nowBelow;
        if (method == 0 && intervalReached && pending_[slot]) {
            addEvent(counts, data, c);
            pending_[slot] = false;
        }
    }
}

}  // namespace qv
