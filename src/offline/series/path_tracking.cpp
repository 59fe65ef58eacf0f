#include "offline/series/path_tracking.h"

#include <algorithm>
#include <cmath>

#include "analysis/activity_files.h"
#include "offline/series/signal_export.h"

namespace qv {

namespace fs = std::filesystem;

bool trackingOffered(const std::string& plateFormat, int organism) {
    return plateFormat == "w6" && (organism == 1 || organism == 3);
}

bool PathTracker::start(const fs::path& acquisition, const fs::path& appFolder, Ui& ui) {
    reader_.reset();
    folder_ = acquisition;
    const auto counts = readCountsFile(countsFilePath(acquisition));
    if (!counts) {
        ui.message("Activity file not Found");
        return false;
    }
    acquisition_ = readAcquisitionPlate(acquisition, appFolder, ui);
    if (!acquisition_) {
        return false;
    }
    minutes_.clear();
    for (const CountsRecord& r : counts->records) {
        minutes_.push_back(r.minutes);
    }
    const int rtBuffer = acquisition_->settings.rtBuffer;
    const std::size_t raw = rawBlockCount(acquisition, rtBuffer);
    blocks_ = static_cast<int>(std::min(raw, counts->records.size()));
    if (blocks_ == 0 || rtBuffer < SampleBlock::kDetectionSamples) {
        ui.message("No raw samples to track in " + acquisition.string() +
                   " (the run kept no raw data, or its blocks are too short)");
        return false;
    }
    snr_ = storedSnr(acquisition_->settings.snrx10);
    samples_ = SampleBlock(rtBuffer);
    return rewind();
}

bool PathTracker::rewind() {
    if (!acquisition_) {
        return false;
    }
    reader_ = std::make_unique<RawBlockReader>(folder_, acquisition_->settings.rtBuffer);
    block_ = 0;
    step_ = 0;
    failedDetections_ = 0;
    blockDistances_.clear();
    resetWells();
    if (!detectNextBlock()) {
        reader_.reset();
        return false;
    }
    return true;
}

void PathTracker::resetWells() {
    const PlateFormat& plate = acquisition_->plate;
    wells_.assign(static_cast<std::size_t>(std::max<int>(plate.largestWell + 1, 0)), WellTrack{});
    for (std::size_t w = 0; w < wells_.size(); ++w) {
        for (const auto& [beam, channel] : beamsOfWell(plate, static_cast<int>(w))) {
            wells_[w].channels.push_back(channel);
        }
    }
}

// The detection of every beam in a well over the next raw block: its event trace marks the
// samples where the beam was found interrupted. A beam whose detection fails is taken as never
// interrupted in that block rather than ending the replay.
bool PathTracker::detectNextBlock() {
    if (!reader_->next(samples_)) {
        return false;
    }
    for (const WellTrack& well : wells_) {
        for (const int c : well.channels) {
            detector_.EventTrace.fill(0);
            try {
                detector_.DetectActivity(samples_, static_cast<std::int16_t>(c), snr_, 1, 0, {}, 0);
                traces_[static_cast<std::size_t>(c)] = detector_.EventTrace;
            } catch (const std::exception&) {
                traces_[static_cast<std::size_t>(c)].fill(0);
                ++failedDetections_;
            }
        }
    }
    return true;
}

// The animal stands at the mean beam column and row of the well's interrupted beams. The first
// position found has no earlier one to measure from, so it adds no distance.
void PathTracker::locate(WellTrack& well) {
    well.interrupted.clear();
    double x = 0, y = 0;
    for (const int c : well.channels) {
        if (traces_[static_cast<std::size_t>(c)][static_cast<std::size_t>(step_)] == -1) {
            well.interrupted.push_back(c);
            x += c / 16;
            y += c % 16;
        }
    }
    if (well.interrupted.empty()) {
        return;
    }
    const auto n = static_cast<double>(well.interrupted.size());
    const TrackPoint now{x / n, y / n};
    const TrackPoint before = well.trail[0];
    std::rotate(well.trail.rbegin(), well.trail.rbegin() + 1, well.trail.rend());
    well.trail[0] = now;
    if (before.known()) {
        well.distance += std::hypot(now.x - before.x, now.y - before.y);
    }
}

void PathTracker::closeBlock() {
    std::vector<double> distances;
    for (WellTrack& well : wells_) {
        distances.push_back(well.distance - well.atBlockStart);
        well.atBlockStart = well.distance;
    }
    blockDistances_.push_back(std::move(distances));
    step_ = 0;
    ++block_;
    // A raw block that cannot be read any more ends the replay where it stands.
    if (block_ < blocks_ && !detectNextBlock()) {
        blocks_ = block_;
    }
}

bool PathTracker::step() {
    if (!started() || finished()) {
        return false;
    }
    for (WellTrack& well : wells_) {
        locate(well);
    }
    if (++step_ == kTrackStepsPerBlock) {
        closeBlock();
    }
    return true;
}

std::string PathTracker::positionText() const {
    return std::to_string(static_cast<std::int64_t>(block_) * kTrackStepsPerBlock + step_) + "/" +
           std::to_string(static_cast<std::int64_t>(blocks_) * kTrackStepsPerBlock);
}

fs::path trackingFramePath(const fs::path& acquisition, std::int64_t samplePosition) {
    std::string digits = std::to_string(samplePosition);
    if (digits.size() < 5) {
        digits.insert(0, 5 - digits.size(), '0');
    }
    return acquisition / "bmp" / (digits + ".bmp");
}

}  // namespace qv
