#include <gtest/gtest.h>

#include "window_fixture.h"

namespace qv {
namespace {

using testing::WindowFixture;

TEST(StartScreen, CaptionsAndOneHighlightAtATime) {
    WindowFixture f;
    StartScreen& s = f.init();
    EXPECT_EQ(s.lbl_option[0]->text, "Setup a New Project");
    EXPECT_EQ(s.lbl_option[1]->text, "Run Latest Project");
    EXPECT_EQ(s.lbl_option[2]->text, "Analyze recorded experiments");
    EXPECT_EQ(s.lbl_option[3]->text, "EXIT");
    EXPECT_EQ(s.LblNews.text, "Equipment Status = unknown");
    s.optionHover(3);
    EXPECT_TRUE(s.shp_option[2]->visible);
    s.optionHover(1);
    EXPECT_TRUE(s.shp_option[0]->visible);
    EXPECT_FALSE(s.shp_option[2]->visible);
    s.optionHover(0);
    for (Control* shape : s.shp_option) {
        EXPECT_FALSE(shape->visible);
    }
}

TEST(StartScreen, LoadingClearsTheConnectedFlagAndHidesTheOtherWindows) {
    WindowFixture f;
    f.state().link.connected = true;
    f.main().Frm_Main.visible = true;
    f.setupForm().visible = true;
    f.init().show();
    EXPECT_FALSE(f.state().link.connected);
    EXPECT_FALSE(f.main().Frm_Main.visible);
    EXPECT_FALSE(f.setupForm().visible);
    EXPECT_TRUE(f.init().Frm_Init.visible);
    // A second show does not load again.
    f.state().link.connected = true;
    f.init().show();
    EXPECT_TRUE(f.state().link.connected);
}

TEST(StartScreen, RunLatestConnectsToTheInstrumentOnTheConfiguredPort) {
    WindowFixture f;
    sim::InstrumentConfig config;
    config.serialNumber = 77;
    f.instrument(4, config);
    ASSERT_TRUE(f.load());
    f.init().optionClick(StartScreen::RunLatest);
    EXPECT_FALSE(f.init().Frm_Init.visible);
    EXPECT_TRUE(f.main().Frm_Main.visible);
    const device::LinkState& link = f.state().link;
    EXPECT_TRUE(link.connected);
    EXPECT_FALSE(link.offline);
    EXPECT_EQ(link.serialNumber, 77);
    EXPECT_TRUE(link.factoryCalibration);
    EXPECT_TRUE(f.device().comm.isOpen(4));
    // The status panel is put away and the COM menu ticks the port in use.
    EXPECT_FALSE(f.main().frm_autotext.visible);
    EXPECT_EQ(f.main().lbl_autochannel.text, "");
    for (int n = 1; n <= 15; ++n) {
        EXPECT_EQ(f.main().mncom1_items[n - 1]->checked, n == 4) << n;
    }
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_EQ(f.main().lbl_devicestatus.text, "SERIAL : QRVL00077 on COM4");
    // Connected: showing the window again does not search again.
    const int opens = f.ports.counters("COM4").opens;
    f.init().optionClick(StartScreen::RunLatest);
    EXPECT_EQ(f.ports.counters("COM4").opens, opens);
    // The start screen names the port when it comes back.
    f.init().Form_Activate();
    EXPECT_EQ(f.init().LblNews.text, "status: Connected in COM4");
}

TEST(StartScreen, NoInstrumentGoesOfflineAndBringsTheStartScreenBack) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    f.ui.queueInput(std::string());  // <Enter>: offline
    f.init().optionClick(StartScreen::RunLatest);
    EXPECT_TRUE(f.state().link.offline);
    EXPECT_FALSE(f.state().link.connected);
    ASSERT_EQ(f.ui.prompts.size(), 1u);
    EXPECT_EQ(f.ui.prompts[0], "COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline");
    EXPECT_EQ(f.ui.messages, (std::vector<std::string>{"PORT NOT FOUND"}));
    EXPECT_TRUE(f.init().Frm_Init.visible);
    EXPECT_FALSE(f.main().Frm_Main.visible);
    EXPECT_EQ(f.main().lbl_devicestatus.text, "OFFLINE MODE");
    // Offline, exit from the start screen asks only its own question.
    f.ui.queueAnswer(Answer::Yes);
    f.init().optionClick(StartScreen::Exit);
    EXPECT_EQ(f.ui.questions, (std::vector<std::string>{"Sure to Quit?"}));
    EXPECT_TRUE(f.state().ended);
}

TEST(MainWindowPorts, ComMenuChoiceIsSavedAndDisconnectReleasesThePort) {
    WindowFixture f;
    f.instrument(4);
    ASSERT_TRUE(f.load());
    f.main().cmd_connect_Click();
    ASSERT_TRUE(f.device().comm.isOpen(4));
    f.main().mncom1_Click(7);
    for (int n = 1; n <= 15; ++n) {
        EXPECT_EQ(f.main().mncom1_items[n - 1]->checked, n == 7) << n;
    }
    EXPECT_TRUE(f.device().comm.isOpen(4));  // the open port stays until the next Connect
    EXPECT_NE(testing::readBytes(f.dir / "config.dat").find("0,0,7,0"), std::string::npos);
    f.state().link.currentPort = 4;
    f.main().Cmd_disconnect_Click();
    EXPECT_FALSE(f.device().comm.isOpen(4));
    EXPECT_FALSE(f.state().link.connected);
    EXPECT_EQ(f.main().lbl_devicestatus.text, "Not connected");
}

TEST(StartScreen, SetupOptionOpensTheSetupWindow) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    f.init().optionClick(StartScreen::SetupProject);
    EXPECT_FALSE(f.init().Frm_Init.visible);
    EXPECT_TRUE(f.setupForm().visible);
}

TEST(StartScreen, ExitAsksAndEndsOnlyWhenConfirmed) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    f.ui.queueAnswer(Answer::No);
    f.init().optionClick(StartScreen::Exit);
    EXPECT_FALSE(f.state().ended);
    f.ui.queueAnswer(Answer::Yes);
    f.init().optionClick(StartScreen::Exit);
    EXPECT_TRUE(f.state().ended);
    EXPECT_EQ(f.ui.questions, (std::vector<std::string>{"Sure to Quit?", "Sure to Quit?"}));
}

TEST(StartScreen, ActivationWhileConnectedNamesThePort) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    f.init().Form_Activate();
    EXPECT_EQ(f.init().LblNews.text, "status = not connected yet");
    f.state().link.connected = true;
    f.store().config().Serial_COM = 7;
    f.init().Form_Activate();
    EXPECT_EQ(f.init().LblNews.text, "status: Connected in COM7");
}

}  // namespace
}  // namespace qv
