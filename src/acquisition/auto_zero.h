#pragma once

#include <array>
#include <span>

#include "acquisition/calibration_status.h"
#include "acquisition/care_context.h"
#include "analysis/sample_block.h"

namespace qv {

// A channel's mean level and mean ripple over the samples of an auto-zero, whole numbers.
struct RippleAndLevel {
    int ripple = 0;
    int level = 0;
};

// Over samples 11 .. N-2 (N = samples.size()), the envelope of the latest strict local maximum
// and minimum, both starting at sample 10: the mean of its height and of the samples.
RippleAndLevel rippleAndLevel(std::span<const std::int16_t> samples);
// The detection threshold the ripple allows at the SNR threshold: m + 1 with
// m = ripple / level x 100 x SNR (0 for a level below 1), at least 1.8.
double zeroThreshold(const RippleAndLevel& r, double snr);

struct AutoZeroResult {
    int samples = 0;       // N: 30 with automatic calibration and zero, else 100
    bool stopped = false;  // Stop came: no threshold changed
    bool silent = false;   // the instrument stopped answering: no threshold changed
    bool applied = false;  // the thresholds were set
    std::array<RippleAndLevel, kChannels> channels{};
};

// The auto-zero ("Fast ZERO", and at the start of a run): samples every channel N times as
// the acquisition cycle reads them, and sets each channel's detection threshold from its ripple
// and the working SNR threshold.
class AutoZero {
  public:
    AutoZero(CareContext& care, CalibrationStatus& status) : care_(care), status_(status) {}

    AutoZeroResult run();

  private:
    bool warmUp();
    bool sample(SampleBlock& block, int s);
    bool heard(const device::Bytes& reply);
    AutoZeroResult& silent(AutoZeroResult& r);

    CareContext& care_;
    CalibrationStatus& status_;
    int emptyInARow_ = 0;
};

}  // namespace qv
