#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "analysis/report_fixture.h"
#include "analysis/sample_block.h"
#include "support/model_block.h"

namespace qv::testing {

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
