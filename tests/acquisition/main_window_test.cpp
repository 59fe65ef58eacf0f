#include <gtest/gtest.h>

#include <filesystem>

#include "window_fixture.h"

namespace qv {
namespace {

using testing::WindowFixture;

TEST(AutorunSwitch, WholeTrimmedCommandLineInOneOfThreeSpellings) {
    EXPECT_TRUE(isAutorunSwitch("  /Run   "));
    EXPECT_TRUE(isAutorunSwitch("/run"));
    EXPECT_TRUE(isAutorunSwitch("/RUN"));
    EXPECT_FALSE(isAutorunSwitch("/rUn"));
    EXPECT_FALSE(isAutorunSwitch("/runx"));
    EXPECT_FALSE(isAutorunSwitch("/run now"));
    EXPECT_FALSE(isAutorunSwitch(""));
    EXPECT_FALSE(isAutorunSwitch("   "));
}

TEST(MainWindowLoad, FreshInstallationLoadsSilentlyAndEnablesTheStartScreenLast) {
    WindowFixture f;
    int runs = 0;
    f.main().startRun = [&] {
        // The run starts only once the start screen is usable again.
        EXPECT_TRUE(f.init().Frm_Init.enabled);
        ++runs;
    };
    ASSERT_TRUE(f.load(" /Run "));
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
    EXPECT_TRUE(f.state().autorun);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(f.state().loadProgress, 9);
    EXPECT_TRUE(f.init().Frm_Init.visible);
    EXPECT_FALSE(f.main().Frm_Main.visible);
    EXPECT_FALSE(f.main().mnstatustest.visible);
    EXPECT_FALSE(f.main().frm_autotext.visible);
    EXPECT_FALSE(f.main().CmdPause.enabled);
    EXPECT_EQ(f.main().txt_projecto.text, "0_Default");
    // Five pauses of at least 500 ms each, on virtual time.
    EXPECT_GE(f.clock.totalSleptMs(), 5 * 500);
}

TEST(MainWindowLoad, OtherCapitalisationDoesNotStartARun) {
    WindowFixture f;
    int runs = 0;
    f.main().startRun = [&] { ++runs; };
    ASSERT_TRUE(f.load("/rUn"));
    EXPECT_FALSE(f.state().autorun);
    EXPECT_EQ(runs, 0);
}

// Records the start screen while the load step lets events through.
class WatchingUi : public ScriptedUi {
  public:
    std::function<void()> onEvents;
    void processEvents() override {
        ScriptedUi::processEvents();
        if (onEvents) {
            onEvents();
        }
    }
};

TEST(MainWindowLoad, StatusTextsAppearInOrderWhileTheStartScreenIsDisabled) {
    WindowFixture f;
    WatchingUi ui;
    std::vector<std::string> seen;
    bool enabledDuringLoad = false;
    ui.onEvents = [&] {
        const std::string& text = f.init().LblNews.text;
        if (seen.empty() || seen.back() != text) {
            seen.push_back(text);
        }
        enabledDuringLoad = enabledDuringLoad || f.init().Frm_Init.enabled;
    };
    f.main(&ui);
    ASSERT_TRUE(f.load());
    const std::vector<std::string> expected = {
        "Equipment Status = unknown", "STARTING........... Reading Configuration...",
        "STARTING........... Configuration OK...", "status = not connected yet"};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(enabledDuringLoad);
    EXPECT_TRUE(f.init().Frm_Init.enabled);
}

TEST(MainWindowLoad, MissingConfigEndsWithTheInstallationMessage) {
    WindowFixture f;
    std::filesystem::remove(f.dir / "config.dat");
    EXPECT_FALSE(f.load());
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0], "Config file not found: Check correct software installation");
    EXPECT_TRUE(f.state().ended);
    EXPECT_FALSE(f.init().Frm_Init.visible);
}

// Fails the event pass once the load has reached a given milestone.
class FaultyUi : public ScriptedUi {
  public:
    const AppState* state = nullptr;
    int failAt = 0;
    void processEvents() override {
        if (state != nullptr && state->loadProgress == failAt) {
            throw std::runtime_error("event pass failed");
        }
    }
};

