#include <gtest/gtest.h>

#include <algorithm>

#include "common/canvas.h"
#include "common/scripted_ui.h"
#include "setup/group_editor.h"
#include "setup/plate_drawing.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

// A group editor on its own controls, as any window would hold it, over a 96-well plate of
// the installation data (w96u: one beam per well, on the even beam rows and columns) and
// groups that start all free.
struct EditorFixture {
    ScriptedUi ui;
    ProjectSetup setup;
    PlateFormat plate;
    Controls controls;
    Control& picture = controls.add("Picwell", ControlKind::Picture);
    Control& groups = controls.add("combogrup", ControlKind::ComboBox);
    Control& assigned = controls.add("lstgrup", ControlKind::ListBox);
    Control& free = controls.add("lstchgrup", ControlKind::ListBox);
    Control& well = controls.add("lblnchannel", ControlKind::Label);
    RecordingCanvas canvas{980, 660};
    GroupsModel model = GroupsModel::of(setup);
    GroupEditor editor{{picture, groups, assigned, free, &well}, model, plate, ui};

    explicit EditorFixture(const char* code = "w96u") {
        EXPECT_TRUE(loadPlateFormatWithoutFallback(testing::sourceDir() / "data", code, plate).ok);
        clearGroups(model);
        picture.canvas = &canvas;
        editor.refresh();
    }

    // The middle of a well in plate units.
    MouseEvent at(MouseEvent::Kind kind, int row, int column, int button = 1) const {
        return {kind, (plate.columnOffset + (column + 0.5) * plate.columnPitch) * 100,
                (plate.rowOffset + (row + 0.5) * plate.rowPitch) * 100, button};
    }
    void click(int row, int column, int button = 1) {
        editor.mouse(at(MouseEvent::Kind::Down, row, column, button));
        editor.mouse(at(MouseEvent::Kind::Up, row, column, button));
    }
    void drag(WellCell from, WellCell to, int button = 1) {
        editor.mouse(at(MouseEvent::Kind::Down, from.row, from.column, button));
        editor.mouse(at(MouseEvent::Kind::Move, to.row, to.column, button));
        editor.mouse(at(MouseEvent::Kind::Up, to.row, to.column, button));
    }
    void selectGroup(int g) {
        groups.listIndex = g;
        editor.groupChosen();
    }
    int groupOfWell(int row, int column) const {
        const auto channels = channelsOfWell(plate, wellAt(plate, {row, column}));
        return channels.empty() ? -99 : setup.channelGroup[channels.front()];
    }
};

TEST(GroupLayout, WellsLabelsAndPointsOfThe96WellPlate) {
    EditorFixture f;
    EXPECT_EQ(wellLabel(f.plate, 0), "A1");
    EXPECT_EQ(wellLabel(f.plate, 17), "B3");
    EXPECT_EQ(channelLabel(f.plate, 2), "B1.0");
    EXPECT_EQ(wellOfLabel(f.plate, "B3.0"), 17);
    EXPECT_EQ(wellOfLabel(f.plate, "H12.0"), 95);
    EXPECT_EQ(wellOfLabel(f.plate, "I1.0"), -1);
    EXPECT_EQ(wellOfLabel(f.plate, "A13.0"), -1);
    EXPECT_EQ(wellOfLabel(f.plate, "?"), -1);
    EXPECT_EQ(channelsOfWell(f.plate, 9), std::vector<int>{34});
    // Wells 200 units square, starting half a spacing above and left of the grid.
    const auto cell = cellAtPoint(f.plate, 450, 260);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->row, 1);
    EXPECT_EQ(cell->column, 2);
    EXPECT_FALSE(cellAtPoint(f.plate, 450, -60));   // above the plate
    EXPECT_FALSE(cellAtPoint(f.plate, 450, 1560));  // in the margin below row H
    EXPECT_FALSE(cellAtPoint(f.plate, -60, 100));
}

TEST(GroupEditor, ALeftClickTakesOnlyFreeChannelsAndALeftDragTakesThemAll) {
    EditorFixture f;
    f.click(0, 0);
    EXPECT_EQ(f.groupOfWell(0, 0), 0);
    EXPECT_EQ(f.well.text, "0");
    EXPECT_EQ(f.assigned.items, std::vector<std::string>{"A1.0"});
    EXPECT_EQ(f.groups.items, (std::vector<std::string>{"000_Group0", "001_Free"}));
    // Group 1 now: a click on A1 leaves it in group 0, a drag over it takes it.
    f.selectGroup(1);
    f.click(0, 0);
    EXPECT_EQ(f.groupOfWell(0, 0), 0);
    f.drag({0, 0}, {1, 0});
    EXPECT_EQ(f.groupOfWell(0, 0), 1);
    EXPECT_EQ(f.groupOfWell(1, 0), 1);
    EXPECT_EQ(f.groups.items[f.groups.listIndex], "001_Group1");
    EXPECT_EQ(f.assigned.items, (std::vector<std::string>{"A1.0", "B1.0"}));
}

