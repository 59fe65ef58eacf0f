#pragma once

#include <string>
#include <vector>

#include "analysis/report_writer.h"

namespace qv::report_detail {

// Builds the report line by line: fields joined by the separator, CR LF at every line end.
class ReportText {
  public:
    ReportText(const ReportData& data, const ReportOptions& options);

    void header(const DateTime& now);
    void mainBlock();
    void statisticBlocks();
    void samplesSection();
    void temperatureSection();
    void wellSection();
    void channelSection();
    void channelArrays();

    const std::string& str() const { return out_; }

  private:
    void line(const std::vector<std::string>& fields);
    void emptyLine() { out_ += "\r\n"; }
    void endSection();
    std::string timeLabel(int bin) const;
    std::vector<std::string> withTimes(std::vector<std::string> head, const std::string& basal);
    std::string groupLabel(int group) const { return data_.acquisition.groups.label(group); }
    std::string wellName(int well) const;

    void rowsBlock(const std::string& title, const std::string& basal,
                   std::string (*value)(const ReportStatistics&, int, int));
    void listBlock(const std::string& title, const std::string& basal,
                   std::string (*value)(const ReportStatistics&, int, int));
    void groupArray(const std::string& title, bool channels);
    std::string wellArrayCell(int row, int column) const;
    std::string channelArrayCell(int channel) const;
    void wellRows();
    void wellList();
    void wellArrays();

    const ReportData& data_;
    const ReportOptions& options_;
    bool basal_;
    std::vector<int> reported_;
    std::string out_;
};

}  // namespace qv::report_detail
