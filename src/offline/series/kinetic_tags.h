#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"

namespace qv {

// The kinetic group tags of the browser's "Kinetic Group TAG" menu: entry 0 is "CLEAR", entries
// 1..4 the tags "[K1]".."[K4]".

inline constexpr int kKineticTagEntries = 5;

// "[K" + entry + "]" for entries 1..4; empty for "CLEAR" (entry 0) and anything else.
std::string kineticTag(int entry);

// The menu entry a name stands for: "clear" (any case) is 0, "K1".."K4" or "[K1]".."[K4]" are
// 1..4; nullopt for anything else.
std::optional<int> kineticTagEntry(const std::string& name);

// One acquisition picked in the list: its project folder and its folder name.
struct TagTarget {
    std::filesystem::path projectFolder;
    std::string acquisition;
};

// Gives every target the tag of `entry`, or clears its tags for entry 0, through the project's
// tags_id.dat. Every target is tried; the ones whose file could not be written are returned.
std::vector<TagTarget> tagAcquisitions(const std::vector<TagTarget>& targets, int entry,
                                       Clock& clock);

// The entries of the tag list: every segment of a tag text from a "[" to the next "]",
// brackets included ("[K1][K3]" gives "[K1]", "[K3]").
std::vector<std::string> tagListEntries(const std::string& tagText);

}  // namespace qv
