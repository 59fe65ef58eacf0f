#include "store/tags.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

#include "common/field_text.h"
#include "common/file_util.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "tags_id.dat";

std::vector<std::string> readTagLines(const fs::path& projectFolder) {
    auto bytes = readFile(projectFolder / kFileName);
    return bytes ? splitLines(*bytes) : std::vector<std::string>{};
}

// A tags file that is there but cannot be read must not be replaced by the one line an update
// would otherwise write.
bool presentButUnreadable(const fs::path& projectFolder) {
    std::error_code ec;
    return fs::exists(projectFolder / kFileName, ec) && !readFile(projectFolder / kFileName);
}

// The key of a line: the text before its first blank, when that blank is not the first
// character. A line holding only a name has no key.
std::optional<std::string> keyOf(const std::string& line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || blank == 0) {
        return std::nullopt;
    }
    return line.substr(0, blank);
}

std::string textAfterKey(const std::string& line) {
    return line.substr(line.find(' ') + 1);
}

// The acquisition's lines gain the tag or lose all their tags, or
// a new line is added. Returns whether anything changed.
bool applyTag(std::vector<std::string>& lines, const std::string& key, const std::string& tag) {
    // Every line takes part, however long the file: the readers look at every line, so an
    // acquisition keyed past line 1000 that got a second line here would read back without
    // the tag just added (and a rewrite of the first 1000 alone would drop the rest).
    bool changed = false;
    bool found = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto lineKey = keyOf(lines[i]);
        if (!lineKey || *lineKey != key) {
            continue;
        }
        found = true;
        if (tag.empty()) {
            lines[i] = key;
            changed = true;
        } else if (textAfterKey(lines[i]).find(tag) == std::string::npos) {
            lines[i] += tag;
            changed = true;
        }
    }
    if (!tag.empty() && !found) {
        lines.push_back(key + " " + tag);
        changed = true;
    }
    return changed;
}

bool writeTagLines(const fs::path& projectFolder, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return writeFileAtomic(projectFolder / kFileName, text);
}

}  // namespace

std::string tagsOfAcquisition(const fs::path& projectFolder, const std::string& key) {
    for (const std::string& line : readTagLines(projectFolder)) {
        const auto lineKey = keyOf(line);
        if (lineKey && *lineKey == key) {
            return textAfterKey(line);
        }
    }
    return "";
}

std::string acquisitionsWithTag(const fs::path& projectFolder, const std::string& tag) {
    std::string keys;
    for (const std::string& line : readTagLines(projectFolder)) {
        const auto lineKey = keyOf(line);
        if (!lineKey || line.find(tag, 1) == std::string::npos) {
            continue;
        }
        if (!keys.empty()) {
            keys += ' ';
        }
        keys += *lineKey;
    }
    return keys;
}

bool updateTags(const fs::path& projectFolder, const std::string& key, const std::string& tag,
                Clock& clock) {
    if (presentButUnreadable(projectFolder)) {
        return false;
    }
    std::vector<std::string> lines = readTagLines(projectFolder);
    const bool changed = applyTag(lines, key, tag);
    clock.sleepMs(10);
    if (lines.empty() || !changed) {
        return true;
    }
    const bool written = writeTagLines(projectFolder, lines);
    clock.sleepMs(10);
    return written;
}

bool removeTagsFile(const fs::path& projectFolder) {
    std::error_code ec;
    fs::remove(projectFolder / kFileName, ec);
    return !ec;
}

}  // namespace qv
