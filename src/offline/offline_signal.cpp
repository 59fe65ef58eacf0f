#include "offline/offline_signal.h"

#include <algorithm>
#include <system_error>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "common/field_text.h"
#include "common/number_format.h"

namespace qv {

namespace fs = std::filesystem;

int RawLayout::blocks() const {
    for (int f = static_cast<int>(recordsInFile.size()) - 1; f >= 0; --f) {
        if (recordsInFile[f] > 0) {
            return f * kBlocksPerFile + recordsInFile[f];
        }
    }
    return 0;
}

int RawLayout::pages() const {
    const int b = blocks();
    return (b + kBlocksPerPage - 1) / kBlocksPerPage;
}

bool RawLayout::hasBlock(int block) const {
    const int file = block / kBlocksPerFile;
    return block >= 0 && file < static_cast<int>(recordsInFile.size()) &&
           block % kBlocksPerFile < recordsInFile[file];
}

RawLayout rawLayout(const fs::path& acquisitionFolder, int rtBuffer) {
    RawLayout layout;
    layout.rtBuffer = rtBuffer;
    const std::size_t recordBytes = rawRecordBytes(rtBuffer);
    // Raw files are numbered from 0 without gaps in a run; a missing number ends the list
    // unless later ones are there (a file lost inside the run).
    int missingInARow = 0;
    for (int f = 0; missingInARow < 8; ++f) {
        std::error_code ec;
        const auto size = fs::file_size(rawFilePath(acquisitionFolder, f), ec);
        if (ec) {
            ++missingInARow;
            layout.recordsInFile.push_back(0);
            continue;
        }
        missingInARow = 0;
        layout.recordsInFile.push_back(
            static_cast<int>(std::min<std::uintmax_t>(size / recordBytes, kBlocksPerFile)));
    }
    while (!layout.recordsInFile.empty() && layout.recordsInFile.back() == 0) {
        layout.recordsInFile.pop_back();
    }
    return layout;
}

std::vector<int> channelsOfWellBeams(const PlateFormat& plate, int well) {
    std::vector<int> out;
    for (int b = 0; b < plate.beamsOfWell(well); ++b) {
        const int c = plate.channelOf(well, b);
        if (c >= 0) {
            out.push_back(c);
        }
    }
    return out;
}

namespace {

// A block as stored, or nothing when its file lacks it.
std::optional<SampleBlock> readBlock(const fs::path& folder, const RawLayout& layout, int block) {
    if (!layout.hasBlock(block)) {
        return std::nullopt;
    }
    return readRawBlock(rawFilePath(folder, block / kBlocksPerFile), layout.rtBuffer,
                        static_cast<std::size_t>(block % kBlocksPerFile));
}

}  // namespace

SignalPage loadSignalPage(const fs::path& folder, const RawLayout& layout, int page,
                          const std::vector<int>& channels) {
    SignalPage p;
    p.pages = std::max(layout.pages(), 1);
    p.page = std::clamp(page, 1, p.pages);
    p.rtBuffer = layout.rtBuffer;
    p.blocksPerPage = kBlocksPerPage;
    p.channels = channels;
    const std::size_t perBeam = static_cast<std::size_t>(kBlocksPerPage) * layout.rtBuffer;
    p.samples.assign(channels.size(), std::vector<std::int16_t>(perBeam, 0));
    p.blockRead.assign(kBlocksPerPage, false);
    const int first = (p.page - 1) * kBlocksPerPage;
    for (int k = 0; k < kBlocksPerPage; ++k) {
        const auto block = readBlock(folder, layout, first + k);
        if (!block) {
            continue;
        }
        p.blockRead[k] = true;
        for (std::size_t beam = 0; beam < channels.size(); ++beam) {
            const int samples = std::min(block->samplesPerChannel(), layout.rtBuffer);
            for (int s = 0; s < samples; ++s) {
                p.samples[beam][static_cast<std::size_t>(k) * layout.rtBuffer + s] =
                    block->at(channels[beam], s);
            }
        }
    }
    return p;
}

WellAnalysis analyseWell(const fs::path& folder, const RawLayout& layout,
                         const std::vector<int>& channels, double snr, bool modeOne,
                         const std::vector<std::int32_t>& minutes,
                         const std::function<bool(int, int)>& progress) {
    WellAnalysis a;
    a.channels = channels;
    a.setting = std::string(modeOne ? "Mode:1" : "Mode:0") + " SNR=" + formatNumber(snr, "0.0");
    const int total = std::min(layout.blocks(), kMostAnalysedBlocks);
    a.counts.assign(channels.size(), {});
    ActivityDetector detector;
    const auto method = static_cast<std::int16_t>(modeOne ? 1 : 0);
    // Records carry whole minutes; blocks sharing a minute are spread over it at their own
    // length (30 ms a sample), so a pause in the run still shows where it was.
    const double blockMinutes = layout.rtBuffer * 0.03 / 60;
    int sameMinute = 0;
    for (int k = 0; k < total; ++k) {
        const auto at = static_cast<std::size_t>(k);
        const bool stamped = at < minutes.size();
        sameMinute = stamped && at > 0 && minutes[at] == minutes[at - 1] ? sameMinute + 1 : 0;
        auto block = readBlock(folder, layout, k);
        if (block && block->holdsDetectionSamples()) {
            a.minutes.push_back(stamped ? minutes[at] + sameMinute * blockMinutes
                                        : k * blockMinutes);
            for (std::size_t beam = 0; beam < channels.size(); ++beam) {
                a.counts[beam].push_back(detector.DetectActivity(
                    *block, static_cast<std::int16_t>(channels[beam]), snr, method, 0, {}, 0));
            }
        }
        if (progress && !progress(k + 1, total)) {
            break;
        }
    }
    return a;
}

double offlineThreshold(const std::string& typed) {
    std::string text = typed;
    std::replace(text.begin(), text.end(), ',', '.');
    const auto value = parseNumber(text);
    if (!value || *value > 6.0 || *value < 1.1) {
        return 1.8;
    }
    return *value;
}

}  // namespace qv
