#include "acquisition/acquisition_cycle.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquisition/block_statistics.h"
#include "acquisition/live_counting.h"
#include "analysis/activity_detection.h"
#include "run_fixture.h"
#include "support/file_size_limit.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::RunFixture;

// Ticks of the acquisition timer until `ticks` have run.
void runTicks(RunFixture& f, int ticks) {
    int n = 0;
    TimerDriver(f.clock, f.main().Timeradq, [&] {
        f.main().Timeradq_Timer();
        ++n;
    }).runWhile([&] { return n < ticks && f.state().runState != 0; });
}

TEST(AcquisitionCycle, NinetySixWellPlatesReadFourIndicesAPassOthersEight) {
    for (const char* format : {"w96", "w96f"}) {
        RunFixture f([&](ProjectSetup& s) { s.Plate_format = format; });
        f.open();
        f.play();
        runTicks(f, 10);
        const int perPass = std::string(format) == "w96" ? 4 : 8;
        EXPECT_EQ(f.main().cycle().progress().reads, 10 * perPass) << format;
        EXPECT_EQ(f.sim->plateMode(), perPass == 4 ? 1 : 0) << format;
        EXPECT_EQ(f.main().cycle().progress().badReads, 0) << format;
    }
}

TEST(AcquisitionCycle, BlocksTakeFifteenSecondsAndTheirRecordsCarryTheTemperature) {
    RunFixture f;
    f.open();
    f.play();
    f.runBlocks(3);
    const CycleProgress& p = f.main().cycle().progress();
    EXPECT_DOUBLE_EQ(p.lastSamplePeriod, 0.03);
    EXPECT_EQ(f.main().liveData().sampleIndex, 0);
    const auto records = f.counts();
    ASSERT_EQ(records.size(), 3u);
    // The virtual chamber sits at 22 degrees; its reading comes back through the factory
    // calibration within one step of the raw scale.
    EXPECT_NEAR(records[2].temperatureX10(), 220, 3);
    EXPECT_EQ(f.main().lbl_temperature.text.rfind("T=", 0), 0u);
    int active = 0;
    for (int c = 0; c < kChannels; ++c) {
        active += records[2].counts[static_cast<std::size_t>(c)] > 0 ? 1 : 0;
    }
    EXPECT_GT(active, 10) << "the virtual plate's organisms move";
    const auto raw = readRawFile(rawFilePath(f.folder(), 0), 500);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->blocks.size(), 3u);
}

// Detection clips the samples it runs on, and running it again on clipped samples changes
// counts; the raw file keeps the samples as read, so a re-analysis gives the run's counts back.
TEST(AcquisitionCycle, RawFileHoldsTheSamplesAsReadSoDetectionGivesTheCountsBack) {
    RunFixture f([](ProjectSetup& s) { s.Mn1[mn1::SNRx10] = 18; });
    f.open();
    f.play();
    f.runBlocks(4);
    f.main().CmdStop_Click();
    const auto records = f.counts();
    const auto raw = readRawFile(rawFilePath(f.folder(), 0), 500);
    ASSERT_TRUE(raw.has_value());
    ASSERT_EQ(raw->blocks.size(), records.size());
    const PlateFormat& plate = f.store().plate();
    ActivityDetector detector;
    int compared = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        SampleBlock block = raw->blocks[k];
        for (int c = 0; c < kChannels; ++c) {
            if (plate.wellOfChannel[static_cast<std::size_t>(c)] < 0) {
                EXPECT_EQ(records[k].counts[static_cast<std::size_t>(c)], 0);
                continue;
            }
            const std::int16_t count = detector.DetectActivity(
                block, static_cast<std::int16_t>(c), 1.8, kMethodThresholdAverage, 0, {}, 0);
            EXPECT_EQ(count, records[k].counts[static_cast<std::size_t>(c)])
                << "block " << k << " channel " << c;
            ++compared;
        }
    }
    EXPECT_GT(compared, 300);
}

