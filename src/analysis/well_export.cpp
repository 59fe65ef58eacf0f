#include "analysis/well_export.h"

#include <exception>
#include <string_view>

#include "analysis/report_acquisition.h"
#include "analysis/report_binning.h"
#include "analysis/report_statistics.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {

namespace {

struct ExportData {
    BinnedRecords binned;
    ReportStatistics stats;
    int n = 1;
};

std::int32_t wellValue(const ExportData& d, int well, int j) {
    return j <= d.stats.bins ? d.stats.wellActivity[well][j] : 0;
}

std::int32_t channelValue(const ExportData& d, int channel, int j) {
    const auto i = static_cast<std::size_t>(j - 1);
    return i < d.binned.counts.size() ? d.binned.counts[i][channel] : 0;
}

bool writeWithTime(const std::filesystem::path& folder, const AcquisitionSettings& s,
                   const ExportData& d, const DateTime& start) {
    const std::int64_t startMs = toEpochMs(start);
    for (int w = 0; w <= s.map.largestWell; ++w) {
        if (!s.map.wellHasChannels(w)) {
            continue;
        }
        std::string text;
        for (int j = 1; j <= d.n; ++j) {
            const DateTime end = fromEpochMs(startMs + std::int64_t{j} * d.binned.bin * 60000);
            text += formatDisplayStamp(end) + " " + std::to_string(wellValue(d, w, j)) + "\r\n";
        }
        const std::string name = formatPadded(w, 3) + "_" + wellLabel(w, s.map.rows) + ".txt";
        if (!writeFileAtomic(folder / name, text)) {
            return false;
        }
    }
    return true;
}

std::string blankJoined(int n, const auto& value) {
    std::string line;
    for (int j = 1; j <= n; ++j) {
        line += (j > 1 ? " " : "") + value(j);
    }
    return line + "\r\n";
}

bool writeWithoutTime(const std::filesystem::path& folder, const ExportData& d) {
    for (int c = 0; c < kChannels; ++c) {
        const std::string text =
            blankJoined(d.n, [&](int j) { return std::to_string(channelValue(d, c, j)); });
        if (!writeFileAtomic(folder / ("ch" + formatPadded(c, 6) + ".txt"), text)) {
            return false;
        }
    }
    const std::string times = blankJoined(d.n, [&](int j) {
        return formatNumber(static_cast<double>(std::int64_t{j} * d.binned.bin * 60), "0");
    });
    return writeFileAtomic(folder / "time.txt", times);
}

std::optional<ExportData> exportData(const std::filesystem::path& folder,
                                     const AcquisitionSettings& s, std::int32_t requestedBin) {
    const auto file = readCountsRecords(folder / "counts.bin");
    if (!file) {
        return std::nullopt;
    }
    const std::int32_t duration = measureDuration(*file);
    const auto records = loadRecords(*file);
    const std::int32_t largest = records.empty() ? 0 : records.back().time;
    ExportData d;
    d.binned = binRecords(records, largest, correctedBinSize(requestedBin, duration));
    if (d.binned.lastBin < 0) {
        return std::nullopt;
    }
    d.stats = computeStatistics(d.binned, s.map, s.groups);
    d.n = std::max<int>(
        1, static_cast<int>(roundHalfEven(static_cast<double>(largest) / d.binned.bin)));
    return d;
}

bool allDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

bool isWellExportFileName(const std::string& name) {
    constexpr std::string_view ext = ".txt";
    if (name.size() <= ext.size() || !name.ends_with(ext)) {
        return false;
    }
    const std::string_view stem = std::string_view(name).substr(0, name.size() - ext.size());
    if (stem == "time" ||
        (stem.size() == 8 && stem.starts_with("ch") && allDigits(stem.substr(2)))) {
        return true;
    }
    // 005_F1: the well number, "_", the row letters and the column number.
    if (stem.size() < 6 || !allDigits(stem.substr(0, 3)) || stem[3] != '_') {
        return false;
    }
    std::size_t i = 4;
    while (i < stem.size() && stem[i] >= 'A' && stem[i] <= 'Z') {
        ++i;
    }
    return i > 4 && allDigits(stem.substr(i));
}

DateTime acquisitionStart(const std::filesystem::path& folder, Clock& clock) {
    std::string name = folder.filename().string();
    if (name.empty()) {
        name = folder.parent_path().filename().string();
    }
    return parseFolderStamp(name).value_or(clock.now());
}

bool exportWells(const std::filesystem::path& folder, const std::filesystem::path& appFolder,
                 std::int32_t bin, Ui& ui, Clock& clock) {
    if (ui.ask("Do you like to Export 384 text files?", Buttons::YesNo) != Answer::Yes) {
        return false;
    }
    const bool withTime = ui.ask("Include time field?", Buttons::YesNo) == Answer::Yes;
    if (!isRegularFile(folder / "counts.bin")) {
        ui.message("Activity file not Found");
        return false;
    }
    try {
        const auto settings = readAcquisitionSettings(folder, appFolder, ui);
        if (!settings) {
            return false;
        }
        const auto data = exportData(folder, *settings, bin);
        const bool written = data && (withTime ? writeWithTime(folder, *settings, *data,
                                                               acquisitionStart(folder, clock))
                                               : writeWithoutTime(folder, *data));
        if (!written) {
            ui.message("Report Error");
            return false;
        }
    } catch (const std::exception&) {
        ui.message("Report Error");
        return false;
    }
    ui.openExternal(folder.string() + "/", ExternalKind::FileBrowser);
    return true;
}

}  // namespace qv
