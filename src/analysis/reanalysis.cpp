#include "analysis/reanalysis.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>

#include "analysis/activity_detection.h"
#include "analysis/parallel_detection.h"
#include "analysis/raw_block_reader.h"
#include "analysis/report_binning.h"
#include "analysis/report_generate.h"
#include "common/file_util.h"
#include "common/rounding.h"
#include "store/snapshot_detection.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

using Status = ReanalysisOutcome::Status;

// The counts records as stored; a stamp no writer gives (outside 0..32767) ends the data, as
// it does for the report.
std::vector<CountsRecord> storedRecords(const std::string& bytes) {
    const RecordSpan span = recordSpan(bytes.size(), kCountsRecordBytes);
    std::vector<CountsRecord> out;
    out.reserve(span.records);
    for (std::size_t r = 0; r < span.records; ++r) {
        CountsRecord rec = decodeCountsRecord(
            std::string_view(bytes).substr(r * kCountsRecordBytes, kCountsRecordBytes));
        if (rec.minutes < 0 || rec.minutes > kLargestMinuteStamp) {
            break;
        }
        out.push_back(rec);
    }
    return out;
}

struct Prescan {
    std::size_t records = 0;
    std::int32_t largestStamp = 0;
};

// Records are counted while the last stamp read is within the limit, so the first record
// past it is counted too.
Prescan prescan(const std::vector<CountsRecord>& stored, std::int32_t limit) {
    Prescan p;
    std::int32_t last = 0;
    while (p.records < stored.size() && last <= limit) {
        last = stored[p.records].minutes;
        p.largestStamp = std::max(p.largestStamp, last);
        ++p.records;
    }
    return p;
}

// The replay of the stored blocks through the detection (the records loop of a run).
class Replay {
  public:
    Replay(const ReanalysisChoice& choice, const AcquisitionSettings& settings,
           const std::vector<CountsRecord>& stored, std::size_t total, const ReanalysisHooks& hooks,
           Ui& ui)
        : choice_(choice),
          stored_(stored),
          total_(std::min(total, stored.size())),
          hooks_(hooks),
          ui_(ui),
          reader_(choice.folder, settings.rtBuffer),
          block_(settings.rtBuffer),
          channels_(reanalysedChannels(settings)),
          counts_(channels_.size(), 0) {}

    Status run(ReanalysedRecords& out);

  private:
    bool analyse(std::size_t i, bool backwards, ActivityRecord& record);
    void detect(std::int32_t stamp);

    const ReanalysisChoice& choice_;
    const std::vector<CountsRecord>& stored_;
    std::size_t total_;
    const ReanalysisHooks& hooks_;
    Ui& ui_;
    ActivityDetector detector_;
    // Methods 0 and 1 sweep the block on two cores when the machine has them.
    std::optional<ParallelBlockDetector> sweep_;
    RawBlockReader reader_;
    SampleBlock block_;
    std::vector<std::int16_t> channels_;
    std::vector<std::int16_t> counts_;
};

Status Replay::run(ReanalysedRecords& out) {
    out.records.reserve(total_);
    std::int32_t previousStamp = 0;
    std::int32_t previousTime = 0;
    std::int64_t day = 0;
    for (std::size_t i = 0; i < total_; ++i) {
        const std::int32_t stamp = stored_[i].minutes;
        if (previousStamp - stamp > 1000) {
            ++day;
        }
        ActivityRecord record;
        record.time = static_cast<std::int32_t>(
            std::min<std::int64_t>(stamp + 1440 * day, std::numeric_limits<std::int32_t>::max()));
        record.temperature = stored_[i].temperatureX10();
        out.largestTime = std::max(out.largestTime, record.time);
        if (hooks_.record) {
            hooks_.record(i + 1, total_);
        }
        // A time that runs backwards is no data of this run; a day wrap is not backwards, as
        // the day rule has already moved its time on.
        if (!analyse(i, i > 0 && record.time < previousTime, record)) {
            return Status::Failed;
        }
        out.records.push_back(record);
        previousStamp = stamp;
        previousTime = record.time;
        if (hooks_.stopRequested && hooks_.stopRequested()) {
            return Status::Stopped;
        }
        if (stamp >= choice_.limitMinutes) {
            break;
        }
    }
    return Status::Reported;
}

