// The main window's Tools menu opens the maintenance windows only when they may use the line.
#include <gtest/gtest.h>

#include "acquisition/window_fixture.h"

namespace qv {
namespace {

using testing::WindowFixture;

TEST(ToolsMenu, FactorySettingsNeedAConnectedInstrumentAndNoRun) {
    WindowFixture f;
    f.instrument(4);
    ASSERT_TRUE(f.load());
    MainWindow& m = f.main();
    Controls forms;
    Control& arena = forms.add("Frm_Arena", ControlKind::Form);
    Control& factory = forms.add("Frm_Factory", ControlKind::Form);
    arena.visible = factory.visible = false;
    m.attachToolWindows(arena, factory);
    EXPECT_EQ(m.mn_factory.text, "Factory Settings");
    EXPECT_TRUE(m.mn_arena.visible);

    // Not connected yet: the factory window would have no instrument to read.
    m.mn_factory_Click();
    EXPECT_FALSE(factory.visible);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0], "Only possible to access in: ONLINE mode and STOP experiment");
    // The arena shows the saved settings without an instrument.
    m.mn_arena_Click();
    EXPECT_TRUE(arena.visible);
    arena.visible = false;

    m.cmd_connect_Click();
    ASSERT_TRUE(f.state().link.connected);
    m.mn_factory_Click();
    EXPECT_TRUE(factory.visible);
    factory.visible = false;

    f.state().runState = 2;  // a paused run still owns the line
    m.mn_factory_Click();
    m.mn_arena_Click();
    EXPECT_FALSE(factory.visible);
    EXPECT_FALSE(arena.visible);
    EXPECT_EQ(f.ui.messages.size(), 3u);

    f.state().runState = 0;
    f.state().link.offline = true;
    m.mn_factory_Click();
    EXPECT_FALSE(factory.visible);
    EXPECT_EQ(f.ui.messages.size(), 4u);
}

}  // namespace
}  // namespace qv
