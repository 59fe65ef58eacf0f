#pragma once

#include <filesystem>
#include <string>

#include "common/ui.h"

namespace qv {

// subproj.dat in an acquisition folder: the acquisition's name, then its comments, each one
// quoted text field. subproj.bak beside it is the copy taken before every rewrite.

// Creates subproj.dat for a new run. Double quotes cannot be stored inside a text field, so
// they are left out of both texts. False when the file cannot be written.
bool writeAcquisitionDescription(const std::filesystem::path& acquisitionFolder,
                                 const std::string& name, const std::string& comments);

// The first field of subproj.dat; empty when the file is missing or unreadable.
std::string readAcquisitionName(const std::filesystem::path& acquisitionFolder);

// Every line after the first, double quotes removed, empty lines left out, joined by CR LF;
// empty when the file is missing or unreadable.
std::string readAcquisitionComments(const std::filesystem::path& acquisitionFolder);

// Rewrites subproj.dat with the new name and the old comments. Returns the new name, or an
// empty text on failure; shows "error" when the backup copy fails. An acquisition that has no
// subproj.dat (a continued run) gets one, so the name the user typed is not lost.
std::string renameAcquisition(const std::filesystem::path& acquisitionFolder,
                              const std::string& newName, Ui& ui);

// Rewrites subproj.dat with the old name and the new comments. Returns "ok", or an empty text
// on failure; shows "error" when the backup copy fails. As with the rename, a missing
// subproj.dat is created rather than the comments dropped.
std::string setAcquisitionComments(const std::filesystem::path& acquisitionFolder,
                                   const std::string& comments, Ui& ui);

}  // namespace qv
