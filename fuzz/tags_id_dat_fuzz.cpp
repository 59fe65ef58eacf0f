// tags_id.dat: the tags of an acquisition and the acquisitions with a tag, as the browser reads
// them, then an update, which must change only the acquisition it names.
//
// Input parts: tags_id.dat, the acquisition key, the tag.
#include "common/clock.h"
#include "common/field_text.h"
#include "store/tags.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

// A line of the acquisition: keyed by it, or its key alone once its tags were cleared.
bool belongsTo(const std::string& line, const std::string& key) {
    return line == key || line.starts_with(key + " ");
}

// A key as the browser passes it: an acquisition folder name, without blanks or line ends.
bool plainKey(const std::string& key) {
    return !key.empty() && key.find_first_of(std::string(" \r\n", 3)) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::splitParts(fuzz::asText(data, size), 3);
    const std::string key = parts.size() > 1 ? parts[1] : "20240614_1530";
    const std::string tag = parts.size() > 2 ? parts[2] : "[K1]";
    const fs::path folder = fuzz::freshScratch();
    const fs::path file = folder / "tags_id.dat";
    fuzz::writeBytes(file, parts[0]);
    const auto before = fuzz::snapshot(folder);

    std::string tags, keys;
    fuzz::mustNotThrow("tagsOfAcquisition", [&] { tags = tagsOfAcquisition(folder, key); });
    fuzz::mustNotThrow("acquisitionsWithTag", [&] { keys = acquisitionsWithTag(folder, tag); });
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the tags readers");

    TestClock clock;
    bool updated = false;
    fuzz::mustNotThrow("updateTags", [&] { updated = updateTags(folder, key, tag, clock); });
    fuzz::check(updated, "the tags update failed");
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "updateTags",
                          [](const std::string& p) { return p == "tags_id.dat"; });
    // A tag as the tag menu gives it ("[K1]".."[K4]") holds no line end either.
    if (!plainKey(key) || tag.find_first_of("\r\n") != std::string::npos) {
        return 0;
    }
    const std::string after = tagsOfAcquisition(folder, key);
    if (!tag.empty()) {
        fuzz::check(after.find(tag) != std::string::npos, "the added tag does not read back");
    } else if (!tags.empty()) {
        fuzz::check(after.empty(), "cleared tags still read back");
    }
    // Every line of another acquisition is kept as it was, in its order.
    std::vector<std::string> others, othersAfter;
    for (const std::string& line : splitLines(parts[0])) {
        if (!belongsTo(line, key)) {
            others.push_back(line);
        }
    }
    for (const std::string& line : splitLines(fuzz::readBytes(file))) {
        if (!belongsTo(line, key)) {
            othersAfter.push_back(line);
        }
    }
    fuzz::check(others == othersAfter, "the update changed another acquisition's line");
    return 0;
}
