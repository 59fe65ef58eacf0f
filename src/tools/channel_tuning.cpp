#include "tools/channel_tuning.h"

namespace qv {

namespace {

// The darkest pinhole the calibration goes down to: below it a beam loses its organisms.
constexpr int kLowestPinHole = 2;

// One channel's walk: every step writes, settles and reads; a failed step ends the walk.
struct Walk {
    ChannelSetting& at;
    int reading;
    const TargetBand& band;
    const ApplySetting& apply;

    bool to(ChannelSetting next) {
        const std::optional<int> r = apply(next);
        if (!r) {
            return false;
        }
        at = next;
        reading = *r;
        return true;
    }
    bool above() const { return band.above(reading); }
    bool below() const { return band.below(reading); }
};

// Too bright at full gain: gain 0 first, which tells whether this pinhole can reach the band
// at all. When it cannot, each smaller pinhole is tried from gain 7 down; when gain 0 went past
// the band, the band lies among this pinhole's gains and is found from the top.
bool darkerAtFullGain(Walk& w) {
    const int pinHole = w.at.pinHole;
    const int fromGain = w.at.gain;
    if (!w.to({pinHole, 0})) {
        return false;
    }
    if (w.below()) {
        for (int g = fromGain - 1; g >= 1; --g) {
            if (!w.to({pinHole, g})) {
                return false;
            }
            if (!w.above()) {
                return true;
            }
        }
        return w.to({pinHole, 0});
    }
    while (w.above() && w.at.pinHole > kLowestPinHole) {
        if (!w.to({w.at.pinHole - 1, kArenaTopSetting})) {
            return false;
        }
        while (w.above() && w.at.gain > 0) {
            if (!w.to({w.at.pinHole, w.at.gain - 1})) {
                return false;
            }
        }
    }
    return true;
}

// Still dark at PinHole 3 Gain 0: PinHole 2 from gain 7 down may give a beam more light on an
// instrument whose two settings overlap; when it gives less, PinHole 3 Gain 0 comes back.
bool retryAtPinHoleTwo(Walk& w) {
    const ChannelSetting before = w.at;
    const int readingBefore = w.reading;
    if (!w.to({kLowestPinHole, kArenaTopSetting})) {
        return false;
    }
    while (w.above() && w.at.gain > 0) {
        if (!w.to({kLowestPinHole, w.at.gain - 1})) {
            return false;
        }
    }
    if (w.reading < readingBefore) {
        return w.to(before);
    }
    return true;
}

bool maxGain(Walk& w) {
    while (w.below() && w.at.pinHole < kArenaTopSetting) {
        if (!w.to({w.at.pinHole + 1, kArenaTopSetting})) {
            return false;
        }
    }
    if (w.above() && !darkerAtFullGain(w)) {
        return false;
    }
    if (w.below() && w.at == ChannelSetting{3, 0}) {
        return retryAtPinHoleTwo(w);
    }
    return true;
}

// A gain step that overshoots the band is taken back: the darker setting is the one to keep.
bool maxPower(Walk& w) {
    while (w.above() && w.at.pinHole > kLowestPinHole) {
        if (!w.to({w.at.pinHole - 1, 0})) {
            return false;
        }
    }
    while (w.below() && w.at.gain < kArenaTopSetting) {
        const ChannelSetting before = w.at;
        if (!w.to({w.at.pinHole, w.at.gain + 1})) {
            return false;
        }
        if (w.above()) {
            return w.to(before);
        }
    }
    return true;
}

}  // namespace

ChannelSetting startingSetting(ArenaMode mode) {
    return mode == ArenaMode::MaxGain ? ChannelSetting{3, kArenaTopSetting}
                                      : ChannelSetting{kArenaTopSetting, 0};
}

std::optional<int> tuneChannel(ArenaMode mode, ChannelSetting& setting, int reading,
                               const TargetBand& band, const ApplySetting& apply) {
    Walk w{setting, reading, band, apply};
    const bool ok = mode == ArenaMode::MaxGain ? maxGain(w) : maxPower(w);
    if (!ok) {
        return std::nullopt;
    }
    return w.reading;
}

}  // namespace qv