TEST(GroupEditor, ARightClickFreesAWellWhateverItsGroup) {
    EditorFixture f;
    f.drag({0, 0}, {1, 1});
    f.selectGroup(1);
    f.click(1, 1, 2);
    EXPECT_EQ(f.groupOfWell(1, 1), -1);
    EXPECT_EQ(f.groupOfWell(0, 0), 0);
    f.drag({0, 0}, {0, 1}, 2);
    EXPECT_EQ(f.groupOfWell(0, 0), -1);
    EXPECT_EQ(f.groupOfWell(0, 1), -1);
    EXPECT_EQ(f.groupOfWell(1, 0), 0);
}

TEST(GroupEditor, ADragAppliesTheWholeRectangleAndMarksItsRowsAndColumns) {
    EditorFixture f;
    f.editor.mouse(f.at(MouseEvent::Kind::Down, 3, 3));
    f.canvas.calls.clear();
    f.editor.mouse(f.at(MouseEvent::Kind::Move, 1, 1));
    const auto bands = f.canvas.callsOf(RecordingCanvas::Op::FilledBox);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0].color, colors::blue);  // rows B..D along the left edge
    EXPECT_DOUBLE_EQ(bands[0].y1, -50 + 200);
    EXPECT_DOUBLE_EQ(bands[0].y2, -50 + 800);
    EXPECT_EQ(bands[1].color, colors::red);  // columns 2..4 along the top edge
    EXPECT_DOUBLE_EQ(bands[1].x1, -50 + 200);
    EXPECT_DOUBLE_EQ(bands[1].x2, -50 + 800);
    // Moving on erases the old marks in white before drawing the new ones.
    f.canvas.calls.clear();
    f.editor.mouse(f.at(MouseEvent::Kind::Move, 2, 1));
    ASSERT_EQ(f.canvas.callsOf(RecordingCanvas::Op::FilledBox).size(), 4u);
    EXPECT_EQ(f.canvas.callsOf(RecordingCanvas::Op::FilledBox)[0].color, colors::white);
    f.editor.mouse(f.at(MouseEvent::Kind::Up, 1, 1));
    std::vector<int> grouped;
    for (int w = 0; w < 96; ++w) {
        if (f.groupOfWell(w % 8, w / 8) == 0) {
            grouped.push_back(w);
        }
    }
    // Rows B..D of columns 2..4.
    EXPECT_EQ(grouped, (std::vector<int>{9, 10, 11, 17, 18, 19, 25, 26, 27}));
    EXPECT_EQ(f.assigned.items.size(), 9u);
    EXPECT_EQ(f.free.items.size(), 87u);
}

TEST(GroupEditor, PointsOutsideTheWellsChangeNothing) {
    EditorFixture f;
    // A press in the margin below row H would compute the index of A2.
    f.editor.mouse({MouseEvent::Kind::Down, 300, 1570, 1});
    f.editor.mouse({MouseEvent::Kind::Up, 300, 1570, 1});
    EXPECT_EQ(f.groupOfWell(0, 1), -1);
    EXPECT_EQ(f.well.text, "");
    // A drag released outside the plate applies nothing; the marks go.
    f.editor.mouse(f.at(MouseEvent::Kind::Down, 0, 0));
    f.editor.mouse(f.at(MouseEvent::Kind::Move, 2, 2));
    f.editor.mouse({MouseEvent::Kind::Move, 2600, 300, 1});
    f.editor.mouse({MouseEvent::Kind::Up, 2600, 300, 1});
    EXPECT_EQ(f.groupOfWell(0, 0), 0);  // the press itself took A1
    EXPECT_EQ(f.groupOfWell(1, 1), -1);
    EXPECT_EQ(f.canvas.callsOf(RecordingCanvas::Op::FilledBox).size(), 0u);
    // A release with no press before it (the end of a double-click) does nothing either.
    f.editor.mouse(f.at(MouseEvent::Kind::Up, 5, 5));
    EXPECT_EQ(f.groupOfWell(5, 5), -1);
}

TEST(GroupEditor, NothingHappensWhileTheEditorIsNotEnabledOrForTheMiddleButton) {
    EditorFixture f;
    f.editor.enabled = false;
    f.click(0, 0);
    f.editor.enabled = true;
    f.click(0, 0, 4);
    EXPECT_EQ(f.groupOfWell(0, 0), -1);
}

