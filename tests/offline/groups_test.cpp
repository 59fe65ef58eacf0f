#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/report_generate.h"
#include "offline_fixture.h"
#include "setup/group_layout.h"
#include "support/file_size_limit.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::everyMinute;
using testing::readBytes;

// Two projects, the second with an acquisition of the fixture's three groups, opened.
struct Editing : testing::OfflineFixture {
    fs::path acq;
    std::string groupsBefore;
    std::string channelsBefore;

    Editing() {
        project("p00001", "Alpha");
        project("p00002", "Beta");
        acq = acquisition("p00002", "20240614_1530", "larvae day",
                          everyMinute(89, [](int, int c) { return c % 7; }));
        groupsBefore = readBytes(acq / "groups.dat");
        channelsBefore = readBytes(acq / "chgroup.dat");
        open();
        openAcquisition("p00002", "15:30");
    }

    // Plate Config on the acquisition row.
    void enter() {
        select(rowWith("ACQ15:30"));
        window.mnplateconfig_Click();
    }

    // The middle of a well in plate units.
    MouseEvent at(MouseEvent::Kind kind, int row, int column) {
        const PlateFormat& p = window.item().plate;
        return {kind, (p.columnOffset + (column + 0.5) * p.columnPitch) * 100,
                (p.rowOffset + (row + 0.5) * p.rowPitch) * 100, 1};
    }

    // Every group cleared, group 0 renamed and well A1 put into it.
    void regroup(const std::string& name) {
        ui.queueAnswer(Answer::Yes);
        window.Cmd_clear_Click();
        window.combogrup2.listIndex = 0;
        window.combogrup2_Click();
        ui.queueInput(name);
        window.combogrup2_DblClick();
        window.Picreal_Mouse(at(MouseEvent::Kind::Down, 0, 0));
        window.Picreal_Mouse(at(MouseEvent::Kind::Up, 0, 0));
    }

    void leave(Answer save) {
        ui.queueAnswer(save);
        window.cmdcancelgrups_Click();
    }

    std::int16_t storedGroupOf(int channel) {
        OpenedItem stored = window.item();
        ScriptedUi quiet;
        reloadStoredGroups(stored, quiet);
        return stored.setup.channelGroup[channel];
    }
};

TEST(OfflineGroups, EditingLocksTheListAndDrawsThePlate) {
    Editing f;
    f.select(f.rowWith("p00002_Beta"));
    f.window.mnplateconfig_Click();
    EXPECT_EQ(f.ui.messages.back(), "Only possible for SubProjects");
    EXPECT_FALSE(f.window.groups().editing());

    f.enter();
    ASSERT_TRUE(f.window.groups().editing());
    EXPECT_EQ(f.window.plots().mode(), PlotMode::GroupEditing);
    EXPECT_TRUE(f.window.Framegrup.visible);
    EXPECT_FALSE(f.window.Cmd_lineplot.visible);
    for (const Control* c :
         {&f.window.Listpj, &f.window.Cmd_main, &f.window.Cmd_report, &f.window.cmdchannels,
          &f.window.Cmd_analyze, &f.window.scrollpage, &f.window.frmtxt_threshold}) {
        EXPECT_FALSE(c->enabled) << c->name;
    }
    EXPECT_EQ(f.window.Combo_sets.items, blockSizeEntries(f.window.item().plate));
    EXPECT_EQ(f.window.Combo_sets.listIndex, 2);
    EXPECT_EQ(f.window.combogrup2.listIndex, 0);
    EXPECT_FALSE(f.canvas.callsOf(RecordingCanvas::Op::Text).empty());  // "G0" labels and rulers

    // The list cannot open, expand or archive anything meanwhile.
    f.select(f.rowWith("p00001_Alpha"));
    f.window.Listpj_DblClick();
    EXPECT_FALSE(f.window.browser().expanded("p00001"));
    f.window.mndelete_Click();
    EXPECT_TRUE(f.ui.questions.empty());
    EXPECT_EQ(f.window.item().acquisition, "20240614_1530");

    f.leave(Answer::No);
    EXPECT_FALSE(f.window.Framegrup.visible);
    EXPECT_TRUE(f.window.Listpj.enabled);
    EXPECT_TRUE(f.window.Cmd_main.enabled);
    EXPECT_TRUE(f.window.Cmd_lineplot.visible);
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Bars);
}

