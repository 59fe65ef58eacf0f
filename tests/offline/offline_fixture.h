#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/recorded_run.h"
#include "analysis/report_fixture.h"
#include "common/canvas.h"
#include "common/scripted_ui.h"
#include "offline/offline_browser.h"
#include "offline/offline_groups.h"
#include "offline/offline_plots.h"
#include "offline/offline_window.h"
#include "store/installation.h"
#include "store/project_files.h"
#include "support/temp_dir.h"

namespace qv::testing {

// An installed application folder with projects and acquisitions written as a run leaves them,
// and the offline browser on it with a recording canvas for its picture and stand-ins for the
// start screen and the report window.
struct OfflineFixture {
    TempDir dir;
    ScriptedUi ui;
    TestClock clock;
    OfflineWindow window{dir.path(), ui, clock};
    RecordingCanvas canvas{1000, 640};
    int startScreenShown = 0;
    std::vector<std::filesystem::path> reportsShown;

    OfflineFixture() {
        const auto laid = layInstallationData(sourceDir() / "data", dir.path(), false);
        EXPECT_EQ(laid.status, InstallStatus::Ok);
        window.Picreal.canvas = &canvas;
        window.attach({[this] { ++startScreenShown; },
                       [this](const std::filesystem::path& p) { reportsShown.push_back(p); }});
    }

    // A project folder with its settings files (and no acquisition yet), named `name`.
    std::filesystem::path project(const std::string& folder, const std::string& name,
                                  const AcquisitionFixture& settings = {}) {
        const auto path = dir / folder;
        settings.write(path, {});
        numberSnapshot(path, folder);
        channelFiles(path);
        std::filesystem::remove(path / "counts.bin");
        std::filesystem::remove(path / "subproj.dat");
        ScriptedUi quiet;
        EXPECT_EQ(renameStoredName(path, name, quiet), name);
        return path;
    }

    // An acquisition of a project: its settings snapshot, subproj.dat named `description` and
    // counts.bin with the records given.
    std::filesystem::path acquisition(const std::string& projectFolder, const std::string& name,
                                      const std::string& description,
                                      const std::vector<CountsFileRecord>& records,
                                      AcquisitionFixture settings = {}) {
        const auto path = dir / projectFolder / name;
        settings.name = description;
        settings.write(path, records);
        numberSnapshot(path, projectFolder);
        channelFiles(path);
        return path;
    }

    // The settings written carry the number of the project folder they lie in, as a run's
    // snapshot does.
    static void numberSnapshot(const std::filesystem::path& folder, const std::string& project) {
        std::string setup = readBytes(folder / "setup.dat");
        const auto at = setup.find("\r\n3,");
        ASSERT_NE(at, std::string::npos);
        setup.replace(at + 2, 1, std::to_string(projectNumberOf(project)));
        writeBytes(folder / "setup.dat", setup);
    }

    // The channel states and thresholds of the installation's default project.
    void channelFiles(const std::filesystem::path& folder) const {
        for (const char* file : {"status.dat", "threshld.dat"}) {
            std::filesystem::copy_file(dir / file, folder / file,
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }

    void open() {
        window.Frm_offline.visible = true;
        window.Form_Load();
    }

    // The index of the first row containing `text`; -1 when none does.
    int rowWith(const std::string& text) const {
        const auto& items = window.Listpj.items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].find(text) != std::string::npos) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Selects the row containing `text` and double-clicks it.
    void openRow(const std::string& text) {
        const int row = rowWith(text);
        ASSERT_GE(row, 0) << text;
        select(row);
        window.Listpj_DblClick();
    }

    void select(int row) {
        window.Listpj.listIndex = row;
        window.Listpj.selectedRows = {row};
    }

    // Double-clicks the project row of `projectFolder` and then the acquisition row of `time`
    // ("15:30").
    void openAcquisition(const std::string& projectFolder, const std::string& time) {
        openRow(projectFolder);
        openRow("ACQ" + time);
    }
};

// Counts of the offline fixtures: the group pattern shows in every plot (channels 0..127 count
// 2, 128..255 count 4, 256..383 nothing).
inline int byGroup(int /*record*/, int channel) {
    return channel < 128 ? 2 : channel < 256 ? 4 : 0;
}

}  // namespace qv::testing
