// A project folder as the project lists see it: the title reader (which repairs a short
// setup.dat from setup.bak or the newest acquisition snapshot, keeping the short one as
// setup.dat.damaged), the newest-acquisition search
// over whatever folders lie there, the line count, and the rename of the stored name.
//
// Input: one byte of flags (bit 0 setup.dat present, bit 1 setup.bak present), then parts:
// setup.dat, setup.bak, folder names (one per line, each made a folder holding the snapshot),
// the snapshot's setup.dat.
#include <algorithm>

#include "common/date_time.h"
#include "common/field_text.h"
#include "common/scripted_ui.h"
#include "store/project_files.h"
#include "store/project_load.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

// Names a folder can have. A folder in the place of the writers' temporary file would only
// make every write fail, which the checks below do not allow for.
bool usableName(const std::string& n) {
    return !n.empty() && n.size() < 100 && n != "." && n != ".." && !n.ends_with(".tmp~") &&
           n.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// setup.dat.damaged, setup.dat.damaged2, ...: where a repair keeps what it wrote over.
bool isDamagedCopyName(const std::string& p) {
    const std::string stem = "setup.dat.damaged";
    return p.starts_with(stem) &&
           p.find_first_not_of("0123456789", stem.size()) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int flags = size > 0 ? data[0] : 0;
    const auto parts = fuzz::splitParts(fuzz::asText(data, size).substr(size > 0 ? 1 : 0), 4);
    const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    const fs::path folder = fuzz::freshScratch();
    if (flags & 1) {
        fuzz::writeBytes(folder / "setup.dat", part(0));
    }
    if (flags & 2) {
        fuzz::writeBytes(folder / "setup.bak", part(1));
    }
    std::vector<std::string> names;
    for (const std::string& n : splitLines(part(2))) {
        if (usableName(n) && names.size() < 8 && !fs::exists(folder / n)) {
            fuzz::writeBytes(folder / n / "setup.dat", part(3));
            names.push_back(n);
        }
    }
    const auto before = fuzz::snapshot(folder);

    std::string newest;
    fuzz::mustNotThrow("newestAcquisitionFolder",
                       [&] { newest = newestAcquisitionFolder(folder); });
    // The newest is the latest real "yyyymmdd_hhmm" among the folders, the first one on a tie.
    std::optional<std::int64_t> latest;
    for (const std::string& n : names) {
        if (const auto stamp = parseFolderStamp(n)) {
            latest = std::max(latest.value_or(INT64_MIN), toEpochMs(*stamp));
        }
    }
    if (!latest) {
        fuzz::check(newest.empty(), "a newest acquisition among folders that are none");
    } else {
        const auto stamp = parseFolderStamp(newest);
        fuzz::check(std::find(names.begin(), names.end(), newest) != names.end() && stamp &&
                        toEpochMs(*stamp) == *latest,
                    "the newest acquisition is not the latest folder");
    }

    ScriptedUi ui;
    std::string title;
    fuzz::mustNotThrow("readProjectTitle", [&] { title = readProjectTitle(folder, ui); });
    fuzz::check(title.starts_with("<Project> p") || title == "ERROR on SETUP.DAT FILE!!!",
                "a title of an unknown form");
    const auto after = fuzz::snapshot(folder);
    fuzz::expectUnchanged(before, after, "readProjectTitle", [](const std::string& p) {
        return p == "setup.dat" || isDamagedCopyName(p);
    });
    const auto was = before.files.find("setup.dat");
    const auto now = after.files.find("setup.dat");
    std::vector<std::string> kept;
    for (const auto& [p, bytes] : after.files) {
        if (isDamagedCopyName(p) && !before.files.contains(p)) {
            kept.push_back(p);
        }
    }
    if (now != after.files.end() && (was == before.files.end() || was->second != now->second)) {
        const bool fromBak = (flags & 2) && now->second == part(1);
        const bool fromSnapshot = !newest.empty() && now->second == part(3);
        fuzz::check(fromBak || fromSnapshot, "setup.dat became neither setup.bak nor a snapshot");
        fuzz::check(ui.messages.size() == 1, "a repair without its message");
        // The short file the repair wrote over is kept under the first free name.
        if (was != before.files.end()) {
            fuzz::check(kept.size() == 1 && after.files.at(kept[0]) == was->second,
                        "the short setup.dat was not kept before the repair");
            std::string firstFree = "setup.dat.damaged";
            for (int k = 2; before.files.contains(firstFree) || before.folders.contains(firstFree);
                 ++k) {
                firstFree = "setup.dat.damaged" + std::to_string(k);
            }
            fuzz::check(kept[0] == firstFree, "the kept copy passed over a free name");
        } else {
            fuzz::check(kept.empty(), "a copy kept of a setup.dat that was not there");
        }
    } else {
        fuzz::check(now != after.files.end() || was == before.files.end(), "setup.dat removed");
        fuzz::check(ui.messages.empty(), "a repair message without a repair");
        fuzz::check(kept.empty(), "a damaged copy kept without a repair");
    }

    fuzz::mustNotThrow("countLines and isCompleteSetupFile", [&] {
        countLines(folder / "setup.dat");
        isCompleteSetupFile(folder / "setup.dat");
    });

    // The rename keeps the previous setup.dat as setup.bak and touches nothing else.
    const auto beforeRename = fuzz::snapshot(folder);
    std::string renamed;
    fuzz::mustNotThrow("renameStoredName",
                       [&] { renamed = renameStoredName(folder, "Renamed", ui); });
    const auto afterRename = fuzz::snapshot(folder);
    fuzz::expectUnchanged(beforeRename, afterRename, "renameStoredName", [](const std::string& p) {
        return p == "setup.dat" || p == "setup.bak";
    });
    if (const auto old = beforeRename.files.find("setup.dat"); old != beforeRename.files.end()) {
        if (beforeRename.folders.contains("setup.bak")) {
            // A folder where the backup goes: the copy fails, and the rename with it.
            fuzz::check(renamed.empty() && ui.messages.back() == "error",
                        "a rename without its backup");
        } else {
            fuzz::check(renamed == "Renamed", "the rename failed");
            fuzz::check(afterRename.files.at("setup.bak") == old->second,
                        "setup.bak is not the setup.dat before the rename");
        }
    } else {
        fuzz::check(renamed == "Renamed", "no setup.dat to rename, yet a failure");
    }
    return 0;
}
