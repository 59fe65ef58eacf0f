#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Writes `bytes` into the first of stem + extension, stem + "_1" + extension, stem + "_2" +
// extension, ... that can be created anew: a file that is already there (another export, the
// report, a file another program holds) is never written over. A file whose writing fails is
// taken away again. nullopt when none could be written (after `attempts` names).
std::optional<std::filesystem::path> writeNewFile(const std::filesystem::path& folder,
                                                  const std::string& stem,
                                                  const std::string& extension,
                                                  std::string_view bytes, int attempts = 1000);

}  // namespace qv
