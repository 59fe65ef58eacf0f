#pragma once

#include <cstdint>
#include <memory>

#include "analysis/sample_block.h"

namespace qv::detail {

// Methods 0 and 1 for several channels of one block at once. The per-sample lines are
// recurrences through a rounding, so one channel on its own waits on each step's latency;
// running the same operations for independent channels side by side keeps the processor
// busy. Every lane does exactly the arithmetic of the single-channel path.
inline constexpr int kLanes = 8;

struct LaneWorkspace;
struct LaneWorkspaceDeleter {
    void operator()(LaneWorkspace* w) const;
};
using LaneWorkspacePtr = std::unique_ptr<LaneWorkspace, LaneWorkspaceDeleter>;
LaneWorkspacePtr makeLaneWorkspace();

// channels[0..n-1] (n <= kLanes, each 0..383, checked by the caller); counts[i] receives the
// count of channels[i]. Throws Overflow16Error when a 16-bit result of any lane leaves its
// range; a lane stops clipping from the sample where it failed.
void detectThresholdLanes(LaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n,
                          double snr, std::int16_t method, std::int16_t* counts);

}  // namespace qv::detail
