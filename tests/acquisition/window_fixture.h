#pragma once

#include <functional>
#include <memory>

#include "acquisition/device_link.h"
#include "acquisition/main_window.h"
#include "acquisition/start_screen.h"
#include "common/scripted_ui.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "sim/firmware.h"
#include "store/installation.h"
#include "store/report_config.h"
#include "support/temp_dir.h"

namespace qv::testing {

// A freshly installed application folder with the start screen and main window logic on it,
// on virtual time. The serial ports are inside the process: none answers unless a test puts
// a virtual instrument behind one.
struct WindowFixture {
    TempDir dir;
    ScriptedUi ui;
    TestClock clock;
    device::InProcessBackend ports{clock};
    // Another backend (real ports) and the clock its waits run on.
    device::SerialBackend* otherPorts = nullptr;
    Clock* deviceClock = nullptr;

    WindowFixture() { layInstallationData(sourceDir() / "data", dir.path(), false); }

    // Changes project 0's stored settings, as the setup window would have saved them.
    void editProject(const std::function<void(ProjectSetup&)>& edit) {
        ScriptedUi quiet;
        Store writer(dir.path(), quiet);
        writer.loadConfiguration();
        writer.chooseProjectPath();
        writer.loadProjectSettings(writer.config().Actual_Project_Number);
        edit(writer.setup());
        ASSERT_TRUE(writer.saveProjectSettings());
    }

    // The virtual instrument behind port n.
    sim::Firmware& instrument(int port, sim::InstrumentConfig config = {}) {
        firmware_ = std::make_unique<sim::Firmware>(clock, config);
        line_ = std::make_unique<device::ModelLine<sim::Firmware>>(*firmware_);
        ports.attach(device::comName(port), *line_);
        return *firmware_;
    }

    // The windows, made on first use so that a test can prepare the folder first.
    MainWindow& main(Ui* otherUi = nullptr) {
        if (!windows_) {
            windows_ = std::make_unique<Windows>(dir.path(), otherUi ? *otherUi : ui, clock,
                                                 otherPorts ? *otherPorts : ports,
                                                 deviceClock ? *deviceClock : clock);
        }
        return windows_->main;
    }
    DeviceLink& device() { return main(), windows_->device; }
    StartScreen& init() { return main(), windows_->init; }
    AppState& state() { return main(), windows_->state; }
    Store& store() { return main(), windows_->store; }
    Control& setupForm() { return main(), *windows_->setupForm; }

    // The load step with an empty command line; the test fails on a message it did not expect.
    bool load(const std::string& commandLine = "") { return main().Form_Load(commandLine); }

  private:
    struct Windows {
        Store store;
        AppState state;
        DeviceLink device;
        AppContext context;
        StartScreen init;
        MainWindow main;
        Controls others;
        Control* setupForm;
        Control* offlineForm;

        Windows(const std::filesystem::path& folder, Ui& ui, Clock& clock,
                device::SerialBackend& ports, Clock& deviceClock)
            : store(folder, ui),
              device(ports, deviceClock, ui, state, store),
              context{store, state, ui, clock, device},
              init(context),
              main(context, init),
              setupForm(&others.add("Frm_setup", ControlKind::Form)),
              offlineForm(&others.add("Frm_offline", ControlKind::Form)) {
            init.attach(main, *setupForm, *offlineForm);
            main.attachWindows(*setupForm, *offlineForm);
        }
    };
    std::unique_ptr<sim::Firmware> firmware_;
    std::unique_ptr<device::ModelLine<sim::Firmware>> line_;
    std::unique_ptr<Windows> windows_;
};

}  // namespace qv::testing
