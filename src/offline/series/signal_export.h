#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/ui.h"

namespace qv {

// "Export to ASCII...": the raw beam signals of one well over one page of the channel signal
// view (50 blocks), as the text table datafile.txt in the application folder.

inline constexpr int kBlocksPerSignalPage = 50;

// How many whole raw blocks the acquisition's files 0.bin, 1.bin, ... hold.
std::size_t rawBlockCount(const std::filesystem::path& folder, int rtBuffer);

struct SignalExportRequest {
    std::filesystem::path acquisition;
    std::filesystem::path appFolder;
    std::string well;  // "B3"
    int page = 1;      // from 1
};

struct SignalExport {
    std::filesystem::path path;
    int pages = 0;
    int blocks = 0;  // blocks of the page written
    std::vector<int> channels;
};

// Writes datafile.txt: an empty quoted title, the acquisition path quoted, an empty line,
// "Well: B3 Page[1/3] [#0k-25k]", an empty line, the beam heads ("B3.0 B3.1 "), then one line
// per sample of the page with every beam's value followed by a blank. Opens it in the text
// viewer. nullopt, after a message, when the acquisition, the well or the page has no data.
std::optional<SignalExport> exportSignals(const SignalExportRequest& request, Ui& ui);

}  // namespace qv
