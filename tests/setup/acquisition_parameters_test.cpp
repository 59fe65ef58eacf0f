#include <gtest/gtest.h>

#include "setup/acquisition_parameters.h"
#include "setup_fixture.h"

namespace qv {
namespace {

using testing::SetupFixture;

TEST(ParametersLoad, ControlsShowTheProjectsValues) {
    SetupFixture f;
    ProjectSetup& s = f.store.setup();
    s.Aq_mode = 3;
    s.Aq_lapse = 1440;
    s.DSP_Method = 2;
    s.Mn1[mn1::Organism] = 2;
    s.Mn1[mn1::SNRx10] = 25;
    s.Save_real = 0;
    s.Menu2 = 1;
    s.Menu5 = 1;
    f.frm_mn1.visible = false;
    f.open();
    SetupWindow& w = f.window;
    EXPECT_EQ(w.Combo_aqmode.items.size(), 6u);
    EXPECT_EQ(w.Combo_aqmode.text, "3_Fast(32.63)");
    EXPECT_EQ(w.Txtlapse.text, "1440");
    EXPECT_EQ(w.Txtsample.text, "99");
    EXPECT_EQ(w.Txtbuffer.text, "500");
    EXPECT_EQ(w.Txt_dspinterval.text, "30");
    EXPECT_EQ(w.ComboDSP.text, "2_Motility Index(ameboid movement)");
    EXPECT_EQ(w.Cmb_organism.items,
              (std::vector<std::string>{"C.elegans", "Zebrafish", "Echinococcus", "Drosophila"}));
    EXPECT_EQ(w.Cmb_organism.listIndex, 2);
    EXPECT_EQ(w.lbl_snr.text, "2.5");
    EXPECT_FALSE(w.lbl_snr.enabled);
    EXPECT_EQ(w.Combosavecount.text, "YES");
    EXPECT_EQ(w.Combosavereal.text, "NO");
    EXPECT_TRUE(w.chkcal.checked);
    EXPECT_FALSE(w.chkcal.enabled);
    EXPECT_TRUE(f.frm_mn1.visible);
    EXPECT_TRUE(w.chklight.checked);
    EXPECT_FALSE(w.chktemp.checked);
    EXPECT_FALSE(w.Chk_mn[0]->checked);
    EXPECT_TRUE(w.Chk_mn[1]->checked);
    EXPECT_FALSE(w.Frame_advanced.visible);
    EXPECT_EQ(w.cmd_advanced.text, "[Advanced Tools]    ->");
}

TEST(ParametersLoad, AZeroThresholdShowsTheOrganismDefault) {
    struct Case {
        int organism;
        std::string box;
        int stored;
    };
    for (const Case& c :
         std::vector<Case>{{0, "1.8", 18}, {1, "2.8", 28}, {2, "1.8", 18}, {3, "0.8", 0}}) {
        SetupFixture f;
        f.store.setup().Mn1[mn1::Organism] = static_cast<std::int16_t>(c.organism);
        f.store.setup().Mn1[mn1::SNRx10] = 0;
        f.open();
        EXPECT_EQ(f.window.lbl_snr.text, c.box) << c.organism;
        EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], c.stored) << c.organism;
    }
}

TEST(Parameters, LapseIsCorrectedAsTheBoxLosesTheFocus) {
    SetupFixture f;
    f.open();
    struct Case {
        std::string typed;
        int stored;
    };
    for (const Case& c : std::vector<Case>{{"0", 2},
                                           {"-5", 2},
                                           {"40000", 32000},
                                           {"32000", 32000},
                                           {"31999", 31999},
                                           {"abc", 2},
                                           {"30.5", 30},
                                           {"45,7", 46},
                                           {"0.3", 2},
                                           {"1e300", 32000},
                                           {"-1e300", 2}}) {
        f.window.Txtlapse.text = c.typed;
        f.window.Txtlapse_LostFocus();
        EXPECT_EQ(f.store.setup().Aq_lapse, c.stored) << c.typed;
        EXPECT_EQ(f.window.Txtlapse.text, std::to_string(c.stored)) << c.typed;
    }
}

