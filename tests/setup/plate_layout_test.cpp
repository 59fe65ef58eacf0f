#include <gtest/gtest.h>

#include <algorithm>

#include "setup/plate_layout.h"
#include "setup_fixture.h"

namespace qv {
namespace {

using testing::SetupFixture;

void choose(SetupFixture& f, const std::string& name) {
    Control& list = f.window.Combowell;
    const auto it = std::find(list.items.begin(), list.items.end(), name);
    list.listIndex = it == list.items.end() ? -1 : static_cast<int>(it - list.items.begin());
    list.text = name;
    f.window.Combowell_Click();
    EXPECT_TRUE(f.window.Timerwell.enabled);
    EXPECT_GT(f.window.Timerwell.intervalMs, 0);
    f.window.Timerwell_Timer();
    EXPECT_FALSE(f.window.Timerwell.enabled);
}

TEST(PlateChoice, OnlyThreePlatesAreOfferedAndTheProjectsPlateIsShown) {
    SetupFixture f;
    f.open();
    EXPECT_EQ(f.window.Combowell.items, (std::vector<std::string>{"w32_flytube", "w96", "w96u"}));
    // w96f is the project's plate although the list does not offer it.
    EXPECT_EQ(f.window.Combowell.text, "w96f");
    EXPECT_EQ(f.window.Combowell.listIndex, -1);
    std::filesystem::remove(f.dir / "w96u.dat");
    f.open();
    EXPECT_EQ(f.window.Combowell.items, (std::vector<std::string>{"w32_flytube", "w96"}));
}

TEST(PlateChoice, ANewPlateClearsTheGroupsAdvisesTheAdapterAndRefreshes) {
    SetupFixture f;
    f.open();
    ASSERT_GT(f.window.combogrup.items.size(), 1u);
    f.window.combogrup.listIndex = 3;
    f.ui.queueAnswer(Answer::Yes);
    choose(f, "w96u");
    EXPECT_EQ(f.ui.questions, std::vector<std::string>{"Load New Plate configuration?"});
    EXPECT_EQ(f.ui.messages,
              std::vector<std::string>{"96 Wells U shape bottom [1microbeam/well]\r\nUSE 'W96U' "
                                       "plate Adapter"});
    EXPECT_EQ(f.store.setup().Plate_format, "w96u");
    EXPECT_DOUBLE_EQ(f.store.plate().columnOffset, -0.5);
    EXPECT_EQ(f.window.Combowell.text, "w96u");
    EXPECT_EQ(f.window.combogrup.items, std::vector<std::string>{"000_Free"});
    EXPECT_EQ(f.window.combogrup.listIndex, 0);
    EXPECT_EQ(f.window.lstchgrup.items.size(), 96u);
    EXPECT_TRUE(std::all_of(f.store.setup().channelGroup.begin(),
                            f.store.setup().channelGroup.begin() + kChannels,
                            [](std::int16_t g) { return g == -1; }));
    // Redrawn for the new plate.
    EXPECT_DOUBLE_EQ(f.canvas.mapping().left(), -100);
}

TEST(PlateChoice, PlatesWithoutAdviceAreChosenSilently) {
    SetupFixture f;
    f.open();
    f.ui.queueAnswer(Answer::Yes);
    choose(f, "w32_flytube");
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_EQ(f.store.plate().columns, 2);
    // The auto-arrange menu follows the plate: 16 x 2 wells.
    EXPECT_EQ(f.window.mnopciongrup[0]->text, "01x01 [RowsxColumn]");
    EXPECT_TRUE(f.window.mnopciongrup[9]->visible);
    EXPECT_FALSE(f.window.mnopciongrup[10]->visible);
    EXPECT_EQ(f.window.Combo_sets.items.size(), 10u);
    EXPECT_EQ(f.window.Combo_sets.listIndex, 2);
}

TEST(PlateChoice, NoKeepsThePlateAndTheGroups) {
    SetupFixture f;
    f.open();
    const auto groups = f.store.setup().channelGroup;
    f.ui.queueAnswer(Answer::No);
    choose(f, "w96u");
    EXPECT_EQ(f.store.setup().Plate_format, "w96f");
    EXPECT_EQ(f.window.Combowell.text, "w96f");
    EXPECT_EQ(f.store.setup().channelGroup, groups);
}

TEST(PlateChoice, AMissingOrUnreadablePlateFileIsASelectionErrorAndChangesNothing) {
    SetupFixture f;
    f.open();
    const auto groups = f.store.setup().channelGroup;
    f.window.Combowell.items.push_back("w99");
    choose(f, "w99");
    EXPECT_EQ(f.ui.messages, std::vector<std::string>{"Selection Error"});
    EXPECT_TRUE(f.ui.questions.empty());
    testing::writeBytes(f.dir / "w96u.dat", "\"only a title\"");
    f.ui.queueAnswer(Answer::Yes);
    choose(f, "w96u");
    EXPECT_EQ(f.ui.messages.back(), "Selection Error");
    EXPECT_EQ(f.store.setup().Plate_format, "w96f");
    EXPECT_EQ(f.store.setup().channelGroup, groups);
    EXPECT_EQ(f.window.Combowell.text, "w96f");
}

TEST(PlateLayout, The384WellPlateOffersItsFirst24BlockSizesInTheMenu) {
    SetupFixture f;
    f.store.setup().Plate_format = "w384";
    f.store.loadPlateFormat();
    f.open();
    EXPECT_EQ(f.window.Combo_sets.items.size(), 35u);
    EXPECT_EQ(f.window.Combo_sets.text, "04x01 [RowsxColumn]");
    for (int i = 0; i < SetupWindow::kArrangeItems; ++i) {
        EXPECT_TRUE(f.window.mnopciongrup[i]->visible) << i;
    }
    EXPECT_EQ(f.window.mnopciongrup[23]->text, "08x06 [RowsxColumn]");
    f.window.mnopciongrup_Click(5);  // 01x02
    EXPECT_EQ(f.window.lstgrup.items, (std::vector<std::string>{"A1.0", "A2.0"}));
    EXPECT_EQ(f.window.combogrup.items.size(), 193u);
    EXPECT_EQ(f.store.setup().groupName[191], "Group191");
}

TEST(PlateLayout, WindowHandlersDriveTheEditor) {
    SetupFixture f;
    f.store.setup().Plate_format = "w96u";
    f.store.loadPlateFormat();
    f.open();
    f.ui.queueAnswer(Answer::Yes);
    f.window.Cmd_clear_Click();
    EXPECT_EQ(f.window.combogrup.items, std::vector<std::string>{"000_Free"});
    // Drag from A1 to B2 in plate units: wells are 200 units, starting at -50.
    f.window.Picwell_Mouse({MouseEvent::Kind::Down, 50, 50, 1});
    f.window.Picwell_Mouse({MouseEvent::Kind::Move, 250, 250, 1});
    EXPECT_EQ(f.window.lblnchannel.text, "9");
    f.window.Picwell_Mouse({MouseEvent::Kind::Up, 250, 250, 1});
    EXPECT_EQ(f.window.lstgrup.items, (std::vector<std::string>{"A1.0", "B1.0", "A2.0", "B2.0"}));
    f.ui.queueInput(std::string("Control"));
    f.window.combogrup_DblClick();
    EXPECT_EQ(f.window.combogrup.items[0], "000_Control");
    f.window.combogrup.listIndex = 1;
    f.window.combogrup_Click();
    EXPECT_TRUE(f.window.lstgrup.items.empty());
    f.window.lstchgrup.listIndex = 0;  // C1
    f.window.lstchgrup_DblClick();
    EXPECT_EQ(f.window.lstgrup.items, std::vector<std::string>{"C1.0"});
    f.window.lstgrup.listIndex = 0;
    f.window.lstgrup_DblClick();
    EXPECT_TRUE(f.window.lstgrup.items.empty());
    f.canvas.calls.clear();
    f.window.Picwell_Paint();
    EXPECT_FALSE(f.canvas.calls.empty());
    EXPECT_TRUE(f.ui.scriptUsedUp());
}

TEST(PlateLayout, AdviceForEveryKnownPlate) {
    EXPECT_EQ(plateAdvice("w384"),
              "384 Well microplate [1microbeams/well]\r\nUSE 'W384' plate Adapter");
    EXPECT_EQ(plateAdvice("w96flat"),
              "96 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W96x4' plate "
              "Adapter\r\nNOTE: DISCONTINUED. Contact provider");
    EXPECT_EQ(plateAdvice("w96"), "");
    EXPECT_EQ(plateAdvice("w32_flytube"), "");
}

}  // namespace
}  // namespace qv