TEST(MainWindowLoad, AFaultShowsTheProgressCodeAndEnds) {
    for (int code : {3, 4, 7, 8}) {
        WindowFixture f;
        FaultyUi ui;
        ui.failAt = code;
        f.main(&ui);
        ui.state = &f.state();
        EXPECT_FALSE(f.load());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], "Error loading INIT parameters #ERROR:" + std::to_string(code));
        EXPECT_TRUE(f.state().ended);
        EXPECT_FALSE(f.init().Frm_Init.enabled);
    }
}

TEST(MainWindowFill, TemperatureSetPointOutsideRangeShowsTwentyDegrees) {
    for (const auto& [stored, shown] : std::vector<std::pair<int, std::string>>{{10, "20.0"},
                                                                                {19, "20.0"},
                                                                                {20, "2.0"},
                                                                                {375, "37.5"},
                                                                                {500, "50.0"},
                                                                                {501, "20.0"}}) {
        WindowFixture f;
        f.editProject([&](ProjectSetup& s) {
            s.Mn3[mn3::Tempx10] = static_cast<std::int16_t>(stored);
            s.Mn3[mn3::Enable] = 1;
        });
        ASSERT_TRUE(f.load());
        EXPECT_EQ(f.main().txttemp.text, shown) << stored;
        EXPECT_TRUE(f.main().Chk_tenabled.checked);
        EXPECT_TRUE(f.state().tempControlEnabled);
    }
}

TEST(MainWindowFill, SnrBoxAndWorkingThreshold) {
    struct Case {
        int organism, snrx10;
        std::string box;
        double working;
    };
    for (const Case& c : std::vector<Case>{{0, 0, "1.8", 1.8},
                                           {0, 12, "1.2", 1.8},
                                           {2, 14, "1.4", 1.8},
                                           {2, 15, "1.5", 1.5},
                                           {3, 12, "1.2", 1.2},
                                           {0, 25, "2.5", 2.5}}) {
        WindowFixture f;
        f.editProject([&](ProjectSetup& s) {
            s.Mn1[mn1::Organism] = static_cast<std::int16_t>(c.organism);
            s.Mn1[mn1::SNRx10] = static_cast<std::int16_t>(c.snrx10);
        });
        ASSERT_TRUE(f.load());
        EXPECT_EQ(f.main().txt_snr_umbral.text, c.box) << c.organism << "/" << c.snrx10;
        EXPECT_DOUBLE_EQ(f.state().snrThreshold, c.working) << c.organism << "/" << c.snrx10;
    }
}

TEST(MainWindowFill, OrganismListShowsTheCodesText) {
    struct Case {
        int code;
        std::string text;
        int index;
    };
    for (const Case& c : std::vector<Case>{{0, "C elegans(>L4)", 0},
                                           {3, "Drosophila", 3},
                                           {1, "Zebrafish(larvae)", -1},
                                           {8, "size 0.1-1mm", -1},
                                           {5, "", -1}}) {
        WindowFixture f;
        f.editProject(
            [&](ProjectSetup& s) { s.Mn1[mn1::Organism] = static_cast<std::int16_t>(c.code); });
        ASSERT_TRUE(f.load());
        EXPECT_EQ(f.main().Cmb_organism.items.size(), 4u);
        EXPECT_EQ(f.main().Cmb_organism.text, c.text) << c.code;
        EXPECT_EQ(f.main().Cmb_organism.listIndex, c.index) << c.code;
    }
}

TEST(MainWindowOrganism, ChoosingAnOrganismAppliesItsThresholdDefault) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    m.Cmb_organism.listIndex = 1;
    m.Cmb_organism_Click();
    EXPECT_EQ(f.store().setup().Mn1[mn1::Organism], 1);
    EXPECT_EQ(m.txt_snr_umbral.text, "2.1");
    EXPECT_FALSE(m.txt_snr_umbral.visible);
    EXPECT_DOUBLE_EQ(f.state().snrThreshold, 2.1);
    m.txt_snr_umbral.text = "1,3";  // a comma reads as the decimal point
    m.Cmb_organism.listIndex = 2;
    m.Cmb_organism_Click();
    EXPECT_TRUE(m.txt_snr_umbral.visible);
    EXPECT_EQ(m.lbl_umbral.text, "> Zero SNR:");
    EXPECT_EQ(m.txt_snr_umbral.text, "1.8");
    EXPECT_DOUBLE_EQ(f.state().snrThreshold, 1.8);
    m.lbl_umbral_Click();
    EXPECT_FALSE(m.txt_snr_umbral.visible);
}

