#pragma once

#include <array>
#include <vector>

#include "acquisition/calibration_status.h"
#include "acquisition/care_context.h"

namespace qv {

// Light levels 1638 to 1843 (0.40 and 0.45 of 4096) are where a beam sees its organisms best.
inline constexpr int kWindowLow = 1638;
inline constexpr int kWindowHigh = 1843;

// One channel on the brightness ladder PinHole 1 Gain 0, PinHole 1 Gain 1, ..., PinHole 7
// Gain 7 (rung 8 x PinHole + Gain), and where it was last heading.
struct LadderChannel {
    int pinHole = 0;
    int gain = 0;
    bool done = false;
    int direction = 0;  // -1 darker, 0 none, +1 brighter
};

// One pass's decision for a channel not done, at light level L. True when the channel is still
// not done and its (possibly new) setting must be written.
bool stepOnLadder(LadderChannel& ch, int level);

struct FastCalibrationResult {
    bool offline = false;
    bool fileUnreadable = false;  // calvalue.dat exists but cannot be read
    bool firstTime = false;       // no calvalue.dat: the starting values were written
    bool channelsWritten = false;
    int passes = 0;
    int failedChannel = -1;  // the write the instrument never confirmed
    bool fileWritten = false;
    // Per channel: the level of the last pass (0 until a reply brought one), and the level its
    // last decision was made on (-1 for a channel never judged, such as one in no well).
    std::array<int, kCalibrationChannels> levels{};
    std::array<int, kCalibrationChannels> judgedLevels{};
    bool ok() const { return !offline && !fileUnreadable && failedChannel < 0 && fileWritten; }
};

// "Fast CALIB": the application steps every channel's setting, one rung per pass, until its
// light level lies in the window. It works while a run is active (run state above 0); Stop
// sets the run state to 0 and ends it at its next check.
class FastCalibration {
  public:
    FastCalibration(CareContext& care, CalibrationStatus& status) : care_(care), status_(status) {}

    FastCalibrationResult run();

  private:
    bool loadTables(FastCalibrationResult& r);
    std::vector<LadderChannel> prepareChannels();
    bool writeAll(const std::vector<LadderChannel>& ladder, FastCalibrationResult& r);
    bool pass(std::vector<LadderChannel>& ladder, int& changed, FastCalibrationResult& r);
    void readLevels(std::array<int, kCalibrationChannels>& levels);
    bool write(int channel, const LadderChannel& ch, FastCalibrationResult& r);
    bool running() const { return care_.state.runState > 0; }

    CareContext& care_;
    CalibrationStatus& status_;
};

}  // namespace qv
