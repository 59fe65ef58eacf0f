#include "analysis/report_sections.h"

namespace qv::report_detail {

namespace {

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string rowLetter(int row) {
    return std::string(1, static_cast<char>('A' + row));
}

}  // namespace

void ReportText::wellRows() {
    const auto& s = data_.stats;
    line({quoted("<<<<<< Well Activity >>>>>>")});
    line(withTimes({"Well", "Group/Time[m]"}, "0"));
    for (int w = 0; w <= data_.acquisition.map.largestWell; ++w) {
        if (!data_.acquisition.map.wellHasChannels(w)) {
            continue;
        }
        std::vector<std::string> f{wellName(w), groupLabel(s.wellGroup[w])};
        if (basal_) {
            f.push_back("100");
        }
        for (int k : reported_) {
            f.push_back(std::to_string(s.wellActivity[w][k]));
        }
        line(f);
    }
    endSection();
}

void ReportText::wellList() {
    const auto& s = data_.stats;
    line({quoted("<<<<<< Well Activity >>>>>>")});
    line({"Time", "Well", "Group", "Value"});
    emptyLine();
    for (int w = 0; w <= data_.acquisition.map.largestWell; ++w) {
        if (!data_.acquisition.map.wellHasChannels(w)) {
            continue;
        }
        const std::string label = groupLabel(s.wellGroup[w]);
        if (basal_) {
            line({"0", wellName(w), label, "100"});
        }
        for (int k : reported_) {
            line({timeLabel(k), wellName(w), label, std::to_string(s.wellActivity[w][k])});
        }
        emptyLine();
    }
}

// One plate picture per bin: a header of column numbers each followed by the separator, then
// a line per well row.
void ReportText::wellArrays() {
    const auto& map = data_.acquisition.map;
    line({quoted("<<<<<<WELL ARRAY. Well Activity>>>>>>")});
    auto block = [&](const std::string& time, bool quotedRows, auto cell) {
        line({"Time_Block[m]", time});
        std::string head = "Row/Column" + options_.separator;
        for (int c = 1; c <= map.columns; ++c) {
            head += std::to_string(c) + options_.separator;
        }
        out_ += head + "\r\n";
        for (int r = 0; r < map.rows; ++r) {
            std::vector<std::string> f{quotedRows ? quoted(rowLetter(r)) : rowLetter(r)};
            for (int c = 0; c < map.columns; ++c) {
                const int well = c * map.rows + r;
                f.push_back(map.beamZeroChannel(well) < 0 ? "-" : cell(well));
            }
            line(f);
        }
        emptyLine();
    };
    if (basal_) {
        block("0", true, [](int) { return std::string("100"); });
    }
    for (int k : reported_) {
        block(timeLabel(k), false, [&](int well) {
            return data_.stats.binHasData[k] ? std::to_string(data_.stats.wellActivity[well][k])
                                             : std::string("-");
        });
    }
}

void ReportText::wellSection() {
    switch (options_.layout) {
        case ReportLayout::Rows:
            wellRows();
            break;
        case ReportLayout::List:
            wellList();
            break;
        case ReportLayout::WArray:
            wellArrays();
            break;
        case ReportLayout::Histogram:
            out_ += data_.histogramWells;
            endSection();
            break;
        case ReportLayout::CHArray:
            break;
    }
}

void ReportText::channelSection() {
    if (options_.layout != ReportLayout::Rows && options_.layout != ReportLayout::List) {
        return;
    }
    const auto& map = data_.acquisition.map;
    line({quoted("<<<<<< Channel Activity >>>>>>")});
    line(withTimes({"Channel", "Well", "Group/Time[m]"}, ""));
    for (int c = 0; c < kChannels; ++c) {
        const int well = map.wellOfChannel[c];
        std::vector<std::string> f{
            " CH" + std::to_string(c),
            well < 0 ? "-" : wellName(well) + "." + std::to_string(map.beamOfChannel[c]),
            groupLabel(data_.acquisition.groups.channelGroup[c])};
        for (int k : reported_) {
            f.push_back(std::to_string(data_.binned.counts[static_cast<std::size_t>(k - 1)][c]));
        }
        line(f);
    }
    endSection();
}

void ReportText::channelArrays() {
    if (options_.layout != ReportLayout::CHArray) {
        return;
    }
    const auto& map = data_.acquisition.map;
    out_ += "ARRAY OUTPUT FORMAT\r\n";
    for (int k : reported_) {
        line({"Time_Block[m]", timeLabel(k)});
        std::string head = "Row/Column" + options_.separator;
        for (int c = 1; c <= 24; ++c) {
            head += std::to_string(c) + options_.separator;
        }
        out_ += head + "\r\n";
        for (int r = 0; r < 16; ++r) {
            std::vector<std::string> f{rowLetter(r)};
            for (int c = 0; c < 24; ++c) {
                const int channel = c * 16 + r;
                f.push_back(
                    map.wellOfChannel[channel] < 0
                        ? "-"
                        : std::to_string(
                              data_.binned.counts[static_cast<std::size_t>(k - 1)][channel]));
            }
            line(f);
        }
        emptyLine();
    }
}

}  // namespace qv::report_detail
