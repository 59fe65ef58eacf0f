#pragma once

#include <vector>

#include "common/controls.h"
#include "tools/arena_device.h"

namespace qv {

struct ArenaSavingResult {
    bool written = false;  // calvalue.dat was written from the read-back
    bool stopped = false;
    std::vector<int> silentChannels;  // did not answer; they kept their saved values
};

// "Save": every channel's setting read back from the instrument becomes its saved PinHole and
// Gain, and calvalue.dat is written from them. The status line `status` shows the channel; the
// user stops the saving by hiding it, which leaves calvalue.dat as it was.
class ArenaSaving {
  public:
    ArenaSaving(ArenaDevice& device, ChannelSettings& settings, Control& status)
        : device_(device), settings_(settings), status_(status) {}

    ArenaSavingResult run();

  private:
    bool readBack(CalibrationValues& saved, ArenaSavingResult& r);
    bool keepGoing(ArenaSavingResult& r);
    void write(const CalibrationValues& saved, ArenaSavingResult& r);

    ArenaDevice& device_;
    ChannelSettings& settings_;
    Control& status_;
};

}  // namespace qv
