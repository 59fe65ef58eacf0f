#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/activity_files.h"
#include "analysis/report_fixture.h"
#include "analysis/sample_block.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "store/installation.h"
#include "support/temp_dir.h"

namespace qv::testing {

// A raw block at a steady light level with a two-count ripple, so the detection's envelopes
// follow it closely, and beams dark where an animal stands: each (channel, first sample) dips
// to 600 for three samples, one event at its first sample.
inline SampleBlock blockWith(const std::vector<std::pair<int, int>>& dips) {
    SampleBlock b;
    for (int s = 0; s <= 500; ++s) {
        for (int c = 0; c < SampleBlock::kBeams; ++c) {
            b.at(c, s) = static_cast<std::int16_t>(1000 + 2 * (s % 2));
        }
    }
    for (const auto& [channel, first] : dips) {
        for (int s = first; s < first + 3; ++s) {
            b.at(channel, s) = 600;
        }
    }
    return b;
}

// An installed application folder with project p00001, into which tests lay acquisitions as
// a run leaves them: the settings snapshot, counts.bin and, when given, raw blocks.
struct SeriesFolder {
    TempDir dir;
    ScriptedUi ui;
    TestClock clock;

    SeriesFolder() {
        layInstallationData(sourceDir() / "data", app(), false);
        std::filesystem::create_directories(project());
    }
    std::filesystem::path app() const { return dir / "app"; }
    std::filesystem::path project() const { return app() / "p00001"; }

    // An acquisition whose channel c counts count(record, c) in each of `records` records, one
    // a minute.
    std::filesystem::path acquisition(const std::string& name, int records,
                                      const std::function<int(int, int)>& count,
                                      AcquisitionFixture settings = {}) const {
        const auto folder = project() / name;
        std::vector<int> minutes;
        for (int r = 0; r < records; ++r) {
            minutes.push_back(r);
        }
        settings.write(folder, makeRecords(minutes, count));
        return folder;
    }
};

}  // namespace qv::testing
