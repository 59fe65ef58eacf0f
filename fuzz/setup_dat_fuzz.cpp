// setup.dat as the project load reads it, with its recovery from setup.bak and from the newest
// acquisition snapshot, then the channel files and the plate format it names.
//
// Input: one byte of flags, then up to three files: setup.dat, setup.bak and the snapshot's
// setup.dat. Flag bits: 0 setup.dat present, 1 setup.bak present, 2 snapshot present,
// 3 load project 0 (the application folder) instead of project 1, 4 a look that must write
// nothing (a "show").
//
// The load may repair setup.dat by copying one of the two sources over it, after keeping the
// damaged one beside it as setup.dat.damaged; every other file stays as it was, and a look
// that must write nothing changes nothing at all.
#include <optional>

#include "common/scripted_ui.h"
#include "store/store.h"
#include "support/fuzz_support.h"
#include "support/plate_checks.h"
#include "support/setup_checks.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int flags = size > 0 ? data[0] : 0;
    const auto parts = fuzz::splitParts(fuzz::asText(data, size).substr(size > 0 ? 1 : 0), 3);
    const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };

    const fs::path app = fuzz::freshScratch();
    fuzz::layInstallation(app);
    const bool project0 = (flags & 8) != 0;
    const std::int16_t N = project0 ? 0 : 1;
    const fs::path project = project0 ? app : app / "p00001";
    fs::create_directories(project);
    fs::remove(project / "setup.dat");
    if (flags & 1) {
        fuzz::writeBytes(project / "setup.dat", part(0));
    }
    if (flags & 2) {
        fuzz::writeBytes(project / "setup.bak", part(1));
    }
    // An older snapshot beside the newest, which the recovery must pass over.
    fs::create_directories(project / "20231230_0800");
    fuzz::writeBytes(project / "20231230_0800" / "setup.dat", "old");
    if (flags & 4) {
        fuzz::writeBytes(project / "20240101_0900" / "setup.dat", part(2));
    }
    const auto before = fuzz::snapshot(app);
    const std::string setupRel = (project / "setup.dat").lexically_relative(app).string();

    ScriptedUi ui;
    Store store(app, ui);
    store.config().Actual_Project_Number = N;
    store.setProjectPath(project);
    const bool lookOnly = (flags & 16) != 0;
    ProjectLoadResult result;
    fuzz::mustNotThrow("loadProjectSettings",
                       [&] { result = store.loadProjectSettings(N, !lookOnly); });

    const auto after = fuzz::snapshot(app);
    const std::string damagedRel = setupRel + ".damaged";
    fuzz::expectUnchanged(before, after, "loadProjectSettings", [&](const std::string& p) {
        return !lookOnly && (p == setupRel || p == damagedRel);
    });
    const auto was = before.files.find(setupRel);
    const auto now = after.files.find(setupRel);
    const bool changed = (was == before.files.end()) != (now == after.files.end()) ||
                         (now != after.files.end() && now->second != was->second);
    if (changed) {
        fuzz::check(result.recovered, "setup.dat changed without a recovery");
        fuzz::check(now != after.files.end(), "the recovery removed setup.dat");
        const bool fromBak = (flags & 2) && now->second == part(1);
        const bool fromSnapshot = (flags & 4) && now->second == part(2);
        fuzz::check(fromBak || fromSnapshot, "setup.dat became neither setup.bak nor the snapshot");
    }
    // What the recovery wrote over is kept, byte for byte; nothing else is kept.
    const auto kept = after.files.find(damagedRel);
    if (result.recovered && was != before.files.end() && !lookOnly) {
        fuzz::check(kept != after.files.end() && kept->second == was->second &&
                        result.keptDamaged == project / "setup.dat.damaged",
                    "the damaged setup.dat was not kept before the recovery");
    } else {
        fuzz::check(kept == after.files.end() && result.keptDamaged.empty(),
                    "a damaged setup.dat kept without a recovery over it");
    }
    fuzz::check(!(result.recovered && N == 0), "project 0 recovered from a backup");

    const ProjectSetup& s = store.setup();
    for (int c = 0; c < kChannels; ++c) {
        fuzz::check(s.channelEnabled[c] == (s.channelStatus[c] != 0) || !ui.messages.empty(),
                    "enabled flags differ from the status read");
    }
    fuzz::checkPlate(store.plate(), "plate of the loaded project");
    fuzz::checkSavesAndLoadsBack(s, N, "the loaded project");
    return 0;
}