TEST(GroupEditor, DisabledChannelsStayFreeAndAreNeverListed) {
    EditorFixture f;
    f.setup.channelEnabled[0] = false;  // well A1
    f.editor.refresh();
    EXPECT_EQ(f.free.items.size(), 95u);
    EXPECT_EQ(f.free.items.front(), "B1.0");
    f.drag({0, 0}, {1, 0});
    EXPECT_EQ(f.setup.channelGroup[0], -1);
    EXPECT_EQ(f.assigned.items, std::vector<std::string>{"B1.0"});
    // The circle of a disabled channel is drawn yellow.
    const auto circles = f.canvas.callsOf(RecordingCanvas::Op::Circle);
    ASSERT_EQ(circles.size(), 384u);
    EXPECT_EQ(circles[0].color, colors::yellow);
    EXPECT_EQ(circles[2].color, colors::blue);
    EXPECT_EQ(circles[1].color, colors::yellow);  // an odd beam row: in no well
    autoArrange(f.model, f.plate, {1, 1});
    EXPECT_EQ(f.setup.channelGroup[0], -1);
    EXPECT_EQ(f.setup.channelGroup[2], 0);  // the first usable well starts the tiling
}

TEST(GroupEditor, GroupListRunsOnePastTheHighestGroupInUse) {
    EditorFixture f;
    f.setup.groupName[3] = "Stored";
    f.setup.channelGroup[0] = 0;
    f.setup.channelGroup[2] = 5;    // still named "Free"
    f.setup.channelGroup[5] = 999;  // no group number: ignored
    f.editor.refresh();
    EXPECT_EQ(f.groups.items,
              (std::vector<std::string>{"000_Group0", "001_Free", "002_Free", "003_Stored",
                                        "004_Free", "005_Group5", "006_Free"}));
    EXPECT_EQ(f.setup.groupName[5], "Group5");
    EXPECT_EQ(f.groups.listIndex, 0);
    EXPECT_EQ(f.editor.currentGroup(), 0);
    // The highest group number there is can still be listed and used.
    f.setup.channelGroup[4] = 383;
    f.editor.refresh();
    EXPECT_EQ(f.groups.items.size(), 384u);
    EXPECT_EQ(f.groups.items.back(), "383_Group383");
}

TEST(GroupEditor, ClearAsksFirstAndLeavesOnlyAnEmptyGroup0) {
    EditorFixture f;
    autoArrange(f.model, f.plate, {2, 2});
    f.editor.refresh();
    f.ui.queueAnswer(Answer::No);
    EXPECT_FALSE(f.editor.clearAfterQuestion());
    EXPECT_EQ(f.groupOfWell(0, 0), 0);
    f.ui.queueAnswer(Answer::Yes);
    EXPECT_TRUE(f.editor.clearAfterQuestion());
    EXPECT_EQ(f.ui.questions.back(), "Do you like to Clear Group lists?");
    EXPECT_EQ(f.groups.items, std::vector<std::string>{"000_Free"});
    EXPECT_TRUE(f.assigned.items.empty());
    EXPECT_EQ(f.free.items.size(), 96u);
    EXPECT_TRUE(std::all_of(f.setup.groupName.begin(), f.setup.groupName.end(),
                            [](const std::string& n) { return n == "Free"; }));
}

TEST(GroupEditor, DoubleClickedChannelsMoveTheirWholeWellAndTheSelectionStays) {
    EditorFixture f("w96f");  // two beams per well
    f.editor.refresh();
    ASSERT_EQ(f.free.items[0], "A1.0");
    ASSERT_EQ(f.free.items[1], "B1.0");
    // Nothing selected: the first entry is taken.
    f.editor.freeChannelChosen();
    EXPECT_EQ(f.assigned.items, (std::vector<std::string>{"A1.0", "A1.1"}));
    f.free.listIndex = 3;
    f.editor.freeChannelChosen();
    EXPECT_EQ(f.free.listIndex, 3);
    EXPECT_EQ(f.assigned.items.size(), 4u);
    f.assigned.listIndex = 3;
    f.editor.assignedChannelChosen();
    EXPECT_EQ(f.assigned.items, (std::vector<std::string>{"A1.0", "A1.1"}));
    EXPECT_EQ(f.assigned.listIndex, 1);  // the list got shorter: its last entry
}

TEST(GroupEditor, RenamingAGroupKeepsItsEntryInStep) {
    EditorFixture f;
    f.click(0, 0);
    f.ui.queueInput(std::string("Treated \"A\""));
    f.editor.renameGroup();
    EXPECT_EQ(f.ui.prompts.back(), "Enter New Group (0) Name");
    EXPECT_EQ(f.setup.groupName[0], "Treated 'A'");
    EXPECT_EQ(f.groups.items[0], "000_Treated 'A'");
    f.ui.queueInput(std::string());
    f.editor.renameGroup();
    f.ui.queueInput(std::nullopt);
    f.editor.renameGroup();
    EXPECT_EQ(f.setup.groupName[0], "Treated 'A'");
}

