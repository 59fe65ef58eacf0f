#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/activity_detection.h"
#include "analysis/raw_block_reader.h"
#include "common/canvas.h"
#include "common/clock.h"
#include "common/ui.h"
#include "offline/series/acquisition_plate.h"

namespace qv {

// Single-animal path tracking on plates with one animal per large well: the stored raw blocks
// are replayed step by step (one step per sample), the beams the detection marks as
// interrupted at a step give the animal's position in its well (the mean beam column and row),
// and the straight steps between positions add up to the distance it travelled, per block.
// Positions are in beam spacings; one spacing is 4.5 mm.

inline constexpr int kTrackStepsPerBlock = 500;
inline constexpr double kMmPerBeamSpacing = 4.5;
inline constexpr int kTrailLength = 6;

// Offered for the 6-well plate with zebrafish (organism 1) or flies (organism 3).
bool trackingOffered(const std::string& plateFormat, int organism);

struct TrackPoint {
    double x = -1;
    double y = -1;
    bool known() const { return x >= 0 && y >= 0; }
    friend bool operator==(const TrackPoint&, const TrackPoint&) = default;
};

struct WellTrack {
    std::vector<int> channels;                     // the well's beams
    std::array<TrackPoint, kTrailLength> trail{};  // newest first
    double distance = 0;                           // since the start, spacings
    double atBlockStart = 0;
    std::vector<int> interrupted;  // beams interrupted at the last step
};

class PathTracker {
  public:
    // Reads the acquisition's settings, plate and counts.bin (the minute of every record) and
    // runs the detection on the first raw block. False after a message ("Activity file not
    // Found" without counts.bin; missing raw samples or plate format say so).
    bool start(const std::filesystem::path& acquisition, const std::filesystem::path& appFolder,
               Ui& ui);
    bool started() const { return reader_ != nullptr; }

    // One step: the positions at the current sample of every well; after the block's last
    // sample its distances are stored and the next block is detected. False when the last
    // block is done (nothing happens then).
    bool step();
    bool finished() const { return started() && block_ >= blocks_; }
    // Back to the first step of the first block, every trail and distance cleared.
    bool rewind();

    int blocks() const { return blocks_; }
    int block() const { return block_; }
    int stepInBlock() const { return step_; }
    // "block x 500 + step" "/" "blocks x 500": where the replay stands in the run.
    std::string positionText() const;

    const std::filesystem::path& folder() const { return folder_; }
    const AcquisitionPlate& acquisition() const { return *acquisition_; }
    // Wells 0..the plate's last well; a well without beams has no channels.
    const std::vector<WellTrack>& wells() const { return wells_; }
    // The distance of every finished block, [block][well], in spacings.
    const std::vector<std::vector<double>>& blockDistances() const { return blockDistances_; }
    const std::vector<std::int32_t>& recordMinutes() const { return minutes_; }
    // Channels whose detection failed in some block (they count as never interrupted there).
    int failedDetections() const { return failedDetections_; }

  private:
    bool detectNextBlock();
    void resetWells();
    void locate(WellTrack& well);
    void closeBlock();

    std::filesystem::path folder_;
    std::optional<AcquisitionPlate> acquisition_;
    std::unique_ptr<RawBlockReader> reader_;
    ActivityDetector detector_;
    SampleBlock samples_;
    double snr_ = 1.8;
    std::vector<std::int32_t> minutes_;
    int blocks_ = 0;
    int block_ = 0;
    int step_ = 0;
    // The detection's event trace of every beam in a well for the current block.
    std::vector<DetectionTrace> traces_ = std::vector<DetectionTrace>(SampleBlock::kBeams);
    std::vector<WellTrack> wells_;
    std::vector<std::vector<double>> blockDistances_;
    int failedDetections_ = 0;
};

// The picture of the current step on the plate: the wells as the plate view draws them, the
// interrupted beams as small blue circles, each animal as a red circle at its position with
// its trail in red, and its distance so far in millimetres ("123mm") at its well.
void drawTrackingFrame(Canvas& canvas, const PathTracker& tracker);

// bmp/ + sample position as "00000" + ".bmp" in the acquisition folder.
std::filesystem::path trackingFramePath(const std::filesystem::path& acquisition,
                                        std::int64_t samplePosition);

// The travel distance table:
//   "DATE:"<sep>"<now>"
//   "FILE:"<sep>"<acquisition path>"
//   (empty)
//   "<<<<<< Travel Distance: [milimeter/acq_block] >>>>>>"
//   Group/Time[m]<sep>minute of every record, "0.0"
//   "000_<name of group 0>"<sep>distance of every block in mm, "0"   (one line per well)
//   (empty)
std::string travelTableText(const PathTracker& tracker, const DateTime& now,
                            const std::string& separator);

// Writes the table as report.csv in the acquisition folder, or report_1.csv, report_2.csv ...
// when that one is already there or cannot be opened, and opens it through the Ui. nullopt
// when no name could be written.
std::optional<std::filesystem::path> writeTravelTable(const PathTracker& tracker,
                                                      const std::string& separator, Clock& clock,
                                                      Ui& ui);

// "Export Data": every remaining step without drawing (`onBlock` told and events passed at
// the start of every block), the table written and opened, and the replay rewound to its start.
std::optional<std::filesystem::path> exportTravelDistances(
    PathTracker& tracker, const std::string& separator, Clock& clock, Ui& ui,
    const std::function<void(const PathTracker&)>& onBlock = {});

}  // namespace qv
