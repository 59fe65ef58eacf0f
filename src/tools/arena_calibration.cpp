#include "tools/arena_calibration.h"

#include <string>

namespace qv {

namespace {

// The start writes are fast; the window repaints every so many of them.
constexpr int kRepaintEveryStarts = 16;

}  // namespace

std::vector<int> ArenaCalibrationResult::outside(const TargetBand& band) const {
    std::vector<int> out;
    for (int c = 0; c < kArenaChannels; ++c) {
        const int r = readings[static_cast<std::size_t>(c)];
        if (r >= 0 && !band.contains(r)) {
            out.push_back(c);
        }
    }
    return out;
}

ArenaCalibrationResult ArenaCalibration::run(ArenaMode mode, const TargetBand& band) {
    ArenaCalibrationResult r;
    r.readings.fill(-1);
    status_.visible = true;
    status_.text = "starting";
    if (!device_.answers()) {
        device_.care().ui.message(kCommunicationError);
        return r;
    }
    if (!startAll(mode, r)) {
        return r;
    }
    r.started = true;
    for (int c = 0; c < kArenaChannels; ++c) {
        if (!tune(c, mode, band, r) || !keepGoing(r)) {
            return r;
        }
    }
    r.completed = true;
    return r;
}

bool ArenaCalibration::startAll(ArenaMode mode, ArenaCalibrationResult& r) {
    const ChannelSetting start = startingSetting(mode);
    for (int c = 0; c < kArenaChannels; ++c) {
        if (!device_.write(c, start)) {
            r.failedChannel = c;
            return false;
        }
        settings_[static_cast<std::size_t>(c)] = start;
        if (c % kRepaintEveryStarts == kRepaintEveryStarts - 1 && !keepGoing(r)) {
            return false;
        }
    }
    return true;
}

bool ArenaCalibration::tune(int channel, ArenaMode mode, const TargetBand& band,
                            ArenaCalibrationResult& r) {
    status_.text = "Calibrating CH" + std::to_string(channel);
    const int block = calibrationBlock(channel);
    const auto at = static_cast<std::size_t>(channel);
    if (!device_.readBlock(block, readings_)) {
        r.failedChannel = channel;
        return false;
    }
    const ApplySetting apply = [&](const ChannelSetting& s) -> std::optional<int> {
        if (!device_.write(channel, s)) {
            return std::nullopt;
        }
        settings_[at] = s;
        device_.settle();
        if (!device_.readBlock(block, readings_)) {
            return std::nullopt;
        }
        return readings_[at];
    };
    ChannelSetting setting = settings_[at];
    const std::optional<int> reading = tuneChannel(mode, setting, readings_[at], band, apply);
    if (!reading) {
        r.failedChannel = channel;
        return false;
    }
    r.readings[at] = *reading;
    ++r.channelsTuned;
    if (tuned) {
        tuned(channel);
    }
    return true;
}

bool ArenaCalibration::keepGoing(ArenaCalibrationResult& r) {
    device_.care().ui.processEvents();
    if (!status_.visible) {
        r.stopped = true;
        return false;
    }
    if (!device_.free()) {
        r.stopped = true;
        device_.care().ui.message(kArenaInterrupted);
        return false;
    }
    return true;
}

}  // namespace qv
