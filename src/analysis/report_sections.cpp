#include "analysis/report_sections.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"

namespace qv::report_detail {

namespace {

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string averageValue(const ReportStatistics& s, int group, int bin) {
    return std::to_string(s.groupAverage[group][bin]);
}

std::string stdErrorValue(const ReportStatistics& s, int group, int bin) {
    const double size = s.groupSize[group];
    const double dev = s.groupDeviation[group][bin];
    return formatFixed(size < 1 || dev < 1 ? 0.0 : dev / std::sqrt(size), 1);
}

std::string stdDevValue(const ReportStatistics& s, int group, int bin) {
    return std::to_string(s.groupDeviation[group][bin]);
}

std::string countValue(const ReportStatistics& s, int group, int) {
    return std::to_string(s.groupSize[group]);
}

std::string temperatureText(std::int32_t tenths) {
    return formatFixed(tenths / 10.0, 1);
}

}  // namespace

ReportText::ReportText(const ReportData& data, const ReportOptions& options)
    : data_(data), options_(options), basal_(data.basalName.has_value()) {
    for (int k = 1; k <= data_.stats.bins; ++k) {
        if (data_.stats.binHasData[k]) {
            reported_.push_back(k);
        }
    }
}

void ReportText::line(const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out_ += options_.separator;
        }
        out_ += fields[i];
    }
    out_ += "\r\n";
}

// Sections are set apart by one empty line; a section that already ends with one gets no
// second.
void ReportText::endSection() {
    if (out_.size() < 4 || out_.compare(out_.size() - 4, 4, "\r\n\r\n") != 0) {
        emptyLine();
    }
}

std::string ReportText::timeLabel(int bin) const {
    const std::int64_t t = std::int64_t{data_.binned.bin} * bin;
    return std::to_string(std::min<std::int64_t>(t, data_.binned.largestTime));
}

std::vector<std::string> ReportText::withTimes(std::vector<std::string> head,
                                               const std::string& basal) {
    if (basal_ && !basal.empty()) {
        head.push_back(basal);
    }
    for (int k : reported_) {
        head.push_back(timeLabel(k));
    }
    return head;
}

std::string ReportText::wellName(int well) const {
    return wellLabel(well, data_.acquisition.map.rows);
}

void ReportText::header(const DateTime& now) {
    const auto& a = data_.acquisition;
    line({quoted("DATE:"), quoted(formatDisplayStamp(now) + ":" + formatPadded(now.second, 2))});
    line({quoted("FILE:"), quoted(a.folder.string())});
    line({quoted("SUBPROJECT:"), quoted(a.name)});
    const std::string setting =
        data_.setting.empty() ? settingLine(a.dspMethod, a.organism, a.snrx10) : data_.setting;
    line({quoted("SETTING:"), quoted(setting)});
    if (basal_) {
        line({quoted("TIME0(BASAL MEASSURE):"), quoted(*data_.basalName)});
        emptyLine();
        line({quoted("***DATA AS % OF BASAL ACTIVITY***")});
    } else {
        emptyLine();
    }
}

void ReportText::rowsBlock(const std::string& title, const std::string& basal,
                           std::string (*value)(const ReportStatistics&, int, int)) {
    line({quoted(title)});
    line(withTimes({"Group/Time[m]"}, "0"));
    for (int g = 0; g <= data_.stats.largestGroup; ++g) {
        std::vector<std::string> f{groupLabel(g)};
        if (basal_) {
            f.push_back(basal.empty() ? value(data_.stats, g, 1) : basal);
        }
        for (int k : reported_) {
            f.push_back(value(data_.stats, g, k));
        }
        line(f);
    }
    endSection();
}

void ReportText::listBlock(const std::string& title, const std::string& basal,
                           std::string (*value)(const ReportStatistics&, int, int)) {
    line({quoted(title)});
    line({"Time", "Group", "Value"});
    emptyLine();
    for (int g = 0; g <= data_.stats.largestGroup; ++g) {
        if (basal_) {
            line({"0", groupLabel(g), basal.empty() ? value(data_.stats, g, 1) : basal});
        }
        for (int k : reported_) {
            line({timeLabel(k), groupLabel(g), value(data_.stats, g, k)});
        }
        emptyLine();
    }
}

