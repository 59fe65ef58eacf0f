#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "analysis/sample_block.h"

namespace qv::testing {

// A deliberately plain reading of the detection steps, one loop per step, every window summed
// term by term in wide integers and doubles, 16-bit range checked only where the steps say a
// 16-bit result is formed. The detector's faster window sums must agree with it bit for bit.
struct ReferenceOutcome {
    bool overflow = false;  // a 16-bit result left its range
    std::int16_t count = 0;
    std::array<std::int16_t, 501> thresholdTrace{};
    std::array<std::int16_t, 501> eventTrace{};
    std::string marks;  // 500 flags
};

// Clips `block` in place like the detector; traces start from the values given.
ReferenceOutcome referenceDetect(SampleBlock& block, int channel, double snr, int method,
                                 const std::array<std::int16_t, 501>& thresholdTrace,
                                 const std::array<std::int16_t, 501>& eventTrace);

}  // namespace qv::testing
