#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ui.h"
#include "store/store.h"

namespace qv {

// The project operations behind the setup window's buttons, shared with the command line:
// they act on the store's in-memory settings and its files, and ask only the questions that
// belong to the operation itself (the window asks its own before calling them).

inline constexpr const char* kSaveProjectFailedMessage = "<Error Saving Project Settings>";

// "12_Larvae": the number in plain decimal, "_" and the name.
std::string projectDisplayName(int number, const std::string& name);
// "p00012".
std::string projectFolderName(int number);

enum class AllocationOutcome {
    Created,   // the project exists and holds the settings; config.dat names it
    Declined,  // the folder existed and the user kept it; only Last_Project moved on
    Failed     // a folder or file could not be written; the message has been shown
};

struct Allocation {
    AllocationOutcome outcome = AllocationOutcome::Failed;
    std::int16_t number = 0;
};

// A new project number (Last_Project moves on at once and stays so even when the user
// declines), its folder (asking before reusing an existing one), then the in-memory settings
// saved there under the new number and name, and config.dat.
Allocation allocateProject(Store& store, Ui& ui, const std::string& name);

// The project folders of the application folder ("p" and five more characters, no
// extension) that hold a setup.dat, as "p00003_Larvae" entries in name order.
std::vector<std::string> projectListEntries(const std::filesystem::path& applicationFolder, Ui& ui);

// The project number of a list entry, read from its folder name as the list writes it;
// nullopt for an empty entry or a number no project can have.
std::optional<std::int16_t> projectNumberOfEntry(std::string_view entry);
// The folder of a list entry: the application folder for a number below 1.
std::filesystem::path projectFolderOfEntry(const std::filesystem::path& applicationFolder,
                                           std::string_view entry, std::int16_t number);

// Makes the project current: its number and folder, config.dat, then its settings with their
// recovery. False when config.dat could not be written (the project is loaded all the same).
bool chooseProject(Store& store, std::int16_t number, const std::filesystem::path& folder);

}  // namespace qv
