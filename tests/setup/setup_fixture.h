#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/canvas.h"
#include "common/scripted_ui.h"
#include "setup/setup_window.h"
#include "store/installation.h"
#include "store/store.h"
#include "support/temp_dir.h"

namespace qv::testing {

// A freshly installed application folder (project 0, plate w96f, no project handed out yet),
// its store started up, and the setup window on it with a recording canvas for the plate and
// stand-ins for the main window's controls and the other windows.
struct SetupFixture {
    TempDir dir;
    ScriptedUi ui;
    Store store{dir.path(), ui};
    SetupWindow window{store, ui};
    RecordingCanvas canvas{980, 660};
    Controls mainControls;
    Control& Frm_Main = mainControls.add("Frm_Main", ControlKind::Form);
    Control& lbl_detection = mainControls.add("lbl_detection", ControlKind::Label);
    Control& txt_snr_umbral = mainControls.add("txt_snr_umbral", ControlKind::TextBox, "1.7");
    Control& Cmb_organism = mainControls.add("Cmb_organism", ControlKind::ComboBox);
    Control& Txt_description = mainControls.add("Txt_description", ControlKind::TextBox);
    Control& frm_mn1 = mainControls.add("frm_mn1", ControlKind::Frame);
    Control& Frame_light = mainControls.add("Frame_light", ControlKind::Frame);
    Control& frm_pulse = mainControls.add("frm_pulse", ControlKind::Frame);
    Control& Chk_lenabled = mainControls.add("Chk_lenabled", ControlKind::CheckBox);
    Control& Frame_temp = mainControls.add("Frame_temp", ControlKind::Frame);
    Control& Chk_tenabled = mainControls.add("Chk_tenabled", ControlKind::CheckBox);
    int runWindowShown = 0;
    int startScreenShown = 0;

    SetupFixture() {
        const auto laid = layInstallationData(sourceDir() / "data", dir.path(), false);
        EXPECT_EQ(laid.status, InstallStatus::Ok);
        EXPECT_EQ(store.startUp(), Store::StartUp::Ready);
        Frm_Main.visible = false;
        Cmb_organism.items = {"C elegans(>L4)", "Zebrafish(Larvae)", "Echinococcus", "Drosophila"};
        window.Picwell.canvas = &canvas;
        window.attach({&Frm_Main, &lbl_detection, &txt_snr_umbral, &Cmb_organism, &Txt_description,
                       &frm_mn1, &Frame_light, &frm_pulse, &Chk_lenabled, &Frame_temp,
                       &Chk_tenabled, [this] { ++runWindowShown; },
                       [this] { ++startScreenShown; }});
    }

    // The window as a user opens it.
    void open() {
        window.Frm_setup.visible = true;
        window.Form_Load();
    }

    // A project folder with its own settings, as an earlier session saved them.
    void writeProject(int number, const std::string& name) {
        ScriptedUi quiet;
        Store other(dir.path(), quiet);
        other.startUp();
        const auto folder = other.projectFolder(number);
        std::filesystem::create_directories(folder);
        other.config().Actual_Project_Number = static_cast<std::int16_t>(number);
        other.setProjectPath(folder);
        other.setup().Name = name;
        other.setup().Aq_lapse = static_cast<std::int16_t>(100 + number);
        ASSERT_TRUE(other.saveProjectSettings());
    }

    std::string configLine() const {
        const std::string text = readBytes(dir / "config.dat");
        return text.substr(text.find("\r\n") + 2);
    }
};

}  // namespace qv::testing
