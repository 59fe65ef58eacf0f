#include "analysis/report_generate.h"

#include <exception>

#include "analysis/basal_normalisation.h"
#include "analysis/report_histogram.h"
#include "common/file_util.h"

namespace qv {

namespace {

struct Loaded {
    std::vector<CountsFileRecord> file;
    std::int32_t bin = 0;
};

// Steps 1 to 4: the activity file and the bin size it allows.
std::optional<Loaded> loadActivity(const ReportRequest& request, Ui& ui, ReportOutcome& outcome) {
    const auto countsPath = request.folder / "counts.bin";
    if (!isRegularFile(countsPath)) {
        ui.message("Activity file not Found");
        return std::nullopt;
    }
    auto file = readCountsRecords(countsPath);
    if (!file) {
        ui.message("Error reading " + countsPath.string());
        return std::nullopt;
    }
    Loaded loaded;
    loaded.bin = correctedBinSize(request.bin, measureDuration(*file));
    outcome.bin = loaded.bin;
    loaded.file = std::move(*file);
    return loaded;
}

std::optional<std::filesystem::path> generate(const ReportRequest& request, Ui& ui, Clock& clock,
                                              ReportOutcome& outcome) {
    auto settings = readAcquisitionSettings(request.folder, request.appFolder, ui);
    if (!settings) {
        return std::nullopt;
    }
    auto loaded = loadActivity(request, ui, outcome);
    if (!loaded) {
        return std::nullopt;
    }
    const auto records = loadRecords(loaded->file);
    const std::int32_t largest = records.empty() ? 0 : records.back().time;
    BinnedRecords binned = binRecords(records, largest, loaded->bin);
    if (binned.lastBin < 0) {
        ui.message("Resampling ERROR");
        return std::nullopt;
    }
    return reportFromBinned(request, *settings, binned, ui, clock, &outcome.copy);
}

}  // namespace

std::optional<std::filesystem::path> reportFromBinned(const ReportRequest& request,
                                                      AcquisitionSettings& settings,
                                                      BinnedRecords& binned, Ui& ui, Clock& clock,
                                                      ReportCopy* copy) {
    const BasalOutcome basal = normaliseToBasal(request.basalName, request.folder, binned,
                                                settings.groups, settings.map, ui);
    if (basal == BasalOutcome::Stop) {
        return std::nullopt;
    }
    const ReportStatistics stats = computeStatistics(binned, settings.map, settings.groups);
    ReportData data{settings, binned, stats, std::nullopt, "", "", request.setting};
    if (basal == BasalOutcome::Done) {
        data.basalName = request.basalName;
    }
    if (request.options.layout == ReportLayout::Histogram) {
        const auto sections =
            histogramSections(request.folder, binned, settings, request.options.separator, ui);
        if (!sections) {
            return std::nullopt;
        }
        data.histogramGroups = sections->groups;
        data.histogramWells = sections->wells;
    }
    return writeReport(data, request.options, clock.now(), ui, copy);
}

ReportOutcome generateReport(const ReportRequest& request, Ui& ui, Clock& clock) {
    ReportOutcome outcome;
    outcome.bin = request.bin < 1 ? 1 : request.bin;
    try {
        outcome.path = generate(request, ui, clock, outcome);
    } catch (const std::exception&) {
        ui.message("Report Error");
        outcome.path.reset();
    }
    return outcome;
}

}  // namespace qv
