#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ui.h"
#include "store/project_setup.h"

namespace qv {

// What a load of project settings works on.
struct ProjectLoadRequest {
    // The folder the files are read from (the project path).
    std::filesystem::path projectPath;
    // N, the number of the project being loaded.
    std::int16_t projectNumber = 0;
    // The current project number (Actual_Project_Number), shown in the ID warning.
    std::int16_t currentProject = 0;
    // False for a look that must leave the folder as it is (a "show"): a recovery then reads
    // the backup or snapshot where it lies instead of copying it over setup.dat.
    bool repairFiles = true;
};

struct ProjectLoadResult {
    // The ID warning for the start screen's news line; empty when the stored number matched.
    std::string newsLine;
    // True when setup.dat was restored from setup.bak or an acquisition snapshot.
    bool recovered = false;
    // True when some groups of setup.dat were reset to their defaults.
    bool defaultsApplied = false;
    // Where the damaged setup.dat was kept when a recovery wrote over it; empty otherwise.
    std::filesystem::path keptDamaged;
    // The channel files that could not be read and took their defaults, in reading order.
    std::vector<std::string> channelFilesDefaulted;
};

// The progress marker after a read of setup.dat: 1 identity, 2 acquisition, 3 detection and
// storage, 4 tools, 5..10 Mn1..Mn6, 11 everything read.
inline constexpr int kSetupFullyRead = 11;

// Reads setup.dat into the record group by group; a group is stored only when all its fields
// were read. Returns the marker of the moment (kSetupFullyRead on success) and the numeric
// value of the stored Num_proj (0 when the file was too short to hold it).
int readSetupFile(const std::filesystem::path& file, ProjectSetup& s, double& storedNumber);

// A setup.dat of all 20 lines that reads to the end.
bool isCompleteSetupFile(const std::filesystem::path& file);

// setup.dat with its recovery and defaults, then the four channel files. Never fails towards
// the caller; every fallback is shown through the Ui. The plate format is loaded separately.
ProjectLoadResult loadProjectSettings(const ProjectLoadRequest& request, ProjectSetup& s, Ui& ui);

// The four channel files, each independent of the others, each with its own defaults.
// Returns the names of the files that took their defaults.
std::vector<std::string> loadChannelFiles(const std::filesystem::path& folder,
                                          std::int16_t projectNumber, ProjectSetup& s, Ui& ui);

}  // namespace qv