TEST(MainWindowFill, LightScheduleAndPulses) {
    WindowFixture f;
    f.editProject([](ProjectSetup& s) {
        s.Mn2 = {1, 0, 0, 3, 15, 250};
        s.Menu2 = 1;
        s.Menu3 = 0;
        s.Menu1 = 2;  // neither 0 nor 1: the panel stays as it was
    });
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    EXPECT_EQ(m.txt_lon.text, "9");
    EXPECT_EQ(m.txt_loff.text, "21");
    EXPECT_EQ(m.txt_pulsetimes.text, "3");
    EXPECT_EQ(m.txt_pulseon.text, "1.5");
    EXPECT_EQ(m.txt_pulseoff.text, "25.0");
    EXPECT_TRUE(m.frm_pulse.visible);
    EXPECT_FALSE(m.txt_lon.enabled);
    EXPECT_TRUE(m.Chk_lenabled.checked);
    EXPECT_TRUE(m.Frame_light.visible);
    EXPECT_FALSE(m.Frame_temp.visible);
    EXPECT_TRUE(m.frm_mn1.visible);
}

TEST(MainWindowFill, LightOffLeavesPulsesHiddenAndHourBoxesUsable) {
    WindowFixture f;
    f.editProject([](ProjectSetup& s) { s.Mn2 = {0, 7, 0, 3, 15, 250}; });
    ASSERT_TRUE(f.load());
    EXPECT_EQ(f.main().txt_lon.text, "7");  // only both 0 give the default hours
    EXPECT_EQ(f.main().txt_loff.text, "0");
    EXPECT_FALSE(f.main().frm_pulse.visible);
    EXPECT_TRUE(f.main().txt_lon.enabled);
    EXPECT_FALSE(f.state().lightEnabled);
}

TEST(MainWindowFill, CalibrationControlStartsOffWhateverTheProjectSays) {
    WindowFixture f;
    f.editProject([](ProjectSetup& s) {
        s.Mn1[mn1::Enab_Cal] = 0;
        s.Mn1[mn1::Enab_Zero] = 1;
    });
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    EXPECT_TRUE(f.state().autoCalibration);
    EXPECT_TRUE(f.state().autoZero);
    EXPECT_TRUE(m.mnCalibra.checked);
    EXPECT_FALSE(m.mnCalibra.visible);
    EXPECT_FALSE(m.mnZero.visible);
    EXPECT_FALSE(m.Cmd_readblank.visible);
    EXPECT_TRUE(m.cmd_calibra.visible);  // from Enab_Cal 0
    EXPECT_FALSE(m.Cmd_autozero.visible);
    EXPECT_TRUE(m.mncal_off.checked);
    EXPECT_FALSE(m.mncal_on.checked);
}

TEST(MainWindowFill, MinutesListFollowsTheUserDefinedBin) {
    {
        WindowFixture f;
        ASSERT_TRUE(f.load());
        EXPECT_EQ(f.main().combo_minutes.items.size(), 10u);
        EXPECT_EQ(f.main().combo_minutes.text, "30");
        EXPECT_FALSE(f.main().mn_userbin.checked);
    }
    {
        WindowFixture f;
        ReportConfig config;
        setReportDefaults(config, ",");
        config.Bin = 120;
        ASSERT_TRUE(saveReportConfig(f.dir.path(), 1, config, f.ui));
        ASSERT_TRUE(f.load());
        EXPECT_TRUE(f.main().mn_userbin.checked);
        EXPECT_EQ(f.main().combo_minutes.text, "120");
        EXPECT_EQ(f.main().combo_minutes.listIndex, 3);
    }
}

