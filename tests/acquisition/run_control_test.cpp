#include "acquisition/run_control.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquisition/acquisition_folder.h"
#include "run_fixture.h"
#include "store/acquisition_description.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::RunFixture;

int subfolders(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        n += entry.is_directory() ? 1 : 0;
    }
    return n;
}

TEST(RunStart, NamePromptRemindsOfTheBlankUnlessCalibrationAndZeroAreAutomatic) {
    const std::string stars(49, '*');
    const std::string title =
        stars + "\r\n***   Enter a Name for this Experiment  ***\r\n" + stars + "\r\n";
    EXPECT_EQ(experimentNamePrompt(true, true), title);
    EXPECT_EQ(experimentNamePrompt(true, false),
              title +
                  "Comments:\r\n~~~~~~~\r\n> Auto Calibration is OFF: Remember to read "
                  "Blank.\r\n");
}

TEST(RunStart, RefusalsComeBeforeAnythingIsWritten) {
    {
        RunFixture f;
        f.open();
        f.ui.queueInput(std::nullopt);  // Cancel
        f.main().CmdPlay_Click();
        EXPECT_EQ(f.ui.messages.back(), "Each Experiment Requires a name");
        EXPECT_EQ(f.state().runState, 0);
    }
    {
        // Project 0 sends the user to the setup window.
        testing::WindowFixture f;
        f.instrument(4);
        ASSERT_TRUE(f.load());
        f.main().cmd_connect_Click();
        f.ui.queueInput("in project 0");
        f.main().CmdPlay_Click();
        EXPECT_EQ(f.ui.messages.back(),
                  "Operation not allowed in Project #0:Default. Go to <Setup> and Save it with "
                  "another name");
        EXPECT_TRUE(f.setupForm().visible);
        EXPECT_EQ(f.main().txt_subproject.text, "in project 0");
    }
    {
        // No instrument anywhere: the Play tries the connection, then refuses.
        RunFixture f;
        f.ports.failAfterOperations(0);
        ASSERT_TRUE(f.load());
        f.ui.queueInput("no instrument");
        f.ui.queueInput(std::nullopt);  // the typed-port question of the search
        f.main().CmdPlay_Click();
        EXPECT_EQ(f.ui.messages.back(),
                  "Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the "
                  "program.");
        EXPECT_EQ(f.state().runState, 0);
    }
    {
        // Detection needs 500 samples a block; a shorter buffer would record nothing at all.
        RunFixture f([](ProjectSetup& s) { s.RT_Buffer = 300; });
        f.open();
        f.play();
        EXPECT_NE(f.ui.messages.back().find("Real-time Buffer is 300 samples"), std::string::npos);
        EXPECT_EQ(f.state().runState, 0);
        EXPECT_EQ(subfolders(f.store().projectFolder(1)), 0) << "a refused run leaves no folder";
    }
}

TEST(DiskSpace, RequiredSpaceWarningsAndTheQuestion) {
    // 2500 minutes need 1000 MB: 1500 free is low but enough.
    DiskSpaceCheck c = checkDiskSpace(2500, 1500);
    EXPECT_EQ(c.requiredMb, 1000);
    EXPECT_NE(c.report.find("LOW DISK SPACE"), std::string::npos);
    EXPECT_EQ(c.report.find("NOT ENOUGH DISK SPACE"), std::string::npos);
    EXPECT_TRUE(c.ask);
    EXPECT_EQ(c.report,
              "Programmed Acquisition lapse = 2500minutes & RealTime_recording=YES\r\nRequired "
              "Disk space for RealTime Saving = 1000MB\r\nCurrent Disk Space=1500MB\r\nLOW DISK "
              "SPACE\r\n");
    // 2502 minutes: 1000.8 rounds to 1001, asked even with plenty of room.
    c = checkDiskSpace(2502, 1'000'000);
    EXPECT_EQ(c.requiredMb, 1001);
    EXPECT_TRUE(c.ask);
    EXPECT_EQ(c.report.find("LOW"), std::string::npos);
    // A failed query (-1) raises both warnings.
    c = checkDiskSpace(100, -1);
    EXPECT_NE(c.report.find("NOT ENOUGH DISK SPACE"), std::string::npos);
    EXPECT_FALSE(checkDiskSpace(100, 5000).ask);
}

