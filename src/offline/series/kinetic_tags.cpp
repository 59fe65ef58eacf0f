#include "offline/series/kinetic_tags.h"

#include <algorithm>
#include <cctype>

#include "store/tags.h"

namespace qv {

std::string kineticTag(int entry) {
    if (entry < 1 || entry >= kKineticTagEntries) {
        return "";
    }
    return "[K" + std::to_string(entry) + "]";
}

std::optional<int> kineticTagEntry(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "clear") {
        return 0;
    }
    for (int entry = 1; entry < kKineticTagEntries; ++entry) {
        const std::string tag = kineticTag(entry);
        if (name == tag || name == tag.substr(1, tag.size() - 2)) {
            return entry;
        }
    }
    return std::nullopt;
}

std::vector<TagTarget> tagAcquisitions(const std::vector<TagTarget>& targets, int entry,
                                       Clock& clock) {
    std::vector<TagTarget> failed;
    const std::string tag = kineticTag(entry);
    for (const TagTarget& t : targets) {
        if (!updateTags(t.projectFolder, t.acquisition, tag, clock)) {
            failed.push_back(t);
        }
    }
    return failed;
}

std::vector<std::string> tagListEntries(const std::string& tagText) {
    std::vector<std::string> entries;
    std::size_t from = 0;
    while ((from = tagText.find('[', from)) != std::string::npos) {
        const std::size_t to = tagText.find(']', from);
        if (to == std::string::npos) {
            break;
        }
        entries.push_back(tagText.substr(from, to - from + 1));
        from = to + 1;
    }
    return entries;
}

}  // namespace qv
