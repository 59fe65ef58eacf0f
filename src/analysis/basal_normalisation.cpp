#include "analysis/basal_normalisation.h"

#include <algorithm>

#include "common/field_text.h"
#include "common/rounding.h"

namespace qv {

namespace {

using Basal = std::array<std::int64_t, kChannels>;

bool inCountedGroup(const ReportGroups& groups, const ReportMap& map, int channel) {
    const int g = groups.channelGroup[channel];
    return channel >= 0 && map.wellOfChannel[channel] >= 0 && g >= 0 && g != 999;
}

std::int64_t answerValue(const std::optional<std::string>& answer) {
    std::string text = answer.value_or("");
    std::replace(text.begin(), text.end(), ',', '.');
    const auto v = parseNumber(text);
    return v ? roundHalfEven(*v) : 0;
}

Basal basalPerChannel(const BinnedRecords& basal, std::int32_t minutes, std::int32_t bin) {
    const std::int64_t b = basal.time.empty() ? 0 : basal.time.back();
    Basal out{};
    for (int c = 0; c < kChannels; ++c) {
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < basal.time.size() && basal.time[i] <= minutes; ++i) {
            sum += basal.counts[i][c];
        }
        double v = static_cast<double>(sum);
        if (b < bin && b > 0) {
            v = static_cast<double>(roundHalfEven(v * bin / static_cast<double>(b)));
        }
        if (bin < minutes) {
            v = static_cast<double>(roundHalfEven(v * bin / minutes));
        }
        out[c] = roundHalfEven(v);
    }
    return out;
}

// Every beam of a well takes the well's mean basal and mean activity, so a well counts once.
void averageWells(Basal& basal, BinnedRecords& report, const ReportMap& map) {
    for (int w = 0; w <= map.largestWell; ++w) {
        std::vector<int> channels;
        for (int c : map.channelOfWell[w]) {
            if (c >= 0) {
                channels.push_back(c);
            }
        }
        if (channels.empty()) {
            continue;
        }
        const double n = static_cast<double>(channels.size());
        double basalSum = 0;
        for (int c : channels) {
            basalSum += static_cast<double>(basal[c]);
        }
        for (auto& row : report.counts) {
            double sum = 0;
            for (int c : channels) {
                sum += row[c];
            }
            for (int c : channels) {
                row[c] = static_cast<std::int32_t>(roundHalfEven(sum / n));
            }
        }
        for (int c : channels) {
            basal[c] = roundHalfEven(basalSum / n);
        }
    }
}

int zeroBasalWells(const Basal& basal, const ReportGroups& groups, const ReportMap& map) {
    int count = 0;
    for (int w = 0; w <= map.largestWell; ++w) {
        const int c = map.beamZeroChannel(w);
        if (c >= 0 && basal[c] == 0 && inCountedGroup(groups, map, c)) {
            ++count;
        }
    }
    return count;
}

// 0 take the channel's largest activity, 1 the plate's basal average, 2 discard; -1 stops.
int askZeroBasalChoice(int wells, Ui& ui) {
    if (ui.ask(
            "You have " + std::to_string(wells) + " BASAL WELLS with 0 activity. Proceed anyway??",
            Buttons::YesNo) != Answer::Yes) {
        return -1;
    }
    const Answer a = ui.ask(
        "For ZERO Activity Basal Wells:\r\n"
        "[YES] to replace <BASAL Well> with <MAX Well Activity>\r\n"
        "[NO] to replace <BASAL Well> with <BASAL Microplate Average>\r\n"
        "[CANCEL] to DISCARD Well in Calculation\r\n"
        "\r\n"
        "TO BE APPLIED TO ALL 0 ACTIVITY BASAL WELLs",
        Buttons::YesNoCancel);
    return a == Answer::Yes ? 0 : a == Answer::No ? 1 : 2;
}

std::int64_t replacementBasal(int choice, int channel, const BinnedRecords& report,
                              std::int64_t plateAverage) {
    if (choice == 1) {
        return plateAverage;
    }
    if (choice == 0) {
        std::int64_t largest = 0;
        for (const auto& row : report.counts) {
            largest = std::max<std::int64_t>(largest, row[channel]);
        }
        return largest;
    }
    return 0;
}

std::int64_t plateBasalAverage(const Basal& basal, const ReportGroups& groups,
                               const ReportMap& map) {
    double sum = 0;
    int n = 0;
    for (int c = 0; c < kChannels; ++c) {
        if (inCountedGroup(groups, map, c)) {
            sum += static_cast<double>(basal[c]);
            ++n;
        }
    }
    return n > 0 ? roundHalfEven(sum / n) : 0;
}

int rescale(Basal& basal, BinnedRecords& report, ReportGroups& groups, const ReportMap& map,
            int choice) {
    const std::int64_t plateAverage = plateBasalAverage(basal, groups, map);
    int discarded = 0;
    for (int c = 0; c < kChannels; ++c) {
        if (!inCountedGroup(groups, map, c)) {
            continue;
        }
        if (basal[c] < 1) {
            basal[c] = replacementBasal(choice, c, report, plateAverage);
        }
        if (basal[c] < 1) {
            groups.channelGroup[c] = -1;
            for (auto& row : report.counts) {
                row[c] = -999;
            }
            ++discarded;
            continue;
        }
        for (auto& row : report.counts) {
            const double percent =
                std::min(row[c] * 100.0 / static_cast<double>(basal[c]), 10000.0);
            row[c] = static_cast<std::int32_t>(roundHalfEven(percent));
        }
    }
    return discarded;
}

BinnedRecords binBasal(const std::filesystem::path& folder, std::int32_t bin, Ui& ui) {
    const auto countsPath = folder / "counts.bin";
    const auto file = readCountsRecords(countsPath);
    if (!file) {
        ui.message("Error loading " + countsPath.string());
    }
    const auto records = loadRecords(file.value_or(std::vector<CountsFileRecord>{}));
    return binRecords(records, records.empty() ? 0 : records.back().time, bin);
}

}  // namespace

