#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/activity_files.h"
#include "analysis/sample_block.h"

namespace qv {

// What the acquisition cycle measures and the live views read: the running totals, the
// body-bends histograms, the block being filled and the live threshold line. The cycle owns
// and writes it; the views only read it.
struct LiveData {
    explicit LiveData(int rtBuffer = SampleBlock::kDefaultRtBuffer) { reset(rtBuffer); }

    // Sizes the blocks for RT_Buffer samples and zeroes everything: when the main window loads
    // and whenever it is activated while the acquisition timer is stopped.
    void reset(int rtBuffer) {
        totals.fill(0);
        histograms.assign(static_cast<std::size_t>(kHistogramValues), 0);
        histogramPeak.fill(0);
        samples = SampleBlock(rtBuffer);
        liveLine = SampleBlock(rtBuffer);
        sampleIndex = 0;
        tickCount = 0;
        blink = false;
        channelOffset = 0;
    }

    // Counts summed per channel; a channel stops growing once its total exceeds 9999.
    std::array<std::int16_t, kCountSlots> totals{};
    // Peak-spacing histograms summed since the reset: channel c, bin b at b x 385 + c, as in
    // a histogram record.
    std::vector<std::int32_t> histograms;
    std::array<std::int32_t, kCountSlots> histogramPeak{};
    SampleBlock samples;
    SampleBlock liveLine;
    // The column the next tick fills, and ticks since the run started.
    std::int16_t sampleIndex = 0;
    std::int32_t tickCount = 0;
    // Toggles every DSP_Interval ticks; the signal view draws the line blue or green by it.
    bool blink = false;
    // The last temperature read, formatted "0.0"; empty before the first reading.
    std::string temperatureText;
    // Alternates between 0 and 64 at each block in body-bends mode.
    int channelOffset = 0;
};

}  // namespace qv
