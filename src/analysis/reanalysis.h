#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/activity_files.h"
#include "analysis/report_acquisition.h"
#include "analysis/report_records.h"
#include "analysis/report_writer.h"
#include "common/clock.h"
#include "common/ui.h"

namespace qv {

// The lists of the re-analysis panel, in their order (list index = stored code).
const std::vector<std::string>& reanalysisMethodItems();    // `Cmb_dspmethod`
const std::vector<std::string>& reanalysisOrganismItems();  // `Cmb_organism`
inline constexpr int kOrganismDrosophila = 3;

// The SNR the panel keeps: with Drosophila 0.5 to 1 (else 0.8), otherwise 1.1 to 6 (else 1.8).
bool snrInRange(double snr, int organism);
double snrDefault(int organism);

// The time limit of a run in minutes: the whole acquisition (32000) when the old data are
// replaced, otherwise the data lapse in minutes.
inline constexpr std::int32_t kWholeAcquisitionMinutes = 32000;

// The report's SETTING text of a run that keeps the stored counts: the method's and the
// organism's item texts and the SNR as typed, "1_Threshold Avrg (...) C elegans(>L4) [SNR=1.8]".
std::string reanalysisSubtitle(int method, int organism, const std::string& snrText);

// What one run of "Analyze Raw Data" works with: the panel's choices as RUN reads them.
struct ReanalysisChoice {
    std::filesystem::path folder;     // `Txt_inputfile`
    std::filesystem::path appFolder;  // where the plate formats are
    std::int16_t method = 1;          // `Cmb_dspmethod`
    std::int16_t organism = 0;        // `Cmb_organism`
    double snr = 1.8;                 // `frmtxt_threshold`
    std::string snrText = "1.8";
    std::int32_t limitMinutes = kWholeAcquisitionMinutes;
    std::int32_t bin = 30;   // `Cmb_binsize`, at least 2
    bool replace = false;    // `Chk_replacedata`
    bool exportRaw = false;  // `Chk_rawexport`: marks files chN.raw
    // How the report is written (layout, file type, separator, statistics, basal name).
    ReportOptions options;
    std::string basalName;
};

// What the window follows while a run goes on.
struct ReanalysisHooks {
    // Before the first record: how many records the run takes and the bin the box shows.
    std::function<void(std::size_t records, std::int32_t bin)> started;
    // Before record n (1-based) of the total is analysed; the window shows it and lets
    // events through.
    std::function<void(std::size_t n, std::size_t total)> record;
    // After each record: true ends the run there, without saving or reporting.
    std::function<bool()> stopRequested;
    // Before counts.bin is rewritten.
    std::function<void()> saving;
};

struct ReanalysisOutcome {
    enum class Status {
        Reported,  // the report was written
        Stopped,   // "STOP": nothing saved, no report
        Failed,    // a message said why; counts.bin may already be replaced (Resampling ERROR)
    };
    Status status = Status::Failed;
    std::size_t records = 0;  // records analysed
    std::int32_t bin = 0;     // the bin the report used
    bool replaced = false;    // counts.bin rewritten (the previous one is counts.bak)
    std::optional<std::filesystem::path> report;
};

// The new counts of a run, one record per counts record analysed.
struct ReanalysedRecords {
    std::vector<ActivityRecord> records;
    std::int32_t largestTime = 0;
};

// counts.bin rewritten with the new counts of records 0..n-1 (minute stamp = the record's
// time, slot 384 kept), later records and any trailing partial record as they were. The file
// is written beside the old one and renamed into place, and the old one is kept as
// counts.bak, so a crash never leaves half a file and a replace can be undone. False (nothing
// changed) when either cannot be written.
bool replaceCountsRecords(const std::filesystem::path& folder, const std::string& oldBytes,
                          const std::vector<ActivityRecord>& records);

// The channels whose counts a run computes: those in a well whose beam-0 channel has a group.
std::vector<std::int16_t> reanalysedChannels(const AcquisitionSettings& settings);

// "Analyze Raw Data", RUN: replays every stored block of the acquisition through the detection
// with the chosen method and SNR, optionally replaces counts.bin and the detection settings of
// the acquisition's setup.dat, then writes the report through the report engine.
ReanalysisOutcome runReanalysis(const ReanalysisChoice& choice, const ReanalysisHooks& hooks,
                                Ui& ui, Clock& clock);

}  // namespace qv