TEST(OfflineGroups, SavingKeepsDatedBackupsAndWritesTheAcquisitionsGroupFiles) {
    Editing f;
    f.enter();
    f.regroup("Edited");
    f.leave(Answer::Yes);
    EXPECT_EQ(f.ui.questions.back(), "Do you like to Save Changes?");
    EXPECT_EQ(f.ui.messages.back(), "New Groups applied and saved");
    // 14 June 2024 15:30 on the test clock.
    EXPECT_EQ(readBytes(f.acq / "groups.bak"), f.groupsBefore);
    EXPECT_EQ(readBytes(f.acq / "chgroup.bak"), f.channelsBefore);
    EXPECT_EQ(readBytes(f.acq / "groups202406141530.bak"), f.groupsBefore);
    EXPECT_EQ(readBytes(f.acq / "chgroup202406141530.bak"), f.channelsBefore);
    EXPECT_EQ(f.storedGroupOf(0), 0);
    EXPECT_EQ(f.storedGroupOf(2), -1);
    EXPECT_NE(readBytes(f.acq / "groups.dat").find("\"Edited\""), std::string::npos);
    EXPECT_EQ(readBytes(f.acq / "chgroup.dat").rfind("\"<Channel>, <Group: -1=Free>\"\r\n", 0), 0u);
    EXPECT_GE(f.clock.totalSleptMs(), 300);  // the pause before writing, and after
    EXPECT_GE(f.ui.eventPumps, 21);
    // The plots now go by the new groups.
    EXPECT_EQ(f.window.lstgrup_plot.items, (std::vector<std::string>{"999_Free", "000_Edited"}));
    // The rest of the project is untouched.
    EXPECT_FALSE(fs::exists(f.dir / "p00002" / "groups.bak"));

    // A second save in the same minute: the dated backups keep the groups from before the
    // first, the plain .bak follows the last save.
    const std::string firstSave = readBytes(f.acq / "chgroup.dat");
    f.enter();
    f.regroup("Again");
    f.window.Picreal_Mouse(f.at(MouseEvent::Kind::Down, 1, 0));
    f.window.Picreal_Mouse(f.at(MouseEvent::Kind::Up, 1, 0));
    f.leave(Answer::Yes);
    EXPECT_EQ(readBytes(f.acq / "chgroup202406141530.bak"), f.channelsBefore);
    EXPECT_EQ(readBytes(f.acq / "chgroup.bak"), firstSave);

    // A minute later there is a backup of that minute.
    f.clock.advanceMs(60'000);
    const std::string secondSave = readBytes(f.acq / "chgroup.dat");
    f.enter();
    f.leave(Answer::Yes);
    EXPECT_EQ(readBytes(f.acq / "chgroup202406141531.bak"), secondSave);
}

TEST(OfflineGroups, DecliningRestoresTheStoredGroupsAndWritesNothing) {
    Editing f;
    f.enter();
    f.regroup("Edited");
    EXPECT_EQ(f.window.item().setup.channelGroup[2], -1);
    f.leave(Answer::No);
    EXPECT_EQ(f.ui.messages.back(), "Original groups restored");
    EXPECT_EQ(readBytes(f.acq / "groups.dat"), f.groupsBefore);
    EXPECT_EQ(readBytes(f.acq / "chgroup.dat"), f.channelsBefore);
    EXPECT_FALSE(fs::exists(f.acq / "groups.bak"));
    EXPECT_EQ(f.window.item().setup.channelGroup[2], 0);
    EXPECT_EQ(f.window.item().setup.groupName[0], "Control");
    EXPECT_EQ(f.window.lstgrup_plot.items.size(), 4u);
}

TEST(OfflineGroups, AFailedSaveSaysWhereAndLeavesTheGroupFilesWhole) {
    Editing f;
    f.enter();
    f.regroup("Edited");
    f.ui.queueAnswer(Answer::Yes);
    {
        testing::FileSizeLimit full(64);
        f.window.cmdcancelgrups_Click();
    }
    EXPECT_EQ(f.ui.messages.back(), "Error updating group files at " + f.acq.string());
    EXPECT_EQ(readBytes(f.acq / "groups.dat"), f.groupsBefore);
    EXPECT_EQ(readBytes(f.acq / "chgroup.dat"), f.channelsBefore);
    EXPECT_FALSE(f.window.groups().editing());
}

TEST(OfflineGroups, TheReportOfTheAcquisitionUsesTheSavedGroups) {
    Editing f;
    auto report = [&] {
        ReportRequest request;
        request.folder = f.acq;
        request.appFolder = f.dir.path();
        request.bin = 30;
        const auto outcome = generateReport(request, f.ui, f.clock);
        EXPECT_TRUE(outcome.path) << (f.ui.messages.empty() ? "" : f.ui.messages.back());
        return outcome.path ? readBytes(*outcome.path) : std::string();
    };
    const std::string before = report();
    EXPECT_NE(before.find("Control"), std::string::npos);
    EXPECT_EQ(before.find("Edited"), std::string::npos);

    f.enter();
    f.regroup("Edited");
    f.leave(Answer::Yes);
    const std::string after = report();
    EXPECT_NE(after.find("Edited"), std::string::npos) << after.substr(0, 2000);
    EXPECT_EQ(after.find("Control"), std::string::npos);
}

TEST(OfflineGroups, BackupStampsSortByTime) {
    EXPECT_EQ(groupBackupStamp({2024, 6, 14, 9, 5, 59, 0}), "202406140905");
    EXPECT_LT(groupBackupStamp({2024, 6, 14, 9, 5, 0, 0}),
              groupBackupStamp({2024, 12, 1, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace qv