// One record: its block read and, unless its time runs backwards, detected.
bool Replay::analyse(std::size_t i, bool backwards, ActivityRecord& record) {
    if (!reader_.next(block_)) {
        ui_.message("Real Time Data Not Found: " + reader_.failedFile().string() + " (block " +
                    std::to_string(i + 1) + ")");
        return false;
    }
    if (backwards) {
        return true;
    }
    try {
        detect(stored_[i].minutes);
    } catch (const std::exception& e) {
        ui_.message("Detection failed in block " + std::to_string(i + 1) + "/" +
                    std::to_string(total_) + ": " + e.what());
        return false;
    }
    for (std::size_t k = 0; k < channels_.size(); ++k) {
        record.counts[static_cast<std::size_t>(channels_[k])] = counts_[k];
    }
    return true;
}

void Replay::detect(std::int32_t stamp) {
    const std::int16_t method = choice_.method;
    if (!choice_.exportRaw &&
        (method == kMethodThresholdBinary || method == kMethodThresholdAverage)) {
        if (!sweep_) {
            sweep_.emplace();
        }
        sweep_->detect(block_, channels_, choice_.snr, method, counts_);
        return;
    }
    const std::int32_t marks = choice_.exportRaw ? 1 : 0;
    for (std::size_t k = 0; k < channels_.size(); ++k) {
        counts_[k] = detector_.DetectActivity(block_, channels_[k], choice_.snr, method, marks,
                                              choice_.folder, stamp);
    }
}

}  // namespace

const std::vector<std::string>& reanalysisMethodItems() {
    static const std::vector<std::string> items = {
        "0_Threshold+Binary (Old Method.w/filters)", "1_Threshold Avrg (Default.Agar&Liquid)",
        "2_uOrganism (Motility Index)", "3_Drosophila (Threshold)"};
    return items;
}

const std::vector<std::string>& reanalysisOrganismItems() {
    static const std::vector<std::string> items = {"C elegans(>L4)", "Zebrafish(Larvae)",
                                                   "Echinococcus", "Drosophila"};
    return items;
}

bool snrInRange(double snr, int organism) {
    if (organism == kOrganismDrosophila) {
        return snr >= 0.5 && snr <= 1.0;
    }
    return snr >= 1.1 && snr <= 6.0;
}

double snrDefault(int organism) {
    return organism == kOrganismDrosophila ? 0.8 : 1.8;
}

std::string reanalysisSubtitle(int method, int organism, const std::string& snrText) {
    const auto& methods = reanalysisMethodItems();
    const auto& organisms = reanalysisOrganismItems();
    const auto item = [](const std::vector<std::string>& list, int i) {
        return i >= 0 && i < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(i)]
                                                           : std::string();
    };
    return item(methods, method) + " " + item(organisms, organism) + " [SNR=" + snrText + "]";
}

std::vector<std::int16_t> reanalysedChannels(const AcquisitionSettings& settings) {
    std::vector<std::int16_t> channels;
    for (int c = 0; c < kChannels; ++c) {
        const int well = settings.map.wellOfChannel[c];
        if (well < 0) {
            continue;
        }
        const int first = settings.map.beamZeroChannel(well);
        if (first >= 0 && settings.groups.channelGroup[first] >= 0) {
            channels.push_back(static_cast<std::int16_t>(c));
        }
    }
    return channels;
}

bool replaceCountsRecords(const fs::path& folder, const std::string& oldBytes,
                          const std::vector<ActivityRecord>& records) {
    std::string bytes = oldBytes;
    if (bytes.size() < records.size() * kCountsRecordBytes) {
        return false;
    }
    for (std::size_t j = 0; j < records.size(); ++j) {
        CountsRecord stored = decodeCountsRecord(
            std::string_view(bytes).substr(j * kCountsRecordBytes, kCountsRecordBytes));
        stored.minutes = records[j].time;
        std::copy_n(records[j].counts.begin(), kChannels, stored.counts.begin());
        bytes.replace(j * kCountsRecordBytes, kCountsRecordBytes, encodeCountsRecord(stored));
    }
    const fs::path counts = countsFilePath(folder);
    return copyFileOver(counts, folder / "counts.bak") && writeFileAtomic(counts, bytes);
}