TEST(Parameters, BufferOutside200To10000Becomes200) {
    SetupFixture f;
    f.open();
    struct Case {
        std::string typed;
        int stored;
    };
    for (const Case& c : std::vector<Case>{{"150", 200},
                                           {"20000", 200},
                                           {"10000", 10000},
                                           {"200", 200},
                                           {"x", 200},
                                           {"750", 750},
                                           {"10000.4", 200},
                                           {"9999.6", 10000}}) {
        f.window.Txtbuffer.text = c.typed;
        f.window.Txtbuffer_LostFocus();
        EXPECT_EQ(f.store.setup().RT_Buffer, c.stored) << c.typed;
        EXPECT_EQ(f.window.Txtbuffer.text, std::to_string(c.stored)) << c.typed;
    }
}

TEST(Parameters, SampleRateAndIntervalTakeTheTypedNumberWhenItFits) {
    SetupFixture f;
    f.open();
    f.window.Txtsample.text = "120";
    f.window.Txtsample_LostFocus();
    f.window.Txt_dspinterval.text = "15,5";
    f.window.Txt_dspinterval_LostFocus();
    EXPECT_EQ(f.store.setup().Sample_Rate, 120);
    EXPECT_EQ(f.store.setup().DSP_Interval, 16);
    f.window.Txtsample.text = "99999";
    f.window.Txtsample_LostFocus();
    EXPECT_EQ(f.store.setup().Sample_Rate, 120);
    EXPECT_EQ(f.window.Txtsample.text, "120");
    f.window.Txt_dspinterval.text = "none";
    f.window.Txt_dspinterval_LostFocus();
    EXPECT_EQ(f.store.setup().DSP_Interval, 0);
}

void typeSnr(SetupFixture& f, const std::string& text) {
    f.window.txt_snr_DblClick();
    EXPECT_TRUE(f.window.lbl_snr.enabled);
    f.window.lbl_snr.text = text;
    f.window.lbl_snr_LostFocus();
}

TEST(Parameters, SnrIsAcceptedFrom14To50WithADecimalComma) {
    SetupFixture f;
    f.open();
    typeSnr(f, "1,5");
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 15);
    EXPECT_EQ(f.window.lbl_snr.text, "1.5");
    typeSnr(f, "5.0");
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 50);
    typeSnr(f, "1.4");
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 14);
    EXPECT_TRUE(f.ui.messages.empty());
    for (const char* bad : {"5.1", "1.3", "abc", ""}) {
        typeSnr(f, bad);
        EXPECT_EQ(f.ui.messages.back(), "Enter a valid SNR: 1.4 to 5.0") << bad;
        EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 18) << bad;
        EXPECT_EQ(f.window.lbl_snr.text, "1.8") << bad;
    }
}

TEST(Parameters, ARejectedZebrafishThresholdGoesBackToItsDefault) {
    SetupFixture f;
    f.store.setup().Mn1[mn1::Organism] = 1;
    f.open();
    typeSnr(f, "9");
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 28);
    EXPECT_EQ(f.window.lbl_snr.text, "2.8");
}

TEST(Parameters, DrosophilaTakesASnrFrom05ToBelow1) {
    SetupFixture f;
    f.store.setup().Mn1[mn1::Organism] = 3;
    f.open();
    typeSnr(f, "0.95");
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 10);
    typeSnr(f, "0,5");
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 5);
    EXPECT_TRUE(f.ui.messages.empty());
    for (const char* bad : {"1.0", "0.4", "1.8"}) {
        typeSnr(f, bad);
        EXPECT_EQ(f.ui.messages.back(), "Enter a valid SNR: 0.5 to 0.9") << bad;
        EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 8) << bad;
        EXPECT_EQ(f.window.lbl_snr.text, "0.8") << bad;
    }
}

TEST(Parameters, ChangingTheOrganismOverwritesMethodAndThreshold) {
    SetupFixture f;
    f.open();
    typeSnr(f, "3.3");
    f.window.ComboDSP.listIndex = 0;
    f.window.ComboDSP_Click();
    EXPECT_EQ(f.store.setup().DSP_Method, 0);
    struct Case {
        int organism, method, snr;
        std::string box;
    };
    for (const Case& c : std::vector<Case>{
             {2, 2, 18, "1.8"}, {3, 3, 8, "0.8"}, {1, 1, 28, "2.8"}, {0, 1, 18, "1.8"}}) {
        f.window.Cmb_organism.listIndex = c.organism;
        f.window.Cmb_organism_Click();
        EXPECT_EQ(f.store.setup().Mn1[mn1::Organism], c.organism);
        EXPECT_EQ(f.store.setup().DSP_Method, c.method) << c.organism;
        EXPECT_EQ(f.window.ComboDSP.listIndex, c.method) << c.organism;
        EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], c.snr) << c.organism;
        EXPECT_EQ(f.window.lbl_snr.text, c.box) << c.organism;
    }
}

