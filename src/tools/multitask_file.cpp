#include "tools/multitask_file.h"

#include <string>

#include "common/field_text.h"
#include "common/file_util.h"

namespace qv {

namespace {

std::filesystem::path fileIn(const std::filesystem::path& folder) {
    return folder / "multitsk.dat";
}

}  // namespace

MultitaskEntries readMultitask(const std::filesystem::path& folder) {
    MultitaskEntries entries{};
    const std::optional<std::string> text = readFile(fileIn(folder));
    if (!text) {
        return entries;
    }
    for (const std::string& line : splitLines(*text)) {
        FieldReader fields(line);
        std::int64_t port = 0;
        std::int64_t value = 0;
        if (fields.integer(port, 1, kMultitaskPorts) &&
            fields.integer(value, INT32_MIN, INT32_MAX)) {
            entries[static_cast<std::size_t>(port - 1)] = static_cast<int>(value);
        }
    }
    return entries;
}

bool releaseMultitaskPort(const std::filesystem::path& folder, int port) {
    MultitaskEntries entries = readMultitask(folder);
    if (port >= 1 && port <= kMultitaskPorts) {
        entries[static_cast<std::size_t>(port - 1)] = 0;
    }
    FieldWriter out;
    for (int n = 1; n <= kMultitaskPorts; ++n) {
        out.number(std::int64_t{n}).number(std::int64_t{entries[static_cast<std::size_t>(n - 1)]});
        out.endRecord();
    }
    return writeFileAtomic(fileIn(folder), out.str());
}

}  // namespace qv