std::string ReportText::wellArrayCell(int row, int column) const {
    const auto& map = data_.acquisition.map;
    const int channel = map.beamZeroChannel(column * map.rows + row);
    if (channel < 0) {
        return "-";
    }
    return groupLabel(data_.acquisition.groups.channelGroup[channel]);
}

std::string ReportText::channelArrayCell(int channel) const {
    if (data_.acquisition.map.wellOfChannel[channel] < 0) {
        return "-";
    }
    const int group = data_.acquisition.groups.channelGroup[channel];
    return group < 0 ? quoted(" 999_Free") : groupLabel(group);
}

void ReportText::groupArray(const std::string& title, bool channels) {
    const auto& map = data_.acquisition.map;
    const int rows = channels ? 16 : map.rows;
    const int columns = channels ? 24 : map.columns;
    line({quoted(title)});
    std::vector<std::string> head{"Row/Column"};
    for (int c = 1; c <= columns; ++c) {
        head.push_back(std::to_string(c));
    }
    line(head);
    for (int r = 0; r < rows; ++r) {
        std::vector<std::string> f{quoted(std::string(1, static_cast<char>('A' + r)))};
        for (int c = 0; c < columns; ++c) {
            f.push_back(channels ? channelArrayCell(c * 16 + r) : wellArrayCell(r, c));
        }
        line(f);
    }
    endSection();
}

void ReportText::mainBlock() {
    static constexpr const char* kTitle =
        "<<<<<< Group Activity: Average Activity Counts per Data Interval>>>>>>";
    switch (options_.layout) {
        case ReportLayout::Rows:
            rowsBlock(kTitle, "100", averageValue);
            break;
        case ReportLayout::List:
            listBlock(kTitle, "100", averageValue);
            break;
        case ReportLayout::WArray:
            groupArray("<<<<<<WELL ARRAY. Group Configuration>>>>>>", false);
            break;
        case ReportLayout::CHArray:
            groupArray("<<<<<<CHANNEL ARRAY. Group Configuration>>>>>>", true);
            break;
        case ReportLayout::Histogram:
            out_ += data_.histogramGroups;
            endSection();
            break;
    }
}

void ReportText::statisticBlocks() {
    if (options_.layout != ReportLayout::Rows && options_.layout != ReportLayout::List) {
        return;
    }
    struct Block {
        bool on;
        const char* title;
        const char* basal;
        std::string (*value)(const ReportStatistics&, int, int);
    };
    const Block blocks[] = {
        {options_.stdError, "<<<<<< Group Activity: Standard Error >>>>>>", "0.0", stdErrorValue},
        {options_.stdDev, "<<<<<< Group Activity: Standard Deviation >>>>>>", "0", stdDevValue},
        {options_.count, "<<<<<< Group Activity: Number of wells/group >>>>>>", "", countValue},
    };
    for (const auto& b : blocks) {
        if (!b.on) {
            continue;
        }
        if (options_.layout == ReportLayout::Rows) {
            rowsBlock(b.title, b.basal, b.value);
        } else {
            listBlock(b.title, b.basal, b.value);
        }
    }
}

void ReportText::samplesSection() {
    if (options_.layout != ReportLayout::Rows) {
        return;
    }
    line({quoted("<<<<<< Number of Samples per Acquisition Interval [1unit=500values] >>>>>>")});
    line(withTimes({"Time[m]"}, ""));
    std::vector<std::string> f{"#Samples"};
    for (int k : reported_) {
        f.push_back(std::to_string(data_.binned.samples[static_cast<std::size_t>(k - 1)]));
    }
    line(f);
    endSection();
}

void ReportText::temperatureSection() {
    line(
        {quoted("<<<<<< Average Temperature [\xB0"
                "C] >>>>>>")});
    if (options_.layout == ReportLayout::Rows) {
        std::vector<std::string> f{
            "Temp[\xB0"
            "C]"};
        if (basal_) {
            f.push_back("?");
        }
        for (int k : reported_) {
            f.push_back(temperatureText(data_.stats.averageTemperature[k]));
        }
        line(f);
    } else {
        line({"Time",
              "Avrg_Temp[\xB0"
              "C]"});
        for (int k : reported_) {
            line({timeLabel(k), temperatureText(data_.stats.averageTemperature[k])});
        }
    }
    endSection();
}

}  // namespace qv::report_detail