TEST(Parameters, ListsWriteTheirFields) {
    SetupFixture f;
    f.open();
    f.window.Combo_aqmode.listIndex = 5;
    f.window.Combo_aqmode_Click();
    EXPECT_EQ(f.store.setup().Aq_mode, 5);
    f.window.Combosavereal.listIndex = 1;
    f.window.Combosavereal.text = "YES";
    f.window.Combosavereal_Click();
    EXPECT_EQ(f.store.setup().Save_real, -1);
    f.window.Combosavereal.listIndex = 0;
    f.window.Combosavereal.text = "NO";
    f.window.Combosavereal_Click();
    EXPECT_EQ(f.store.setup().Save_real, 0);
    f.store.setup().Save_counts = 0;
    f.window.Combosavecount.listIndex = 0;
    f.window.Combosavecount.text = "NO";
    f.window.Combosavecount_Click();
    EXPECT_EQ(f.store.setup().Save_counts, 1);
    EXPECT_EQ(f.window.Combosavecount.text, "YES");
}

TEST(Parameters, ToolBoxesSetTheirFlagsAndTheMainWindowsPanels) {
    SetupFixture f;
    f.open();
    f.window.chklight.checked = true;
    f.window.chklight_Click();
    EXPECT_EQ(f.store.setup().Menu2, 1);
    EXPECT_TRUE(f.Frame_light.visible);
    EXPECT_TRUE(f.frm_pulse.visible);
    EXPECT_TRUE(f.Chk_lenabled.checked);
    f.window.chklight.checked = false;
    f.window.chklight_Click();
    EXPECT_EQ(f.store.setup().Menu2, 0);
    EXPECT_FALSE(f.Frame_light.visible);
    EXPECT_FALSE(f.frm_pulse.visible);
    EXPECT_FALSE(f.Chk_lenabled.checked);
    f.window.chktemp.checked = true;
    f.window.chktemp_Click();
    EXPECT_EQ(f.store.setup().Menu3, 1);
    EXPECT_TRUE(f.Frame_temp.visible);
    EXPECT_TRUE(f.Chk_tenabled.checked);
    f.window.chkcal.checked = false;
    f.window.chkcal_Click();
    EXPECT_FALSE(f.frm_mn1.visible);
    f.window.Chk_mn[2]->checked = true;
    f.window.Chk_mn_Click(6);
    EXPECT_EQ(f.store.setup().Menu6, 1);
    EXPECT_EQ(f.store.setup().Menu4, 0);
}

TEST(Parameters, AdvancedToolsOpenAndCloseFromTheButtonOrTheMenu) {
    SetupFixture f;
    f.open();
    f.window.cmd_advanced_Click();
    EXPECT_TRUE(f.window.Frame_advanced.visible);
    EXPECT_EQ(f.window.cmd_advanced.text, "[Advanced Tools]    <-");
    f.window.mn_advanced_Click();
    EXPECT_FALSE(f.window.Frame_advanced.visible);
    EXPECT_EQ(f.window.cmd_advanced.text, "[Advanced Tools]    ->");
}

TEST(Parameters, ValuesReachTheFilesOnlyWithASave) {
    SetupFixture f;
    f.open();
    f.window.Txtlapse.text = "90";
    f.window.Txtlapse_LostFocus();
    EXPECT_NE(testing::readBytes(f.dir / "setup.dat").find("\r\n1,30,99,500,1,30\r\n"),
              std::string::npos);
    f.ui.queueAnswer(Answer::Yes);
    f.window.Cmdsavepj_Click();
    EXPECT_NE(testing::readBytes(f.dir / "setup.dat").find("\r\n1,90,99,500,1,30\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace qv