TEST(AutoArrange, BlockSizesOfThe8By12PlateFillTheMenu) {
    EditorFixture f;
    const auto entries = blockSizeEntries(f.plate);
    ASSERT_EQ(entries.size(), 24u);
    EXPECT_EQ(entries[0], "01x01 [RowsxColumn]");
    EXPECT_EQ(entries[3], "08x01 [RowsxColumn]");
    EXPECT_EQ(entries[4], "01x02 [RowsxColumn]");
    EXPECT_EQ(entries[23], "08x12 [RowsxColumn]");
    const auto size = parseBlockSize("02x03 [RowsxColumn]");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->rows, 2);
    EXPECT_EQ(size->columns, 3);
    EXPECT_FALSE(parseBlockSize("x"));
    EXPECT_FALSE(parseBlockSize("00x01"));
}

TEST(AutoArrange, OneByOnePutsEveryWellInItsOwnGroupInColumnOrder) {
    EditorFixture f;
    f.editor.arrange({1, 1});
    for (int w = 0; w < 96; ++w) {
        EXPECT_EQ(f.groupOfWell(w % 8, w / 8), w) << w;
        EXPECT_EQ(f.setup.groupName[w], "Group" + std::to_string(w));
    }
    EXPECT_EQ(f.groups.items[f.groups.listIndex], "000_Group0");
    EXPECT_TRUE(f.free.items.empty());
}

TEST(AutoArrange, BlocksTileThePlateColumnByColumn) {
    EditorFixture f;
    f.editor.arrange({2, 3});
    EXPECT_EQ(f.assigned.items,
              (std::vector<std::string>{"A1.0", "B1.0", "A2.0", "B2.0", "A3.0", "B3.0"}));
    EXPECT_EQ(f.groupOfWell(2, 0), 1);  // C1 starts the next block
    EXPECT_EQ(f.groupOfWell(0, 3), 4);  // A4 after four blocks down columns 1-3
    EXPECT_EQ(f.groupOfWell(7, 11), 15);
}

// The 6-well plate's large wells reach past the beam grid: the picture still holds them whole.
TEST(PlateDrawing, APlateLargerThanTheBeamGridIsShownWhole) {
    PlateFormat six;
    six.rows = 2;
    six.rowPitch = 8.6933;
    six.rowOffset = -0.6933;
    six.columns = 3;
    six.columnPitch = 8.6933;
    six.columnOffset = -1.04;
    RecordingCanvas canvas(900, 600);
    scalePlatePicture(canvas, six);
    EXPECT_GE(canvas.mapping().right(), (-1.04 + 3 * 8.6933) * 100);
    EXPECT_GE(canvas.mapping().bottom(), (-0.6933 + 2 * 8.6933) * 100);
    EXPECT_LT(canvas.mapping().right(), 2600);
}

TEST(PlateDrawing, WellsChannelsGroupLabelsAndRulers) {
    EditorFixture f;
    f.setup.channelGroup[0] = 0;   // A1
    f.setup.channelGroup[34] = 5;  // B2
    f.editor.redraw();
    const auto& first = f.canvas.calls.front();
    EXPECT_EQ(first.op, RecordingCanvas::Op::Clear);
    EXPECT_EQ(first.color, colors::white);
    EXPECT_DOUBLE_EQ(f.canvas.mapping().left(), -100);
    EXPECT_DOUBLE_EQ(f.canvas.mapping().top(), -100);
    EXPECT_DOUBLE_EQ(f.canvas.mapping().right(), 2400);
    EXPECT_DOUBLE_EQ(f.canvas.mapping().bottom(), 1600);
    const auto boxes = f.canvas.callsOf(RecordingCanvas::Op::Box);
    ASSERT_EQ(boxes.size(), 96u);
    EXPECT_DOUBLE_EQ(boxes[9].x1, 150);  // B2
    EXPECT_DOUBLE_EQ(boxes[9].y1, 150);
    EXPECT_DOUBLE_EQ(boxes[9].x2, 350);
    EXPECT_DOUBLE_EQ(boxes[9].y2, 350);
    std::vector<RecordingCanvas::Call> labels;
    for (const auto& t : f.canvas.callsOf(RecordingCanvas::Op::Text)) {
        if (t.text.size() > 1 && t.text[0] == 'G') {  // not the row letter G
            labels.push_back(t);
        }
    }
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].text, "G0");
    EXPECT_DOUBLE_EQ(labels[0].x1, -5);
    EXPECT_DOUBLE_EQ(labels[0].y1, -25);
    EXPECT_EQ(labels[1].text, "G5");
    EXPECT_EQ(labels[1].color, groupColor(1));
    EXPECT_EQ(groupColor(2), colors::red);
    EXPECT_EQ(groupColor(7), colors::black);
    EXPECT_EQ(groupColor(4), groupColor(0));
}

}  // namespace
}  // namespace qv