TEST(DiskSpace, ThirtyMinutesAskNothingAndNoGoesToTheSetupWithoutAFolder) {
    RunFixture f([](ProjectSetup& s) { s.Aq_lapse = 30; });
    f.open();
    f.main().run().freeMegabytes = [](const fs::path&) { return std::int64_t{10}; };
    f.play();
    EXPECT_TRUE(f.ui.questions.empty());
    EXPECT_EQ(f.state().runState, 1);
    f.main().CmdStop_Click();

    RunFixture g([](ProjectSetup& s) { s.Aq_lapse = 2502; });
    g.open();
    g.main().run().freeMegabytes = [](const fs::path&) { return std::int64_t{1'000'000}; };
    g.ui.queueAnswer(Answer::No);
    g.play();
    ASSERT_EQ(g.ui.questions.size(), 1u);
    EXPECT_EQ(g.ui.questions[0].rfind("WARNING:\r\nProgrammed Acquisition lapse = 2502", 0), 0u);
    EXPECT_TRUE(g.setupForm().visible);
    EXPECT_EQ(g.state().runState, 0);
    EXPECT_EQ(subfolders(g.store().projectFolder(1)), 0);
}

TEST(RunStart, AnAutomaticRunAsksNothing) {
    RunFixture f([](ProjectSetup& s) { s.Aq_lapse = 2502; });
    f.main().run().freeMegabytes = [](const fs::path&) { return std::int64_t{1}; };
    f.main().startRun = [&] { f.main().CmdPlay_Click(); };
    ASSERT_TRUE(f.load("/run"));
    EXPECT_TRUE(f.ui.prompts.empty());
    EXPECT_TRUE(f.ui.questions.empty());
    EXPECT_EQ(f.state().runState, 1) << "the automatic run connected first";
    EXPECT_EQ(readAcquisitionName(f.folder()), "Autorun project");
}

