#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace qv::testing {

// An input with which a fuzz target (fuzz/) found a fault, kept beside the test that holds the
// fix: tests/<suite>/fuzz_findings/<name>. Inputs that carry several files separate them with
// the fuzz targets' part line; this splits them the same way, into at most maxParts.
inline std::vector<std::string> fuzzFindingParts(const std::string& suite, const std::string& name,
                                                 std::size_t maxParts = 1) {
    constexpr std::string_view kSeparator = "\n--qv-file--\n";
    std::string data = readBytes(sourceDir() / "tests" / suite / "fuzz_findings" / name);
    std::vector<std::string> parts;
    while (parts.size() + 1 < maxParts) {
        const std::size_t at = data.find(kSeparator);
        if (at == std::string::npos) {
            break;
        }
        parts.push_back(data.substr(0, at));
        data.erase(0, at + kSeparator.size());
    }
    parts.push_back(data);
    return parts;
}

}  // namespace qv::testing
