#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "analysis/report_fixture.h"
#include "analysis/sample_block.h"

namespace qv::testing {

// The light of every beam over one block, from a seeded model: each beam at its own level
// with a little noise; in about a third of the beams an animal crosses now and then (a dip of
// a few samples), and now and then a spike far above the level.
SampleBlock modelBlock(std::uint32_t seed, int rtBuffer = SampleBlock::kDefaultRtBuffer);

// An acquisition folder as a recording run leaves it: the settings snapshot of the fixture,
// then for each block the raw samples as read (N.bin), and counts.bin with the counts of
// DetectActivity method 1 at the run's SNR on a copy of the block, through the acquisition's
// block-end writer.
struct RecordedRun {
    AcquisitionFixture acquisition;
    int blocks = 25;
    double snr = 1.8;
    std::uint32_t seed = 7;
    // The minute stamp of block b: 15-second blocks by default.
    std::function<int(int)> stamp = [](int b) { return b / 4; };
    double temperature = 21.5;
    // The block of b (default: the model with seed + b).
    std::function<SampleBlock(int)> block;

    void write(const std::filesystem::path& folder) const;
};

}  // namespace qv::testing
