#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/ui.h"

namespace qv {

// The report window's per-well export: asks whether to export and whether to add the time
// field, then writes one file per well (with time) or one per channel plus time.txt (without)
// into the acquisition folder and opens the folder. The bin comes from the bin-size box and
// is shortened for runs shorter than one bin. True when the files were written.
bool exportWells(const std::filesystem::path& folder, const std::filesystem::path& appFolder,
                 std::int32_t bin, Ui& ui, Clock& clock);

// Whether a file name is one the export writes into an acquisition folder (time.txt,
// ch000000.txt .. ch000383.txt, 000_A1.txt ...), so that no other output takes it.
bool isWellExportFileName(const std::string& name);

// When the run started: from the folder's "yyyymmdd_hhmm" name, else the current time.
DateTime acquisitionStart(const std::filesystem::path& folder, Clock& clock);

}  // namespace qv
