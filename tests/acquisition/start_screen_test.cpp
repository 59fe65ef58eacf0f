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
    f.state().connected = true;
    f.main().Frm_Main.visible = true;
    f.setupForm().visible = true;
    f.init().show();
    EXPECT_FALSE(f.state().connected);
    EXPECT_FALSE(f.main().Frm_Main.visible);
    EXPECT_FALSE(f.setupForm().visible);
    EXPECT_TRUE(f.init().Frm_Init.visible);
    // A second show does not load again.
    f.state().connected = true;
    f.init().show();
    EXPECT_TRUE(f.state().connected);
}

TEST(StartScreen, RunLatestShowsTheMainWindowAndConnectsOnlyWhenNotConnected) {
    WindowFixture f;
    ASSERT_TRUE(f.load());
    int connects = 0;
    f.main().connect = [&] { ++connects; };
    f.init().optionClick(StartScreen::RunLatest);
    EXPECT_FALSE(f.init().Frm_Init.visible);
    EXPECT_TRUE(f.main().Frm_Main.visible);
    EXPECT_EQ(connects, 1);
    f.state().connected = true;
    f.init().optionClick(StartScreen::RunLatest);
    EXPECT_EQ(connects, 1);
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
    f.state().connected = true;
    f.store().config().Serial_COM = 7;
    f.init().Form_Activate();
    EXPECT_EQ(f.init().LblNews.text, "status: Connected in COM7");
}

}  // namespace
}  // namespace qv
