#pragma once

#include <functional>
#include <string>

#include "acquisition/timer_driver.h"
#include "analysis/activity_files.h"
#include "window_fixture.h"

namespace qv::testing {

// A run on the virtual instrument in process, on virtual time: project 1 made current, the
// instrument behind COM4, the main window loaded and connected.
struct RunFixture : WindowFixture {
    sim::Firmware* sim = nullptr;

    explicit RunFixture(const std::function<void(ProjectSetup&)>& edit = {},
                        sim::InstrumentConfig config = {}) {
        useProject(1, edit);
        sim = &instrument(4, config);
    }

    // Makes project `number` current, a copy of project 0 changed by `edit`.
    void useProject(int number, const std::function<void(ProjectSetup&)>& edit) {
        ScriptedUi quiet;
        Store writer(dir.path(), quiet);
        writer.loadConfiguration();
        writer.chooseProjectPath();
        writer.loadProjectSettings(writer.config().Actual_Project_Number);
        const auto folder = writer.projectFolder(number);
        std::filesystem::create_directories(folder);
        writer.config().Actual_Project_Number = static_cast<std::int16_t>(number);
        writer.config().Last_Project = static_cast<std::int16_t>(number);
        writer.setProjectPath(folder);
        writer.setup().Name = "Run";
        if (edit) {
            edit(writer.setup());
        }
        ASSERT_TRUE(writer.saveProjectSettings());
        ASSERT_TRUE(writer.saveConfiguration());
    }

    // Load and Connect, as "Run Latest Project" does.
    void open() {
        ASSERT_TRUE(load());
        main().cmd_connect_Click();
        ASSERT_TRUE(state().link.connected);
    }

    // Play with a name typed into the box.
    void play(const std::string& name = "test run") {
        ui.queueInput(name);
        main().CmdPlay_Click();
    }

    // The acquisition timer's ticks on virtual time, while the run goes on and `more` says so.
    void runWhile(const std::function<bool()>& more) {
        TimerDriver driver(clock, main().Timeradq, [this] { main().Timeradq_Timer(); });
        driver.runWhile([&] { return state().runState != 0 && more(); });
    }
    void runToEnd() {
        runWhile([] { return true; });
    }
    void runBlocks(int blocks) {
        runWhile([&] { return main().cycle().progress().blocks < blocks; });
    }

    std::filesystem::path folder() { return main().run().acquisitionFolder(); }
    std::vector<CountsRecord> counts() {
        auto file = readCountsFile(countsFilePath(folder()));
        return file ? file->records : std::vector<CountsRecord>{};
    }
};

}  // namespace qv::testing