TEST(RunStart, AFolderOfItsOwnWithTheSettingsAndTheDescription) {
    RunFixture f;
    f.open();
    f.main().Txt_description.text = "larvae, 5 dpf";
    f.play("dose 1");
    ASSERT_EQ(f.state().runState, 1);
    const fs::path folder = f.folder();
    EXPECT_EQ(folder.parent_path(), f.store().projectFolder(1));
    EXPECT_EQ(folder.filename(), "20240614_1530");
    for (const char* file :
         {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat", "subproj.dat"}) {
        EXPECT_TRUE(fs::exists(folder / file)) << file;
    }
    EXPECT_EQ(readAcquisitionName(folder), "dose 1");
    EXPECT_EQ(readAcquisitionComments(folder), "larvae, 5 dpf");
    EXPECT_EQ(f.store().projectPath(), f.store().projectFolder(1));
    // The window during a run.
    MainWindow& w = f.main();
    EXPECT_FALSE(w.CmdPlay.enabled);
    EXPECT_TRUE(w.CmdPause.enabled);
    EXPECT_FALSE(w.Cmdsetup.enabled);
    EXPECT_FALSE(w.Cmdoffline.enabled);
    EXPECT_FALSE(w.Txt_description.enabled);
    EXPECT_FALSE(w.txt_snr_umbral.enabled);
    EXPECT_FALSE(w.chk_bodybends.enabled);
    EXPECT_TRUE(w.Timeradq.enabled);
    EXPECT_EQ(w.Timeradq.intervalMs, 30);
    EXPECT_EQ(f.sim->plateMode(), 0);

    // A second run in the same minute must not add its blocks to the first run's files.
    f.runBlocks(1);
    w.CmdStop_Click();
    EXPECT_TRUE(w.CmdPlay.enabled);
    EXPECT_TRUE(w.Txt_description.enabled);
    f.play("dose 2");
    EXPECT_NE(f.folder(), folder);
    EXPECT_EQ(f.folder().filename(), "20240614_1531");
    EXPECT_EQ(readAcquisitionName(folder), "dose 1");
    f.runBlocks(1);
    w.CmdStop_Click();
    EXPECT_EQ(f.counts().size(), 1u);
    EXPECT_EQ(readCountsFile(countsFilePath(folder))->records.size(), 1u);
}

TEST(RunPause, WithTheCounterStoppedThePauseIsNotCounted) {
    RunFixture f;
    f.open();
    f.play();
    f.runWhile([&] { return f.main().cycle().elapsedMs() < 60'000; });
    f.ui.queueAnswer(Answer::Yes);
    f.main().CmdPause_Click();
    EXPECT_EQ(f.state().runState, 2);
    EXPECT_FALSE(f.main().Timeradq.enabled);
    EXPECT_EQ(f.main().lbl_autochannel.text, "Time Counter = OFF");
    EXPECT_EQ(f.main().lbl_autotext.text, "<< PAUSED >>");
    EXPECT_TRUE(f.main().frm_autotext.visible);
    f.clock.advanceMs(10 * 60'000);
    f.main().CmdPause_Click();
    EXPECT_EQ(f.state().runState, 1);
    EXPECT_FALSE(f.main().frm_autotext.visible);
    EXPECT_NEAR(static_cast<double>(f.main().cycle().elapsedMs()), 60'000, 100);
}

TEST(RunPause, WithTheCounterRunningThePauseCountsAndTicksOnlyKeepTime) {
    RunFixture f;
    f.open();
    f.play();
    f.runWhile([&] { return f.main().cycle().elapsedMs() < 60'000; });
    f.ui.queueAnswer(Answer::No);
    f.main().CmdPause_Click();
    EXPECT_EQ(f.main().lbl_autochannel.text, "Time Counter = ON");
    EXPECT_TRUE(f.main().Timeradq.enabled);
    const std::int16_t sample = f.main().liveData().sampleIndex;
    const std::int64_t reads = f.main().cycle().progress().reads;
    const auto start = f.clock.monotonicMs();
    testing::RunFixture* fp = &f;
    TimerDriver(f.clock, f.main().Timeradq, [fp] { fp->main().Timeradq_Timer(); }).runWhile([&] {
        return f.clock.monotonicMs() - start < 10 * 60'000;
    });
    EXPECT_EQ(f.main().liveData().sampleIndex, sample) << "no samples while paused";
    EXPECT_EQ(f.main().cycle().progress().reads, reads);
    EXPECT_EQ(f.main().txt_time.text, "00:11:00 [0d]");
    f.main().CmdPause_Click();
    EXPECT_NEAR(static_cast<double>(f.main().cycle().elapsedMs()), 11 * 60'000, 100);
}

TEST(RunStop, StopSwitchesLightAndTemperatureOffAndFreesTheWindow) {
    RunFixture f;
    f.open();
    f.play();
    f.state().lightOn = true;
    f.state().tempControlOn = true;
    f.runBlocks(1);
    f.main().CmdStop_Click();
    EXPECT_EQ(f.state().runState, 0);
    EXPECT_FALSE(f.state().lightOn);
    EXPECT_FALSE(f.state().tempControlOn);
    EXPECT_EQ(f.sim->controlWord(), 0);
    EXPECT_FALSE(f.main().Timeradq.enabled);
    EXPECT_TRUE(f.main().Cmdsetup.enabled);
    EXPECT_TRUE(f.main().txt_snr_umbral.enabled);
    EXPECT_FALSE(f.main().CmdPause.enabled);
    EXPECT_EQ(f.main().run().ending(), RunControl::Ending::User);
}

TEST(RunEnd, TheLapseEndsARunAtTheNextBlockBoundaryAndOpensTheReport) {
    // 700 samples a block take 21 s: the first minute is reached inside the third block.
    RunFixture f([](ProjectSetup& s) {
        s.Aq_lapse = 1;
        s.RT_Buffer = 700;
    });
    f.open();
    std::vector<std::pair<fs::path, bool>> reports;
    f.main().run().openReport = [&](const fs::path& folder, bool autoreport) {
        reports.emplace_back(folder, autoreport);
    };
    f.play();
    f.runToEnd();
    EXPECT_EQ(f.main().run().ending(), RunControl::Ending::Lapse);
    EXPECT_EQ(f.main().cycle().progress().blocks, 3);
    const auto records = f.counts();
    ASSERT_EQ(records.size(), 3u);
    // The stamp is the minute shown one sample before each block completed.
    EXPECT_EQ(records[0].minutes, 0);
    EXPECT_EQ(records[2].minutes, 1);
    EXPECT_EQ(f.ui.messages.back(), "Acquisition finished");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, f.folder());
    EXPECT_FALSE(reports[0].second);
    EXPECT_EQ(f.state().runState, 0);
    EXPECT_TRUE(f.main().chk_bodybends.enabled);
    EXPECT_TRUE(f.main().CmdPlay.enabled);
}

TEST(RunEnd, WithTheUserBinTheReportWritesItselfAndNothingIsSaid) {
    RunFixture f([](ProjectSetup& s) { s.Aq_lapse = 1; });
    f.open();
    f.main().mn_userbin.checked = true;
    bool autoreport = false;
    f.main().run().openReport = [&](const fs::path&, bool a) { autoreport = a; };
    f.play();
    const auto before = f.ui.messages.size();
    f.runToEnd();
    EXPECT_TRUE(autoreport);
    EXPECT_EQ(f.ui.messages.size(), before);
    EXPECT_EQ(f.counts().size(), 4u) << "four 15-second blocks in a minute";
}

TEST(RunStart, ThePlayDefaultsCalibrateAndZeroBeforeTheFirstBlock) {
    RunFixture f;
    f.open();
    ASSERT_TRUE(f.state().autoCalibration);
    ASSERT_TRUE(f.state().autoZero);
    f.play();
    ASSERT_EQ(f.state().runState, 1);
    EXPECT_EQ(f.main().cycle().progress().blocks, 0);
    EXPECT_TRUE(fs::exists(f.folder() / "calvalue.dat"));
    EXPECT_TRUE(fs::exists(f.dir / "calvalue.dat"));
    EXPECT_FALSE(f.main().frm_autotext.visible) << "the panel goes once both are done";
    EXPECT_EQ(f.sim->plateMode(), 0) << "back in the acquisition form for the run";
    f.runBlocks(1);
    EXPECT_EQ(f.main().cycle().progress().badReads, 0);
}

// The regulation as a loop: the chamber of the virtual instrument, read at every block end and
// driven by the control word the regulation sends.
TEST(RunTemperature, TheChamberReachesTheSetPointAndStaysThere) {
#if defined(__SANITIZE_ADDRESS__)
    const int minutes = 40;
#else
    const int minutes = 120;
#endif
    sim::InstrumentConfig config;
    config.ambientC = 22.0;
    RunFixture f(
        [&](ProjectSetup& s) {
            s.Aq_lapse = static_cast<std::int16_t>(minutes);
            s.Save_real = 0;
            s.Menu3 = 1;
            s.Mn3 = {1, 250, 0, 0, 0, 0};
        },
        config);
    f.open();
    ASSERT_TRUE(f.main().Chk_tenabled.checked);
    ASSERT_EQ(f.main().txttemp.text, "25.0");
    f.play();
    f.runToEnd();
    const auto records = f.counts();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(minutes * 4));
    std::size_t reached = records.size();
    for (std::size_t k = 0; k < records.size(); ++k) {
        if (records[k].temperatureX10() >= 245) {
            reached = k;
            break;
        }
    }
    ASSERT_LT(reached, 40u) << "the set point within ten minutes";
    for (std::size_t k = 1; k < records.size(); ++k) {
        // A degree a minute at most: a quarter of a degree between 15-second blocks, plus the
        // reading's own step.
        EXPECT_LE(std::abs(records[k].temperatureX10() - records[k - 1].temperatureX10()), 5) << k;
        if (k >= reached) {
            EXPECT_NEAR(records[k].temperatureX10(), 250, 10) << "block " << k;
        }
    }
}

}  // namespace
}  // namespace qv
