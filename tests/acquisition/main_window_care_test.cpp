// The main window's instrument-care controls: what each button, box and menu item does in the
// window, with the virtual instrument on COM4 inside the process.
#include <gtest/gtest.h>

#include <filesystem>

#include "care_rig.h"
#include "window_fixture.h"

namespace qv {
namespace {

using testing::EventUi;
using testing::WindowFixture;

// Loaded and connected to a virtual instrument on COM4 (the installation's port).
sim::Firmware& connect(WindowFixture& f, sim::InstrumentConfig config = {}, EventUi* ui = nullptr) {
    sim::Firmware& fw = f.instrument(4, config);
    f.main(ui);
    EXPECT_TRUE(f.load());
    f.main().cmd_connect_Click();
    EXPECT_TRUE(f.state().link.connected);
    return fw;
}

sim::InstrumentConfig emptySlot() {
    sim::InstrumentConfig c;
    c.plateInserted = false;
    return c;
}

TEST(MainWindowSnrBox, TypedValuesAreCheckedAndMakeTheOrganismEchinococcus) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    ASSERT_EQ(f.store().setup().Mn1[mn1::Organism], 0);
    m.txt_snr_umbral.text = "2.5";
    m.txt_snr_umbral_LostFocus();
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_EQ(f.store().setup().Mn1[mn1::SNRx10], 25);
    EXPECT_EQ(f.store().setup().Mn1[mn1::Organism], 2);
    EXPECT_EQ(m.Cmb_organism.text, "Echinococcus");
    EXPECT_EQ(m.txt_snr_umbral.text, "2.5");
    EXPECT_TRUE(m.txt_snr_umbral.visible);
    EXPECT_DOUBLE_EQ(f.state().snrThreshold, 2.5);  // not the organism 0 default of 1.8

    for (const char* bad : {"5.5", "1", "", "x2"}) {
        f.ui.messages.clear();
        m.txt_snr_umbral.text = bad;
        m.txt_snr_umbral_LostFocus();
        EXPECT_EQ(f.ui.messages, std::vector<std::string>{"Invalid value: 1.1 to 5.0"}) << bad;
        EXPECT_EQ(m.txt_snr_umbral.text, "1.8");
        EXPECT_EQ(f.store().setup().Mn1[mn1::SNRx10], 18);
        EXPECT_EQ(m.Cmb_organism.listIndex, 2);
        EXPECT_DOUBLE_EQ(f.state().snrThreshold, 1.8);
    }
    m.txt_snr_umbral.text = "5";
    m.txt_snr_umbral_LostFocus();
    EXPECT_EQ(m.txt_snr_umbral.text, "5.0");
    EXPECT_EQ(f.store().setup().Mn1[mn1::SNRx10], 50);
}

TEST(MainWindowCalibration, FastCalibWithoutARunCalibratesAndGivesTheStateBack) {
    WindowFixture f;
    EventUi ui;
    sim::Firmware& fw = connect(f, emptySlot(), &ui);
    MainWindow& m = f.main();
    m.mncal_on_Click();
    m.mnCalibra.checked = false;
    m.mnCalibra_Click();
    ASSERT_TRUE(m.cmd_calibra.visible);
    ASSERT_TRUE(m.cmd_calibra.enabled);
    m.CmdPlay.enabled = true;
    m.txt_snr_umbral.text = "2,4";
    bool playDuring = true;
    int runStateDuring = -1;
    ui.onEvents = [&] {
        playDuring = playDuring && m.CmdPlay.enabled;
        runStateDuring = f.state().runState;
        m.cmd_calibra_Click();  // a second click while it runs is ignored
    };
    m.cmd_calibra_Click();
    ui.onEvents = nullptr;

    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(playDuring);
    EXPECT_EQ(runStateDuring, 1);
    EXPECT_EQ(f.state().runState, 0);
    EXPECT_TRUE(m.CmdPlay.enabled);
    EXPECT_TRUE(m.frm_autotext.visible);
    EXPECT_EQ(m.lbl_autotext.text, "<FAST CALIBRATION>");
    EXPECT_EQ(m.lbl_autochannel.text, "Calibration OK");
    EXPECT_DOUBLE_EQ(f.state().snrThreshold, 2.0);  // a direct conversion stops at the comma
    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(f.dir.path(), file).status, CalibrationReadStatus::Ok);
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        ASSERT_EQ(fw.setting(c), file.Gain[i] * 32 + file.PinHole[i]) << c;
        if (f.store().plate().wellOfChannel[i] >= 0) {
            EXPECT_GE(fw.clearLevel(c), 1638 - 15) << c;
        }
    }
}

TEST(MainWindowCalibration, StopEndsAButtonsCalibrationAndOfflineFastZeroIsRefused) {
    WindowFixture f;
    EventUi ui;
    connect(f, emptySlot(), &ui);
    MainWindow& m = f.main();
    f.store().setup().channelThreshold.fill(3.0);
    int passes = 0;
    ui.onEvents = [&] {
        if (++passes == 2) {
            f.state().runState = 0;  // Stop
        }
    };
    m.Cmd_autozero_Click();
    EXPECT_EQ(m.lbl_autotext.text, "<FAST ZERO>");
    EXPECT_EQ(m.lbl_autochannel.text, "AutoZero... <19>");
    EXPECT_EQ(f.store().setup().channelThreshold[0], 3.0);
    EXPECT_EQ(f.state().runState, 0);
    EXPECT_FALSE(m.Timeradq.enabled);

    f.state().link.offline = true;
    m.Cmd_autozero_Click();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Operation not possible in OFFLINE mode"});
    m.cmd_calibra_Click();
    EXPECT_EQ(ui.messages.back(), "Operation not possible in OFFLINE mode");
}

