#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "common/date_time.h"
#include "store/store.h"

namespace qv {

// The disk-space check before a recording run: what a lapse needs (0.4 MB a minute of raw
// samples), what is free, the report the question shows, and whether to ask at all.
struct DiskSpaceCheck {
    std::int64_t requiredMb = 0;
    std::int64_t freeMb = 0;
    std::string report;
    bool ask = false;
};
DiskSpaceCheck checkDiskSpace(std::int16_t lapseMinutes, std::int64_t freeMb);

// The folder a run started at `start` records into: "yyyymmdd_hhmm" under the project folder.
// Every run gets a folder of its own: when that minute's folder exists already (a second run
// in the same minute), the next minute whose folder does not exist is taken.
std::filesystem::path newAcquisitionFolder(const std::filesystem::path& projectFolder,
                                           const DateTime& start);

// Creates the folder and writes the project settings snapshot into it, then, when `name` is
// given, subproj.dat with the name and comments. The store's project path points at the
// project folder again afterwards. An empty result means success; otherwise it says what
// failed.
std::string writeAcquisitionStart(Store& store, const std::filesystem::path& folder,
                                  const std::optional<std::string>& name,
                                  const std::string& comments);

}  // namespace qv
