#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "acquisition/live_data.h"
#include "store/project_setup.h"

namespace qv {

// The counting mode of runs with automatic zero off: threshold crossings counted sample by
// sample as the samples arrive, against a line that follows each channel's recent maximum.
// Also the blank reading that learns each channel's threshold from its resting light.
class LiveCounter {
  public:
    // A run starts: no channel is below its line, nothing pending.
    void startRun();
    // A blank reading starts: every channel's minimum tracker at 10000, its maximum at 0.
    void startBlank();

    // Blank learning with the sample just read. Once the tick count exceeds the project's
    // Threshold_Counter every channel's threshold is set from its range and true is returned
    // (the blank is over); `status` then holds the status line.
    bool learnBlank(const SampleBlock& samples, int sample, std::int32_t tickCount,
                    ProjectSetup& setup, std::string& status);

    // The line value at the sample just read, for every channel; then, once the tick count
    // exceeds 1.5 x DSP_Interval, the count. `intervalReached` says the tick bookkeeping's
    // interval counter came round since the last sample (method 0 counts pending events then).
    void countSample(LiveData& data, const ProjectSetup& setup, bool intervalReached,
                     std::array<std::int16_t, kCountSlots>& counts);

  private:
    std::array<bool, kChannels> below_{};
    std::array<bool, kChannels> pending_{};
    std::array<std::int16_t, kChannels> blankMax_{};
    std::array<std::int16_t, kChannels> blankMin_{};
};

// The index rule of the live line: an index 0 or below stands for index + RT_Buffer - 1.
int wrappedSampleIndex(int index, int rtBuffer);

}  // namespace qv
