#pragma once

#include <cstdint>
#include <memory>

#include "analysis/detection_int_lanes.h"
#include "analysis/sample_block.h"

namespace qv::detail {

// Methods 0 and 1 for several channels of one block at once, in double lanes; the integer
// lanes (detection_int_lanes.h) take the groups they can vouch for. The per-sample lines are
// recurrences through a rounding, so one channel on its own waits on each step's latency;
// running the same operations for independent channels side by side keeps the processor
// busy. Every lane does the literal double arithmetic of the detection steps.
inline constexpr int kLanes = 8;

struct LaneWorkspace;
struct LaneWorkspaceDeleter {
    void operator()(LaneWorkspace* w) const;
};
using LaneWorkspacePtr = std::unique_ptr<LaneWorkspace, LaneWorkspaceDeleter>;
LaneWorkspacePtr makeLaneWorkspace();

// Which way the groups of a sweep went: the integer lanes, or the double lanes for the clip
// line or the threshold line of a group outside the integer lanes' proven range.
struct LanePaths {
    int integerClips = 0;
    int doubleClips = 0;
    int integerCounts = 0;
    int doubleCounts = 0;
};
const LanePaths& lanePaths(const LaneWorkspace& w);
// The integer lanes on another instruction set the processor has (false otherwise), so that
// every build of them can be checked on one machine.
bool useLaneIsa(LaneWorkspace& w, LaneIsa isa);

// What both kinds of lanes share with the single-channel steps.
// round(sum / count), ties to even, as a double.
double roundedMean(std::int32_t sum, int count);
// k of steps 3 and 4 from a lane's ripple and level (the second pass also wants ripple < level).
double laneMargin(double ripple, double level, double snr, bool second);
[[noreturn]] void throwLaneOverflow(std::int16_t channel);

// On x86-64 Linux the lane code is built twice, for the baseline and for processors with AVX2,
// and the loader picks the one the processor runs; flatten pulls every step into each build.
// Both do the same IEEE arithmetic (AVX2 brings no fused multiply-add, and the files are
// built with -ffp-contract=off), so the results are the same too. clang (the fuzz build)
// cannot flatten a cloned function and builds the baseline only.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__) && !defined(__clang__)
#define QV_LANE_CLONES __attribute__((target_clones("avx2", "default"), flatten))
#else
#define QV_LANE_CLONES
#endif

// True when the n channels are `lanes` neighbours, channels[0], channels[0] + 1, ...: they sit
// side by side in every sample row of the block.
inline bool neighbouringChannels(const std::int16_t* channels, int n, int lanes) {
    if (n != lanes) {
        return false;
    }
    for (int l = 1; l < lanes; ++l) {
        if (channels[l] != channels[0] + l) {
            return false;
        }
    }
    return true;
}

// The most channels detectThresholdLanes takes at once.
inline constexpr int kSweepGroup = 16;

// channels[0..n-1] (n <= kSweepGroup, each 0..383 and distinct, checked by the caller);
// counts[i] receives the count of channels[i]. Throws Overflow16Error when a 16-bit result of
// a channel leaves its range, and leaves the block as calling the single-channel steps for
// each channel in turn would: the channels before it clipped, the failed one clipped up to
// the failure, the ones after it untouched.
void detectThresholdLanes(LaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n,
                          double snr, std::int16_t method, std::int16_t* counts);

}  // namespace qv::detail
