#include "analysis/recorded_run.h"

#include <random>
#include <stdexcept>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"

namespace qv::testing {

SampleBlock modelBlock(std::uint32_t seed, int rtBuffer) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> level(1500, 3500), noise(-12, 12), percent(0, 999);
    SampleBlock block(rtBuffer);
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        const int base = level(rng);
        const bool animal = c % 3 == 0;
        int dip = 0;
        for (int s = 0; s < block.rtBuffer(); ++s) {
            if (animal && dip == 0 && percent(rng) < 15) {
                dip = 4 + percent(rng) % 12;
            }
            int v = base + noise(rng);
            if (dip > 0) {
                v = v / 2;
                --dip;
            } else if (percent(rng) == 0) {
                v = base * 2;
            }
            block.at(c, s) = static_cast<std::int16_t>(v);
        }
    }
    return block;
}

void RecordedRun::write(const std::filesystem::path& folder) const {
    acquisition.write(folder, {});
    FileRotation rotation;
    ActivityDetector detector;
    for (int b = 0; b < blocks; ++b) {
        const SampleBlock raw =
            block ? block(b)
                  : modelBlock(seed + static_cast<std::uint32_t>(b), acquisition.rtBuffer);
        SampleBlock detected = raw;
        CountsRecord counts;
        counts.minutes = stamp(b);
        for (std::int16_t c = 0; c < SampleBlock::kBeams; ++c) {
            counts.counts[static_cast<std::size_t>(c)] =
                detector.DetectActivity(detected, c, snr, kMethodThresholdAverage, 0, {}, 0);
        }
        if (!appendBlockRecords(folder, rotation, &raw, counts, temperature, nullptr)) {
            throw std::runtime_error("cannot write the recorded run");
        }
    }
}

}  // namespace qv::testing