bool basalIsOn(const std::string& basalName) {
    return !basalName.empty() && basalName != "-" && basalName.size() > 12;
}

std::filesystem::path basalFolder(const std::filesystem::path& reportFolder,
                                  const std::string& basalName) {
    std::string folder = reportFolder.string();
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
        folder.pop_back();
    }
    const std::size_t keep = folder.size() >= 13 ? folder.size() - 13 : 0;
    return folder.substr(0, keep) + basalName.substr(0, 13);
}

std::int32_t askBasalMinutes(std::int32_t basalLength, std::int32_t bin, Ui& ui) {
    if (1.5 * bin >= basalLength) {
        return bin;
    }
    const std::int32_t proposed = basalLength < 2 * bin ? bin : 2 * bin;
    const std::string question = "Basal acquisition is " + std::to_string(basalLength) +
                                 "min long, and BinSize=" + std::to_string(bin) +
                                 "min. \r\n\r\nHow many minutes do you want to use to calculate "
                                 "Basal Meassurement?";
    const std::string range =
        "Enter a value between " + std::to_string(bin) + " and " + std::to_string(basalLength);
    auto inRange = [&](std::int64_t v) { return v >= bin && v <= basalLength; };
    // Cancel is no way out of this question: a withdrawn answer counts as an empty one.
    for (;;) {
        std::int64_t v =
            answerValue(ui.input(question, "Basal Calculation", std::to_string(proposed)));
        if (inRange(v)) {
            return static_cast<std::int32_t>(v);
        }
        v = answerValue(ui.input(range, "Basal Calculation", std::to_string(bin)));
        if (inRange(v)) {
            return static_cast<std::int32_t>(v);
        }
    }
}

BasalOutcome normaliseToBasal(const std::string& basalName,
                              const std::filesystem::path& reportFolder, BinnedRecords& report,
                              ReportGroups& groups, const ReportMap& map, Ui& ui) {
    if (!basalIsOn(basalName)) {
        return BasalOutcome::Off;
    }
    const std::string folderText = reportFolder.string();
    ui.message("Using Groups Selected in Experiment: " +
                   folderText.substr(folderText.size() > 20 ? folderText.size() - 20 : 0),
               "<BASAL CALCULATION>");
    const BinnedRecords basal = binBasal(basalFolder(reportFolder, basalName), report.bin, ui);
    if (basal.lastBin < 0) {
        ui.message("Resampling ERROR");
        return BasalOutcome::Stop;
    }
    const std::int32_t minutes = askBasalMinutes(basal.time.back(), report.bin, ui);
    Basal perChannel = basalPerChannel(basal, minutes, report.bin);
    averageWells(perChannel, report, map);
    int choice = 0;
    if (const int zeros = zeroBasalWells(perChannel, groups, map); zeros > 0) {
        choice = askZeroBasalChoice(zeros, ui);
        if (choice < 0) {
            return BasalOutcome::Stop;
        }
    }
    if (const int discarded = rescale(perChannel, report, groups, map, choice); discarded > 0) {
        ui.message("ERROR in " + std::to_string(discarded) +
                   " BASAL channels.\r\nChannels were discarded and transferred to Free Group");
    }
    return BasalOutcome::Done;
}

}  // namespace qv
