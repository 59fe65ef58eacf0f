#include "analysis/recorded_run.h"

#include <random>
#include <stdexcept>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"

namespace qv::testing {

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