TEST(AcquisitionCycle, AFullDiskStopsTheRunSayingWhereAndWhatWasSaved) {
    RunFixture f;
    f.open();
    f.play();
    f.runBlocks(2);
    {
        // Room for the raw file to grow a little, not by a whole block.
        testing::FileSizeLimit full(fs::file_size(rawFilePath(f.folder(), 0)) + 1000);
        f.runToEnd();
    }
    EXPECT_EQ(f.state().runState, 0);
    EXPECT_EQ(f.main().run().ending(), RunControl::Ending::Failure);
    const std::string& said = f.ui.messages.back();
    EXPECT_EQ(
        said.rfind("Recording stopped: 0.bin could not be written in " + f.folder().string(), 0),
        0u)
        << said;
    EXPECT_NE(said.find("2 complete blocks are saved there"), std::string::npos) << said;
    const auto counts = readCountsFile(countsFilePath(f.folder()));
    EXPECT_EQ(counts->records.size(), 2u);
    EXPECT_EQ(counts->trailingBytes, 0u);
    EXPECT_EQ(fs::file_size(rawFilePath(f.folder(), 0)), 2 * rawRecordBytes(500));
}

TEST(AcquisitionCycle, AVanishedInstrumentIsSaidAndNothingIsRecordedUntilItReturns) {
    RunFixture f([](ProjectSetup& s) { s.Aq_lapse = 30; });
    f.open();
    f.play();
    f.runBlocks(1);
    runTicks(f, 100);
    const std::int64_t gone = f.clock.monotonicMs();
    f.ports.failAfterOperations(0);
    f.runWhile([&] { return !f.main().cycle().instrumentSilent(); });
    EXPECT_LT(f.clock.monotonicMs() - gone, 10'000) << "said within seconds";
    EXPECT_TRUE(f.main().frm_autotext.visible);
    EXPECT_EQ(
        f.main().lbl_autotext.text.rfind("No answer from the instrument on COM4 since 15:3", 0), 0u)
        << f.main().lbl_autotext.text;
    EXPECT_GE(f.main().cycle().progress().discardedSamples, 100);
    // A minute without the instrument: no block.
    const std::int64_t silentAt = f.clock.monotonicMs();
    f.runWhile([&] { return f.clock.monotonicMs() - silentAt < 60'000; });
    EXPECT_EQ(f.main().cycle().progress().blocks, 1);
    // Back: the run picks up with whole new blocks.
    f.ports.stopFailing();
    f.runBlocks(3);
    EXPECT_FALSE(f.main().cycle().instrumentSilent());
    EXPECT_EQ(f.counts().size(), 3u);
    const auto records = f.counts();
    EXPECT_GE(records[1].minutes, 1) << "the gap shows in the minute stamps";
    EXPECT_FALSE(f.main().frm_autotext.visible) << "the notice goes with the next whole block";
}

TEST(AcquisitionCycle, ALineWithFaultsCompletesEveryBlockAndCountsItsBadReads) {
    sim::InstrumentConfig config;
    config.faults.shortReply = 0.05;
    config.faults.parity = 0.05;
    config.faults.silence = 0.02;
    // Every lost or short reply costs the serial layer's whole read budget (five attempts,
    // about 2.5 s), so blocks take minutes on such a line.
    RunFixture f([](ProjectSetup& s) { s.Aq_lapse = 20; }, config);
    f.open();
    f.play();
    f.runToEnd();
    const CycleProgress& p = f.main().cycle().progress();
    EXPECT_EQ(f.main().run().ending(), RunControl::Ending::Lapse);
    EXPECT_GT(p.badReads, p.reads / 20);
    EXPECT_GE(p.blocks, 2);
    const auto counts = readCountsFile(countsFilePath(f.folder()));
    EXPECT_EQ(counts->records.size(), static_cast<std::size_t>(p.blocks));
    EXPECT_EQ(counts->trailingBytes, 0u);
}

TEST(AcquisitionCycle, BodyBendsHistogramsOnlyGrowAndLeaveTheirFirstBinsEmpty) {
    RunFixture f([](ProjectSetup& s) { s.Plate_format = "w96u"; });
    f.open();
    f.main().Form_Activate();
    f.main().chk_bodybends.checked = true;
    f.main().chk_bodybends_Click();
    ASSERT_EQ(f.state().bodyBends, 1);
    f.play();
    f.runBlocks(3);
    const auto histo = readHistogramFile(histogramFilePath(f.folder(), 0));
    ASSERT_TRUE(histo.has_value());
    ASSERT_EQ(histo->records.size(), 3u);
    std::int64_t sum = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        const HistogramRecord& r = histo->records[k];
        EXPECT_DOUBLE_EQ(r.samplePeriod, 0.03);
        for (int c = 0; c < kCountSlots; ++c) {
            EXPECT_EQ(r.at(c, 0), 0);
            EXPECT_EQ(r.at(c, 1), 0);
            EXPECT_EQ(r.at(c, 50), 0);
            for (int b = 0; b < 51; ++b) {
                if (k > 0) {
                    EXPECT_GE(r.at(c, b), histo->records[k - 1].at(c, b));
                }
                sum += r.at(c, b);
            }
        }
        for (int b = 0; b < 51; ++b) {
            EXPECT_EQ(r.at(384, b), 0);
        }
    }
    EXPECT_GT(sum, 0);
}

TEST(LiveCounting, ADipBelowTheLineCountsOnceAndTotalsFreezePast9999) {
    ProjectSetup setup;
    setup.DSP_Interval = 30;
    setup.DSP_Method = 1;
    setup.channelThreshold.fill(10.0);
    LiveData data(500);
    LiveCounter counter;
    counter.startRun();
    std::array<std::int16_t, kCountSlots> counts{};
    data.totals[1] = 9999;
    data.totals[2] = 10000;
    // Steady light of 2000 with one dip to 1500 at sample 100 on channels 0..2.
    for (int i = 0; i < 200; ++i) {
        for (int c = 0; c < 3; ++c) {
            data.samples.at(c, i) = static_cast<std::int16_t>(i == 100 || i == 101 ? 1500 : 2000);
        }
        data.sampleIndex = static_cast<std::int16_t>(i);
        data.tickCount = 100 + i;
        counter.countSample(data, setup, false, counts);
    }
    EXPECT_EQ(counts[0], 1) << "two samples below the line are one event";
    EXPECT_EQ(data.totals[0], 1);
    EXPECT_EQ(data.totals[1], 10000) << "a total at 9999 still grows once";
    EXPECT_EQ(data.totals[2], 10000) << "past 9999 it stays";
    // The line sits 10 % under the recent maximum, smoothed over the last three values.
    // (The smoothing settles at 1798: (1800 + 3 x 1798) / 4 = 1798.5 rounds to the even 1798.)
    EXPECT_EQ(data.liveLine.at(0, 150), 1798);

    // Method 0 holds the event until the data interval comes round.
    setup.DSP_Method = 0;
    counts.fill(0);
    counter.startRun();
    for (int i = 0; i < 200; ++i) {
        data.sampleIndex = static_cast<std::int16_t>(i);
        counter.countSample(data, setup, i == 150, counts);
        if (i == 149) {
            EXPECT_EQ(counts[0], 0);
        }
    }
    EXPECT_EQ(counts[0], 1);
}

TEST(LiveCounting, TheBlankSetsEachChannelsThresholdFromItsRange) {
    ProjectSetup setup;
    setup.Threshold_Counter = 3;
    LiveCounter counter;
    counter.startBlank();
    SampleBlock samples(500);
    std::string status;
    const std::int16_t levels[] = {2000, 1900, 2000, 1950};
    for (int i = 0; i < 4; ++i) {
        for (int c = 0; c < kChannels; ++c) {
            samples.at(c, i) = c == 7 ? 0 : levels[i];
        }
        const bool done = counter.learnBlank(samples, i, i + 1, setup, status);
        EXPECT_EQ(done, i == 3);
    }
    // (1 - 1900 / 2000) x 100 x 1.15 = 5.75: integer part 5, plus 1.
    EXPECT_DOUBLE_EQ(setup.channelThreshold[0], 6.0);
    EXPECT_DOUBLE_EQ(setup.channelThreshold[7], 1.0) << "a dark channel gets the lowest";
    EXPECT_EQ(status, "Setting (383) OK...");
}

TEST(BlockStatistics, HistogramThresholdFromLevelAndRipple) {
    EXPECT_DOUBLE_EQ(histogramThreshold(2000, 20, 1.8), 1 + 100 * 1.8 * 0.01);
    EXPECT_DOUBLE_EQ(histogramThreshold(2000, 0, 1.8), 1.8);
    EXPECT_DOUBLE_EQ(histogramThreshold(100, 100, 1.8), 181);
    EXPECT_DOUBLE_EQ(histogramThreshold(0, 0, 0.5), 51);
    // The envelope over a zigzag of height 10 around 1000.
    PlateFormat plate;
    plate.wellOfChannel.fill(0);
    SampleBlock samples(500);
    BlockStatistics stats;
    for (int i = 0; i < 100; ++i) {
        samples.at(3, i) = static_cast<std::int16_t>(i % 2 == 0 ? 1005 : 995);
        if (i < 2) {
            stats.restart(samples, i, plate);
        } else {
            stats.add(samples, i, plate);
        }
    }
    EXPECT_EQ(stats.level(3), 1000);
    EXPECT_EQ(stats.ripple(3), 10);
}

}  // namespace
}  // namespace qv