namespace {

// The settings, the stored counts and the raw data a run needs; nullopt after the message.
struct RunInput {
    AcquisitionSettings settings;
    std::string countsBytes;
    std::vector<CountsRecord> stored;
};

std::optional<RunInput> readRunInput(const ReanalysisChoice& choice, Ui& ui) {
    if (!isRegularFile(rawFilePath(choice.folder, 0))) {
        ui.message("Real Time Data Not Found");
        return std::nullopt;
    }
    auto settings = readAcquisitionSettings(choice.folder, choice.appFolder, ui);
    if (!settings) {
        return std::nullopt;
    }
    auto bytes = readFile(countsFilePath(choice.folder));
    if (!bytes) {
        ui.message("Activity file not Found");
        return std::nullopt;
    }
    RunInput in{std::move(*settings), std::move(*bytes), {}};
    in.stored = storedRecords(in.countsBytes);
    return in;
}

// "Replace old data": counts.bin, then the detection settings of the acquisition's setup.dat.
bool replaceOldData(const ReanalysisChoice& choice, const RunInput& in,
                    const ReanalysedRecords& out, const ReanalysisHooks& hooks, Ui& ui) {
    if (hooks.saving) {
        hooks.saving();
    }
    if (!replaceCountsRecords(choice.folder, in.countsBytes, out.records)) {
        ui.message("Error writing " + countsFilePath(choice.folder).string());
        return false;
    }
    const auto snrx10 = static_cast<std::int16_t>(
        std::clamp<std::int64_t>(roundHalfEven(choice.snr * 10), -32768, 32767));
    if (!updateSnapshotDetection(choice.folder, choice.method, choice.organism, snrx10)) {
        ui.message("error Updating setup.dat");
    }
    return true;
}

// The report of the new counts, through the report engine's binning and writer.
std::optional<fs::path> reportNewCounts(const ReanalysisChoice& choice, RunInput& in,
                                        ReanalysedRecords& out, ReanalysisOutcome& outcome, Ui& ui,
                                        Clock& clock) {
    BinnedRecords binned = binRecords(out.records, out.largestTime, outcome.bin);
    if (binned.lastBin < 0) {
        ui.message("Resampling ERROR");
        return std::nullopt;
    }
    ReportRequest request;
    request.folder = choice.folder;
    request.appFolder = choice.appFolder;
    request.bin = outcome.bin;
    request.options = choice.options;
    request.basalName = choice.basalName;
    if (outcome.replaced) {
        // The SETTING line comes from the setup.dat just updated.
        if (auto updated = readAcquisitionSettings(choice.folder, choice.appFolder, ui)) {
            in.settings = std::move(*updated);
        }
    } else {
        request.setting = reanalysisSubtitle(choice.method, choice.organism, choice.snrText);
    }
    try {
        return reportFromBinned(request, in.settings, binned, ui, clock);
    } catch (const std::exception&) {
        ui.message("Report Error");
        return std::nullopt;
    }
}

}  // namespace

ReanalysisOutcome runReanalysis(const ReanalysisChoice& choice, const ReanalysisHooks& hooks,
                                Ui& ui, Clock& clock) {
    ReanalysisOutcome outcome;
    auto in = readRunInput(choice, ui);
    if (!in) {
        return outcome;
    }
    const Prescan scan = prescan(in->stored, choice.limitMinutes);
    outcome.bin = std::max(correctedBinSize(choice.bin, scan.largestStamp), 2);
    if (hooks.started) {
        hooks.started(scan.records, outcome.bin);
    }
    ReanalysedRecords out;
    outcome.status = Replay(choice, in->settings, in->stored, scan.records, hooks, ui).run(out);
    outcome.records = out.records.size();
    if (outcome.status != Status::Reported) {
        return outcome;
    }
    if (choice.replace && !out.records.empty()) {
        outcome.replaced = replaceOldData(choice, *in, out, hooks, ui);
    }
    outcome.report = reportNewCounts(choice, *in, out, outcome, ui, clock);
    outcome.status = outcome.report ? Status::Reported : Status::Failed;
    return outcome;
}

}  // namespace qv
