#pragma once

#include <functional>
#include <vector>

#include "common/controls.h"
#include "tools/arena_device.h"
#include "tools/channel_tuning.h"

namespace qv {

struct ArenaCalibrationResult {
    bool started = false;    // the instrument answered and every channel got its start
    bool completed = false;  // every channel was tuned
    bool stopped = false;    // the user hid the status line, or a run took the instrument
    int failedChannel = -1;  // the channel whose write or read failed
    int channelsTuned = 0;
    // Each channel's reading at its final setting; -1 for a channel not tuned.
    std::array<int, kArenaChannels> readings{};
    // Tuned channels whose final reading lies outside the band.
    std::vector<int> outside(const TargetBand& band) const;
};

// The arena's automatic calibration: every channel to the mode's starting setting, then each
// channel in turn tuned into the band on the reading of its own block. The window repaints
// between channels; hiding the status line `status` stops the calibration there.
class ArenaCalibration {
  public:
    ArenaCalibration(ArenaDevice& device, ChannelSettings& settings, Readings& readings,
                     Control& status)
        : device_(device), settings_(settings), readings_(readings), status_(status) {}

    ArenaCalibrationResult run(ArenaMode mode, const TargetBand& band);

    // Called after each channel is tuned, before the window repaints.
    std::function<void(int channel)> tuned;

  private:
    bool startAll(ArenaMode mode, ArenaCalibrationResult& r);
    bool tune(int channel, ArenaMode mode, const TargetBand& band, ArenaCalibrationResult& r);
    // Lets the window repaint; false once the user hid the status line or a run began.
    bool keepGoing(ArenaCalibrationResult& r);

    ArenaDevice& device_;
    ChannelSettings& settings_;
    Readings& readings_;
    Control& status_;
};

}  // namespace qv
