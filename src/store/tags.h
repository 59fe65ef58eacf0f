#pragma once

#include <filesystem>
#include <string>

#include "common/clock.h"

namespace qv {

// tags_id.dat in a project folder, one line per acquisition: the acquisition folder name (the
// key), one blank, then its tags written one after another ("[K1][K3]"). A line whose first
// blank is its first character, or that has no blank, carries no key.

// The text after the blank of the first line keyed `key`; empty when there is none.
std::string tagsOfAcquisition(const std::filesystem::path& projectFolder, const std::string& key);

// The keys of every line that holds `tag` from its second character on, in file order, joined
// by single blanks; empty when there are none.
std::string acquisitionsWithTag(const std::filesystem::path& projectFolder, const std::string& tag);

// Adds `tag` to the acquisition `key`, or clears its tags when `tag` is empty. The file is
// rewritten only when something changed. False when the rewrite failed.
bool updateTags(const std::filesystem::path& projectFolder, const std::string& key,
                const std::string& tag, Clock& clock);

// Deletes tags_id.dat when present. False when it is there and cannot be deleted.
bool removeTagsFile(const std::filesystem::path& projectFolder);

}  // namespace qv
