// The device self-test: the gradings and their texts, then the whole step sequence against the
// virtual instrument with an empty slot.
#include <gtest/gtest.h>

#include "acquisition/self_test.h"
#include "care_rig.h"
#include "common/field_text.h"

namespace qv {
namespace {

using testing::CareRig;

ChannelLevels all(int level) {
    ChannelLevels l;
    l.fill(level);
    return l;
}

TEST(SelfTestGrading, OnMeansAbove1638AndOffMeansUpTo1024) {
    ChannelLevels on = all(3000);
    on[7] = 1639;
    on[8] = 1638;
    const Grading g = gradeAllOn(on);
    EXPECT_FALSE(g.pass);
    EXPECT_EQ(g.failingOn, std::vector<int>{8});
    EXPECT_EQ(g.label, "[Test100%= CHECK!]");
    EXPECT_EQ(g.reportLines, (std::vector<std::string>{"", "Test_all_100%:  NEEDS REVISION!",
                                                       "Number of Channels > 80% = 383",
                                                       "Channels < 80%: CH8[79%], "}));
    ChannelLevels off = all(0);
    off[9] = 1024;
    off[10] = 1025;
    const Grading o = gradeAllOff(off);
    EXPECT_EQ(o.failingOff, std::vector<int>{10});
    EXPECT_EQ(o.reportLines, (std::vector<std::string>{"", "Test_all_0%:  NEEDS REVISION!",
                                                       "Number of Channels < 20% = 383",
                                                       "Channels > 20%: CH10[50%], "}));
    EXPECT_EQ(gradeAllOn(all(1639)).reportLines,
              (std::vector<std::string>{"", "Test_all_100%: OK PASS!",
                                        "Number of Channels > 80% = 384"}));
    EXPECT_EQ(gradeAllOn(all(1639)).label, "[Test100%=PASS!]");
    EXPECT_EQ(gradeAllOff(all(1024)).label, "[Test0%=PASS!]");
    EXPECT_EQ(gradeAllOff(all(1024)).reportLines[1], "Test_all_0%: OK PASS!");
}

TEST(SelfTestGrading, ColumnAndRowLinesNameWhatFailedOnBothSides) {
    // Column 2 (channels 32..47) lit, except channel 40; channel 100 lit although it should
    // not be; the same thresholds as the whole-plate tests (1025 counts as on for "others").
    ChannelLevels l = all(0);
    for (int c : columnChannels(2)) {
        l[static_cast<std::size_t>(c)] = 4095;
    }
    l[40] = 1638;
    l[100] = 1025;
    const Grading col = gradeColumn(l, 2);
    EXPECT_FALSE(col.pass);
    EXPECT_EQ(col.label, "Col[3]: CHECK!");
    EXPECT_EQ(col.reportLines,
              std::vector<std::string>{"15Col[3]: NONPASS CH > 80% (NONOK:CH40[79%], ); "
                                       "367CH < 20% (NONOK:CH100[50%], )"});
    l[40] = 1639;
    l[100] = 1024;
    EXPECT_EQ(gradeColumn(l, 2).reportLines, std::vector<std::string>{"Col[3]: PASS!"});
    // Row 15 (P): channels 15, 31, ..., 383.
    ChannelLevels r = all(0);
    for (int c : rowChannels(15)) {
        r[static_cast<std::size_t>(c)] = 2048;
    }
    EXPECT_EQ(rowChannels(15).back(), 383);
    EXPECT_EQ(gradeRow(r, 15).label, "Row[16]: PASS!");
    r[383] = 0;
    EXPECT_EQ(gradeRow(r, 15).reportLines,
              std::vector<std::string>{"23Row[16]: NONPASS CH > 80% (NONOK:CH383[0%], ); "
                                       "360CH < 20% (NONOK:)"});
    EXPECT_EQ(reducedPowerLines(all(232))[2], "CH[0] 11%");
}

struct TestRig : CareRig {
    SelfTestControls c = SelfTestControls::of(controls);
    SelfTest test{*care, c};
    int ticks = 0;