// After Connect the instrument answers in the calibration's form; "Fast ZERO" puts it into
// the acquisition form first, so organisms crossing the beams show as ripple.
TEST(MainWindowCalibration, FastZeroMeasuresInTheAcquisitionForm) {
    WindowFixture f;
    connect(f);
    MainWindow& m = f.main();
    m.mncal_on_Click();
    m.mnZero.checked = false;
    m.mnZero_Click();
    m.txt_snr_umbral.text = "2.0";
    auto& thresholds = f.store().setup().channelThreshold;
    thresholds.fill(3.0);
    m.Cmd_autozero_Click();
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_EQ(m.lbl_autochannel.text, "AutoZero... <99>");  // manual zero: 100 samples
    int raised = 0;
    for (int c = 0; c < kChannels; ++c) {
        const double t = thresholds[static_cast<std::size_t>(c)];
        EXPECT_GE(t, 1.8);
        if (c % 2 == 1) {
            EXPECT_DOUBLE_EQ(t, 1.8) << c;  // no light of its own in this form
        }
        raised += t > 1.8 ? 1 : 0;
    }
    EXPECT_GT(raised, 20);
    EXPECT_EQ(f.state().runState, 0);
}

TEST(MainWindowCalibration, ButtonsClickedWhileARunsCalibrationWorksAreIgnored) {
    WindowFixture f;
    EventUi ui;
    connect(f, {}, &ui);
    MainWindow& m = f.main();
    m.lbl_autotext.text = "<AUTOCALIBRATION>";
    int clicks = 0;
    ui.onEvents = [&] {
        ++clicks;
        m.Cmd_autozero_Click();
        m.cmd_calibra_Click();
    };
    f.state().runState = 1;  // Play has started the run
    m.instrumentCare().deviceCalibration({});
    EXPECT_GT(clicks, 10);
    EXPECT_EQ(m.lbl_autotext.text, "<AUTOCALIBRATION>");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(m.lbl_autochannel.text, "Saving Calibration values...100%");
}

TEST(MainWindowCalibration, ReadBlankPreparesTheFolderAndHandsOverToTheCycle) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    f.editProject([](ProjectSetup&) {});
    f.store().setup().Threshold_Counter = 250;
    m.mncal_on_Click();
    EXPECT_TRUE(m.Cmd_readblank.visible);
    // The main window hands the blank over to its acquisition cycle.
    m.Cmd_readblank_Click();
    EXPECT_EQ(m.lblcalibrando.text, "Setting Blank.... (250 samples)");
    EXPECT_TRUE(m.Timeradq.enabled);
    EXPECT_TRUE(m.cycle().blankMode());
    m.Timeradq.enabled = false;

    std::vector<BlankStart> handed;
    m.calibration.startBlank = [&](const BlankStart& b) {
        EXPECT_FALSE(m.Timeradq.enabled);
        handed.push_back(b);
    };
    f.clock.set(DateTime{2024, 6, 14, 16, 5, 0, 0});
    m.Cmd_readblank_Click();
    ASSERT_EQ(handed.size(), 1u);
    const std::filesystem::path folder = f.dir / "20240614_1605";
    EXPECT_EQ(handed[0].acquisitionFolder, folder);
    EXPECT_EQ(handed[0].samples, 250);
    EXPECT_EQ(handed[0].startTime, (DateTime{2024, 6, 14, 16, 5, 0, 0}));
    EXPECT_TRUE(m.Timeradq.enabled);
    for (const char* name :
         {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "subproj.dat"));
    EXPECT_EQ(f.store().projectPath(), f.dir.path());
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(MainWindowLightAndTemperature, ButtonsWorkAndTheTestMenuNeedsTheInstrument) {
    WindowFixture f;
    sim::Firmware& fw = connect(f);
    MainWindow& m = f.main();
    EXPECT_TRUE(m.mnstatustest.visible);
    EXPECT_TRUE(m.mnstatustest.enabled);
    for (Control* c : {&m.cmd_luz, &m.cmd_frio, &m.cmd_ontemp, &m.Cmd_settemp, &m.cmd_cyclepulse,
                       &m.cmd_calibra, &m.Cmd_autozero, &m.Cmd_readblank}) {
        EXPECT_TRUE(c->enabled) << c->name;
    }
    EXPECT_EQ(m.shape_light.backColor, colors::red.packed());
    m.cmd_luz_Click();
    EXPECT_EQ(fw.controlWord(), 4);
    EXPECT_EQ(m.cmd_luz.text, "ON");
    EXPECT_EQ(m.shape_light.backColor, colors::green.packed());
    m.cmd_ontemp_Click();
    EXPECT_EQ(fw.controlWord(), 5);
    EXPECT_EQ(m.cmd_ontemp.backColor, colors::blue.packed());
    m.txttemp.text = "51";
    m.txttemp_LostFocus();
    EXPECT_EQ(f.ui.messages.back(), "Invalid value: 5.0 to 50.0");
    EXPECT_EQ(m.txttemp.text, "20");
    // What a run calls, through the interface.
    InstrumentCare& care = m.instrumentCare();
    care.lightAndTemperatureOff();
    EXPECT_EQ(fw.controlWord(), 0);
    const std::filesystem::path folder = f.dir / "20240614_1530";
    std::filesystem::create_directories(folder);
    care.deviceCalibration(folder);
    EXPECT_EQ(testing::readBytes(folder / "calvalue.dat").rfind("channel, power, gain", 0), 0u);
    m.Cmd_disconnect_Click();
    EXPECT_FALSE(m.mnstatustest.visible);
}

}  // namespace
}  // namespace qv
