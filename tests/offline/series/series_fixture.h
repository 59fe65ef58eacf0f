#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/activity_files.h"
#include "analysis/report_fixture.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "store/installation.h"
#include "support/temp_dir.h"

namespace qv::testing {

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
