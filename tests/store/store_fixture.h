#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/scripted_ui.h"
#include "store/project_setup.h"
#include "support/temp_dir.h"

namespace qv::testing {

// A 20-line setup.dat as an installation writes it, with the given number and name; every
// number after the identity line is `fill` so that tests can tell which file was loaded.
std::string setupText(int number, const std::string& name, int fill = 7,
                      const std::string& plate = "w384");

// The lines of a text, CR LF or LF.
std::vector<std::string> linesOf(const std::string& text);
std::string joinCrLf(const std::vector<std::string>& lines);

// A project folder's four channel files with recognisable values.
void writeChannelFiles(const std::filesystem::path& folder);

}  // namespace qv::testing