    sim::Firmware& emptySlot(std::vector<int> dead = {}) {
        sim::InstrumentConfig config;
        config.plateInserted = false;
        config.serialNumber = 77;
        config.deadBeams = std::move(dead);
        return instrument(config);
    }
    void start() {
        ui.queueAnswer(Answer::Ok);
        test.mnstatustest_Click();
    }
    // The timer's ticks, until it stops.
    void runTimer(const std::function<void(int step)>& beforeTick = {}) {
        while (c.Timer_test.enabled && ticks < 200) {
            if (beforeTick) {
                beforeTick(test.step());
            }
            clock.advanceMs(c.Timer_test.intervalMs);
            test.Timer_test_Timer();
            ++ticks;
        }
    }
    std::vector<std::string> reportLines() {
        return splitLines(testing::readBytes(test.reportPath()));
    }
};

TEST(SelfTest, DeadBeamsFailTheirGradingsAndEverythingElsePasses) {
    TestRig r;
    r.emptySlot({5, 200});
    r.clock.set(DateTime{2024, 6, 14, 15, 30, 0, 0});
    r.start();
    EXPECT_EQ(r.c.lbl_temperature.text, "SN77");
    EXPECT_TRUE(r.c.lbl_autorestart.visible);
    EXPECT_EQ(r.c.lbl_autorestart.text, "Open and close Quorvel Door to see sensing changes");
    EXPECT_EQ(r.test.reportPath(), r.dir / "testdev77.txt");
    r.ui.queueAnswer(Answer::Yes);  // "OK to proceed?"
    std::string labelAt40;
    r.runTimer([&](int step) {
        if (step == 41) {
            labelAt40 = r.c.lbl_temperature.text;
        }
    });

    EXPECT_TRUE(r.test.completed());
    EXPECT_FALSE(r.test.aborted());
    EXPECT_EQ(r.ticks, 111);
    EXPECT_TRUE(r.ui.scriptUsedUp());
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Turning ON A1-D1", "Turning OFF A1-D1"}));
    EXPECT_EQ(r.ui.questions.back(), "OK to proceed?");
    EXPECT_EQ(labelAt40, "Col[2]: PASS!");
    ASSERT_EQ(r.ui.opened.size(), 1u);
    EXPECT_EQ(r.ui.opened[0].path, r.test.reportPath().string());
    EXPECT_FALSE(r.c.Timer_test.enabled);
    EXPECT_EQ(r.c.lbl_temperature.text,
              "T = __ \xB0"
              "C");
    EXPECT_FALSE(r.c.lbl_autorestart.visible);

    const auto& g = r.test.gradings();
    ASSERT_EQ(g.size(), 2u + 24u + 16u);
    EXPECT_EQ(g[0].failingOn, (std::vector<int>{5, 200}));
    EXPECT_TRUE(g[1].pass);
    for (std::size_t i = 2; i < g.size(); ++i) {
        const bool column = g[i].kind == Grading::Kind::Column;
        const bool failing =
            column ? (g[i].index == 0 || g[i].index == 12) : (g[i].index == 5 || g[i].index == 8);
        EXPECT_EQ(g[i].pass, !failing) << (column ? "column " : "row ") << g[i].index;
        EXPECT_TRUE(g[i].failingOff.empty());
        if (failing) {
            EXPECT_EQ(g[i].failingOn.size(), 1u);
        }
    }

    const std::vector<std::string> lines = r.reportLines();
    ASSERT_EQ(lines.size(), 1u + 4u + 3u + 2u + 24u + 2u + 16u + 2u + 384u);
    EXPECT_EQ(lines[0], "Serial:SN77 2024-06-14_15:30");
    EXPECT_EQ(lines[4], "Channels < 80%: CH5[0%], CH200[0%], ");
    EXPECT_EQ(lines[7], "Number of Channels < 20% = 384");
    EXPECT_EQ(lines[9], "Test_24_Columns:");
    EXPECT_EQ(lines[10].rfind("15Col[1]: NONPASS CH > 80% (NONOK:CH5[0%], ); 368CH < 20%", 0), 0u);
    EXPECT_EQ(lines[11], "Col[2]: PASS!");
    EXPECT_EQ(lines[35], "Test_16_Rows:");
    EXPECT_EQ(lines[36], "Row[1]: PASS!");
    EXPECT_EQ(lines[41].rfind("23Row[6]: NONPASS", 0), 0u);
    EXPECT_EQ(lines[53], "Gain/Power[2] Values:");
    // Reduced power is well below the on level and above the dark; the dead beam stays dark.
    EXPECT_EQ(lines[54 + 5], "CH[5] 0%");
    const int reduced = std::stoi(lines[54 + 6].substr(6));
    EXPECT_GT(reduced, 2);
    EXPECT_LT(reduced, 50);
    // Every beam is left at power and gain 2.
    EXPECT_EQ(r.firmware().setting(383), 2 * 32 + 2);
}

TEST(SelfTest, AnAbortAfterStepTwentyLeavesTheFirstLineAndTheWholePlateSection) {
    TestRig r;
    r.emptySlot({17});
    r.start();
    r.ui.queueAnswer(Answer::Yes);
    r.runTimer([&](int step) {
        if (step == 21) {
            r.backend.failAfterOperations(0);  // the line breaks
        }
    });
    EXPECT_TRUE(r.test.aborted());
    EXPECT_FALSE(r.test.completed());
    EXPECT_EQ(r.test.step(), SelfTest::kAborted);
    EXPECT_FALSE(r.c.Timer_test.enabled);
    EXPECT_EQ(r.ui.messages.back(), "COM Error");
    const std::vector<std::string> lines = r.reportLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "Test_all_100%:  NEEDS REVISION!");
    EXPECT_EQ(lines[4], "Channels < 80%: CH17[0%], ");
    EXPECT_TRUE(r.ui.opened.empty());
}

TEST(SelfTest, AWriteTheInstrumentNeverConfirmsAbortsTheTest) {
    TestRig r;
    sim::InstrumentConfig config;
    config.plateInserted = false;
    config.faults.missingEcho = 1.0;
    r.instrument(config);
    r.start();
    r.runTimer();
    EXPECT_TRUE(r.test.aborted());
    EXPECT_EQ(r.ticks, 2);  // step 0, then step 1's first write
    EXPECT_EQ(r.ui.messages.back(), "Ops...Data Writing ERROR: reg(0)... Check COM and Try again");
    EXPECT_EQ(r.reportLines().size(), 1u);
}

TEST(SelfTest, AnInstrumentGoneSilentEndsTheTestWithinSeconds) {
    TestRig r;
    sim::InstrumentConfig config;
    config.faults.silence = 1.0;
    r.instrument(config);
    r.start();
    r.runTimer();
    EXPECT_TRUE(r.test.aborted());
    EXPECT_EQ(r.ticks, 1);
    EXPECT_EQ(r.ui.messages, std::vector<std::string>{"COM Error"});
    // The identification and the first level request: two read budgets.
    EXPECT_LT(r.clock.monotonicMs(), 6000);
    EXPECT_FALSE(r.c.lbl_autorestart.visible);
}

TEST(SelfTest, RefusedDuringARunAndCancelledOrDeclinedOnRequest) {
    TestRig r;
    r.emptySlot();
    r.state.runState = 1;
    r.test.mnstatustest_Click();
    EXPECT_EQ(r.ui.messages, std::vector<std::string>{"Stop acquisition before Testing"});
    EXPECT_FALSE(r.c.Timer_test.enabled);
    r.state.runState = 0;
    r.ui.queueAnswer(Answer::Cancel);
    r.test.mnstatustest_Click();
    EXPECT_EQ(r.ui.questions.size(), 1u);
    EXPECT_EQ(r.ui.questions[0],
              "DEVICE TEST:\r\nLigth Microbeams will be adjusted to maximum and minimum.\r\n"
              "Please, remove any microplate from the slot\r\n and close Quorvel door");
    EXPECT_FALSE(r.c.Timer_test.enabled);
    EXPECT_FALSE(std::filesystem::exists(r.dir / "testdev77.txt"));
    // "No" at "OK to proceed?" stops at step 3.
    r.start();
    r.ui.queueAnswer(Answer::No);
    r.runTimer();
    EXPECT_EQ(r.ticks, 4);
    EXPECT_TRUE(r.test.aborted());
    EXPECT_FALSE(r.c.lbl_autorestart.visible);
}

TEST(SelfTest, ProgressBarAndBeamMapFollowTheSteps) {
    TestRig r;
    r.emptySlot();
    r.start();
    r.ui.queueAnswer(Answer::Yes);
    std::vector<RecordingCanvas::Call> bars;
    std::vector<RecordingCanvas::Call> cells;
    r.runTimer([&](int step) {
        if (step == 51) {  // what step 50 drew
            bars = r.progress.callsOf(RecordingCanvas::Op::FilledBox);
            cells = r.picture.callsOf(RecordingCanvas::Op::FilledBox);
        }
    });
    ASSERT_FALSE(bars.empty());
    EXPECT_NEAR(bars.front().x2, 50 * 0.83, 1e-9);
    EXPECT_EQ(bars.front().color, colors::blue);
    // One cell per beam; step 50 reads what step 49 lit: column 11, sixteen beams.
    ASSERT_GE(cells.size(), 384u);
    int lit = 0;
    for (std::size_t i = 0; i < 384; ++i) {
        lit += cells[i].color == colors::green ? 1 : 0;
    }
    EXPECT_EQ(lit, 16);
}

}  // namespace
}  // namespace qv