TEST(MainWindowBodyBends, OnlyTheU96PlateOffersIt) {
    WindowFixture f;
    f.editProject([](ProjectSetup& s) { s.Plate_format = "w96u"; });
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    m.Form_Activate();
    EXPECT_TRUE(m.chk_bodybends.enabled);
    m.chk_bodybends.checked = true;
    m.chk_bodybends_Click();
    EXPECT_EQ(f.state().bodyBends, 1);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0],
              "WARNING!\r\nExperimental functionality! Beta testing.\r\nContact us for more "
              "information");
    EXPECT_TRUE(m.Cmd_histoplot.visible);
    m.chk_bodybends.checked = false;
    m.chk_bodybends_Click();
    EXPECT_EQ(f.state().bodyBends, 0);
    EXPECT_FALSE(m.Cmd_histoplot.visible);
    EXPECT_TRUE(m.chk_bodybends.visible);
}

TEST(MainWindowBodyBends, OtherPlatesClearAndHideTheBox) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    m.chk_bodybends.checked = true;
    m.Form_Activate();
    EXPECT_FALSE(m.chk_bodybends.enabled);
    EXPECT_FALSE(m.chk_bodybends.checked);
    m.chk_bodybends.checked = true;  // ticked all the same
    m.chk_bodybends_Click();
    EXPECT_EQ(f.state().bodyBends, 0);
    EXPECT_FALSE(m.chk_bodybends.checked);
    EXPECT_FALSE(m.chk_bodybends.visible);
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(MainWindowActivation, ShowsTheProjectUnlessARunIsGoing) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    m.Form_Activate();
    EXPECT_EQ(m.txt_acqlapse.text, "30");
    EXPECT_EQ(m.txt_wellformat.text, f.store().setup().Plate_format);
    f.store().setup().Name = "Changed";
    m.Timeradq.enabled = true;
    m.Form_Activate();
    EXPECT_EQ(m.txt_projecto.text, "0_Default");
    m.Timeradq.enabled = false;
    m.Form_Activate();
    EXPECT_EQ(m.txt_projecto.text, "0_Changed");
}

TEST(MainWindowMenus, HelpOpensTheDocumentAndAboutShowsItsWindow) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    f.main().mncontent_Click();
    ASSERT_EQ(f.ui.opened.size(), 1u);
    EXPECT_EQ(f.ui.opened[0].path, "qvl_help.pdf");
    EXPECT_EQ(f.ui.opened[0].kind, ExternalKind::Document);
    f.main().mnabout_Click();
    EXPECT_TRUE(f.main().Frm_About.visible);
}

TEST(MainWindowUnload, OfflineExitAsksNothingAndTouchesNoPort) {
    WindowFixture f;
    f.instrument(4);
    ASSERT_TRUE(f.load());
    f.state().link.offline = true;
    const int before = f.ports.operations();
    f.main().Form_Unload();
    EXPECT_TRUE(f.ui.questions.empty());
    EXPECT_EQ(f.ports.operations(), before);
    EXPECT_EQ(f.ports.counters("COM4").opens, 0);
    EXPECT_TRUE(f.state().ended);
}

TEST(MainWindowUnload, YesSavesTheProjectThenClosesThePort) {
    WindowFixture f;
    f.instrument(4);
    ASSERT_TRUE(f.load());
    f.main().cmd_connect_Click();
    ASSERT_TRUE(f.state().link.connected);
    ASSERT_TRUE(f.device().comm.isOpen(4));
    f.store().setup().Name = "Kept";
    f.ui.queueAnswer(Answer::Yes);
    const auto slept = f.clock.totalSleptMs();
    f.main().Form_Unload();
    ASSERT_EQ(f.ui.questions.size(), 1u);
    EXPECT_EQ(f.ui.questions[0], "Update values to project 0_Kept before Exit?");
    EXPECT_FALSE(f.device().comm.isOpen(4));
    EXPECT_EQ(f.clock.totalSleptMs() - slept, 600);
    EXPECT_NE(testing::readBytes(f.dir / "setup.dat").find("\"Kept\""), std::string::npos);
}

TEST(MainWindowUnload, NoKeepsTheFileAsItWas) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    const std::string before = testing::readBytes(f.dir / "setup.dat");
    f.store().setup().Name = "Dropped";
    f.ui.queueAnswer(Answer::No);
    f.main().Form_Unload();
    EXPECT_EQ(testing::readBytes(f.dir / "setup.dat"), before);
    EXPECT_TRUE(f.state().ended);
}

}  // namespace
}  // namespace qv
