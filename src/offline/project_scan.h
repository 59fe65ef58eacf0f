#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv {

// What the browser finds on disk. Folders are taken in name order, which is also the order of
// the dates they stand for, so the list reads the same on every file system.

// Names of the project folders ("p" and five more characters) directly under the application
// folder, in name order, whether or not they hold a setup.dat.
std::vector<std::string> projectFolderNames(const std::filesystem::path& applicationFolder);

// Names of the acquisition folders ("yyyymmdd_hhmm" in form) of a project folder, in name
// order, whether or not they hold counts.bin.
std::vector<std::string> acquisitionFolderNames(const std::filesystem::path& projectFolder);

// One acquisition as its row shows it.
struct AcquisitionEntry {
    std::string folder;       // "20240614_1530"
    std::string description;  // first field of subproj.dat
    std::string tags;         // its tags in the project's tags_id.dat
};

// The acquisitions of a project that the list shows (those with counts.bin), in name order.
// Tags are read only when the project keeps tags_id.dat (withTags).
std::vector<AcquisitionEntry> listedAcquisitions(const std::filesystem::path& projectFolder,
                                                 bool withTags);

bool hasTagsFile(const std::filesystem::path& projectFolder);

}  // namespace qv
