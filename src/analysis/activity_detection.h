#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "analysis/detection_lanes.h"
#include "analysis/sample_block.h"
#include "common/checked16.h"

namespace qv {

// Detection methods, the project's 16-bit DSP_Method. Any other value clips and counts nothing.
enum DetectionMethod : std::int16_t {
    kMethodThresholdBinary = 0,   // at most one event per 30-sample window below the line
    kMethodThresholdAverage = 1,  // one event per downward crossing of the line
    kMethodMotilityIndex = 2,     // one event per 10-sample monotonic run beyond the ripple
    kMethodDrosophila = 3,        // crossing of a line at a fixed fraction of the baseline
};

// Why a call failed for a reason other than 16-bit arithmetic.
enum class DetectionFault {
    ChannelOutOfRange,  // channel outside 0..383
    BlockTooShort,      // fewer than 500 samples per channel
    MarksFileFailed,    // the chN.raw marks file could not be opened or written
};

class DetectionError : public std::runtime_error {
  public:
    DetectionError(DetectionFault fault, const std::string& what)
        : std::runtime_error(what), fault_(fault) {}
    DetectionFault fault() const { return fault_; }

  private:
    DetectionFault fault_;
};

// One entry per sample 0..500, as the plots index them.
using DetectionTrace = std::array<std::int16_t, 501>;
using PeriodHistogramBins = std::array<std::int16_t, 50>;

// Activity detection of one channel over one block. The detector owns the traces that the
// plots read after a call (ThresholdTrace, EventTrace) and the marks of the last call; every
// other working value is rebuilt on each call in fixed-size local arrays, so calls for
// different channels of one block are independent apart from each call clipping its own
// channel.
//
// Errors: a call either returns its result or throws, never both, so a caller can always
// tell a failed call from a count of 0.
//   - qv::Overflow16Error (common/checked16.h): a 16-bit addition or a conversion into a
//     16-bit value left -32768..32767 (the clip line, the threshold lines, the noise floor,
//     the motility trace, the histogram threshold).
//   - qv::DetectionError: see DetectionFault.
// A failed call writes no marks line and returns no count; samples it already clipped stay
// clipped, and the traces keep what the call had written up to the failure.
class ActivityDetector {
  public:
    ActivityDetector();
    ~ActivityDetector();
    ActivityDetector(ActivityDetector&&) noexcept;
    ActivityDetector& operator=(ActivityDetector&&) noexcept;

    // Counts the events of `channel` in `block` with `method` and returns the count. Clips
    // upward spikes of samples 0..499 of the channel in place. When write_marks is 1,
    // appends "<block_number> <500 flags>" CR LF to folder/ch<channel>.raw.
    std::int16_t DetectActivity(SampleBlock& block, std::int16_t channel, double snr,
                                std::int16_t method, std::int32_t write_marks,
                                const std::filesystem::path& folder, std::int32_t block_number);

    // The acquisition cycle's sweep at block end: counts[i] = the count of channels[i], the
    // same counts and clipping as calling DetectActivity for each listed channel in turn with
    // write_marks 0, but methods 0 and 1 run many channels side by side. Leaves
    // ThresholdTrace, EventTrace and marks() as they were (when it succeeds). The channels must
    // be distinct and counts at least as long (std::invalid_argument otherwise). Throws like
    // DetectActivity; after a throw the counts are incomplete and must not be used, and the
    // block is as those calls leave it when they stop at the failed channel.
    void DetectActivityBlock(SampleBlock& block, std::span<const std::int16_t> channels, double snr,
                             std::int16_t method, std::span<std::int16_t> counts);

    // Histogram of the spacings, in samples, between successive drops of the smoothed
    // signal deeper than round(threshold). Overwrites histogram[0..49]; returns 1.
    std::int16_t PeriodHistogram(const SampleBlock& block, std::int16_t channel,
                                 PeriodHistogramBins& histogram, double threshold);

    // The line of the last call: T for methods 0 and 1, the Drosophila line for method 3,
    // the smoothed detrended signal minus the noise floor (from sample 1) for method 2.
    // Untouched by other method values.
    DetectionTrace ThresholdTrace{};
    // -1 wherever a call counted an event (methods 0, 1 and 3). Never cleared by detection:
    // a caller that plots it sets entries 0..499 to 0 before the call.
    DetectionTrace EventTrace{};

    // The 500 flags ("0" or "1") of the last call, the text of its marks line.
    std::string_view marks() const { return {marks_.data(), 500}; }

  private:
    std::array<char, 501> marks_{};
    detail::LaneWorkspacePtr lanes_;
};

// folder/ch<channel>.raw, the channel without leading zeros.
std::filesystem::path marksFilePath(const std::filesystem::path& folder, int channel);

}  // namespace qv
