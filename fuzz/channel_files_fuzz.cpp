// status.dat, threshld.dat, groups.dat and chgroup.dat: the same bytes given to each of the four
// channel-file readers (they share one layout), each falling back on its own.
#include <cmath>

#include "common/scripted_ui.h"
#include "store/project_load.h"
#include "support/fuzz_support.h"
#include "support/setup_checks.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path folder = fuzz::freshScratch();
    for (const char* name : {"status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
        fuzz::writeBytes(folder / name, fuzz::asText(data, size));
    }
    const auto before = fuzz::snapshot(folder);

    ScriptedUi ui;
    ProjectSetup s;
    // Values a previous project left, which a failed read must not leave half in place.
    s.channelStatus.fill(7);
    s.channelThreshold.fill(-1.0);
    fuzz::mustNotThrow("loadChannelFiles", [&] { loadChannelFiles(folder, 3, s, ui); });
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "loadChannelFiles");

    bool statusFailed = false, thresholdFailed = false;
    for (const std::string& m : ui.messages) {
        statusFailed = statusFailed || m.find("status.dat") != std::string::npos;
        thresholdFailed = thresholdFailed || m.find("threshld.dat") != std::string::npos;
    }
    for (int c = 0; c < kChannels; ++c) {
        fuzz::check(s.channelEnabled[c] == (statusFailed || s.channelStatus[c] != 0),
                    "enabled flags differ from the status read");
        fuzz::check(std::isfinite(s.channelThreshold[c]), "threshold not a number");
        if (thresholdFailed) {
            fuzz::check(s.channelThreshold[c] == 3.0, "default threshold not 3.0");
        }
    }
    fuzz::check(ui.messages.size() <= 4, "more than one message per file");
    fuzz::checkSavesAndLoadsBack(s, 3, "the channel tables");
    return 0;
}
