#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/report_records.h"

namespace qv::testing {

// Encodes counts records exactly as the acquisition writes them.
std::string encodeCounts(const std::vector<CountsFileRecord>& records);

// Records at the given minute stamps; channel c counts count(record, c), temperature 215.
std::vector<CountsFileRecord> makeRecords(const std::vector<int>& minutes,
                                          const std::function<int(int, int)>& count);
// Records every minute from 0 to the last minute inclusive.
std::vector<CountsFileRecord> everyMinute(int lastMinute,
                                          const std::function<int(int, int)>& count);

// Plate format files as installed: "w384" (one beam per well) and "w96f" (two beams per well).
void writePlateFormat(const std::filesystem::path& appFolder, const std::string& code);

struct AcquisitionFixture {
    std::string plateFormat = "w96f";
    int dspMethod = 1;
    int organism = 0;
    int snrx10 = 18;
    int rtBuffer = 500;
    std::string name = "My test 1";
    std::vector<std::string> groupNames = {"Control", "Larvae", "Mutants"};
    // Group of every channel; empty gives channels of beam columns 1-8 group 0, 9-16 group 1,
    // 17-24 group 2.
    std::vector<int> channelGroups;
    bool writeGroupsFile = true;

    void write(const std::filesystem::path& folder,
               const std::vector<CountsFileRecord>& records) const;
};

}  // namespace qv::testing
