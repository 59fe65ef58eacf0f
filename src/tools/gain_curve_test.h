#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "common/controls.h"
#include "tools/arena_device.h"

namespace qv {

inline constexpr int kGainCurveReadings = 21;
inline constexpr int kGainCurveSettings = 8;

// One setting of the test: the 21 readings of every channel, and per channel their mean and
// mean absolute deviation.
struct GainCurveStep {
    ChannelSetting setting;
    std::vector<Readings> readings;
    std::array<double, kArenaChannels> mean{};
    std::array<double, kArenaChannels> deviation{};
};

struct GainCurveResult {
    bool completed = false;  // all eight settings measured and written to the files
    bool stopped = false;
    bool restored = false;  // every channel has its setting from before the test back
    std::vector<GainCurveStep> steps;
};

// Means and mean absolute deviations of the step's readings.
void summarise(GainCurveStep& step);

// The three files' lines for one step (CR LF ends).
std::string backgroundLines(const GainCurveStep& step);
std::string meanLine(const GainCurveStep& step);
std::string deviationLine(const GainCurveStep& step);

// "TEST CURVA DE GANANCIA": every channel at Gain 0..7 in turn, at the pinhole chosen, 21
// readings of all channels at each, appended to test_bk.txt, test_mean.txt and test_desv.txt
// in the application folder. The channels' own settings are read first and written back at
// the end, so the test leaves the instrument calibrated as it found it.
class GainCurveTest {
  public:
    GainCurveTest(ArenaDevice& device, Control& txt_test, Control& status)
        : device_(device), txt_test_(txt_test), status_(status) {}

    GainCurveResult run(int pinHole);

    static std::array<std::filesystem::path, 3> files(const std::filesystem::path& folder);

  private:
    bool snapshot(ChannelSettings& before);
    bool measure(ChannelSetting setting, GainCurveResult& r);
    bool append(const GainCurveStep& step);
    bool restore(const ChannelSettings& before);
    bool keepGoing(GainCurveResult& r);

    ArenaDevice& device_;
    Control& txt_test_;
    Control& status_;
};

}  // namespace qv
