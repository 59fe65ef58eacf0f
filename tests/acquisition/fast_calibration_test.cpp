// The fast calibration ("Fast CALIB"): the brightness ladder decision by itself, then the whole
// calibration against the virtual instrument.
#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/fast_calibration.h"
#include "care_rig.h"

namespace qv {
namespace {

using testing::CareRig;

LadderChannel at(int pinHole, int gain, int direction = 0) {
    return LadderChannel{pinHole, gain, false, direction};
}

TEST(Ladder, WindowEdgesAreInsideAndEndTheChannel) {
    for (int level : {1638, 1700, 1843}) {
        LadderChannel ch = at(3, 4, 1);
        EXPECT_FALSE(stepOnLadder(ch, level)) << level;
        EXPECT_TRUE(ch.done);
        EXPECT_EQ(ch.direction, 0);
        EXPECT_EQ(ch.pinHole * 8 + ch.gain, 28);
    }
    LadderChannel dark = at(3, 4);
    EXPECT_TRUE(stepOnLadder(dark, 1637));
    EXPECT_EQ(dark.gain, 5);
    LadderChannel bright = at(3, 4);
    EXPECT_TRUE(stepOnLadder(bright, 1844));
    EXPECT_EQ(bright.gain, 3);
}

TEST(Ladder, RungsCarryAcrossGainSevenAndZero) {
    LadderChannel up = at(2, 7);
    EXPECT_TRUE(stepOnLadder(up, 100));
    EXPECT_EQ(up.pinHole, 3);
    EXPECT_EQ(up.gain, 0);
    EXPECT_EQ(up.direction, 1);
    LadderChannel down = at(3, 0);
    EXPECT_TRUE(stepOnLadder(down, 4000));
    EXPECT_EQ(down.pinHole, 2);
    EXPECT_EQ(down.gain, 7);
    EXPECT_EQ(down.direction, -1);
}

TEST(Ladder, TheEndsOfTheLadderStopWithoutAWrite) {
    LadderChannel top = at(7, 7);
    EXPECT_FALSE(stepOnLadder(top, 1000));
    EXPECT_TRUE(top.done);
    EXPECT_EQ(top.pinHole, 7);
    EXPECT_EQ(top.gain, 7);
    LadderChannel bottom = at(1, 0);
    EXPECT_FALSE(stepOnLadder(bottom, 3000));
    EXPECT_TRUE(bottom.done);
    EXPECT_EQ(bottom.pinHole, 1);
    EXPECT_EQ(bottom.gain, 0);
    // One rung above the bottom still steps.
    LadderChannel nearBottom = at(1, 1);
    EXPECT_TRUE(stepOnLadder(nearBottom, 3000));
    EXPECT_EQ(nearBottom.gain, 0);
}

TEST(Ladder, TooBrightThenTooDarkStopsAtTheDarkerSetting) {
    LadderChannel ch = at(4, 2);
    EXPECT_TRUE(stepOnLadder(ch, 1900));  // too bright: one rung down
    EXPECT_EQ(ch.gain, 1);
    EXPECT_FALSE(stepOnLadder(ch, 1600));  // now too dark: keep this one
    EXPECT_TRUE(ch.done);
    EXPECT_EQ(ch.pinHole, 4);
    EXPECT_EQ(ch.gain, 1);
    // The other way round it turns: stepped up past the window, it may come down again.
    LadderChannel up = at(4, 2);
    EXPECT_TRUE(stepOnLadder(up, 1600));
    EXPECT_TRUE(stepOnLadder(up, 1900));
    EXPECT_EQ(up.direction, 0);
    EXPECT_EQ(up.gain, 3);  // written again as it is
    EXPECT_TRUE(stepOnLadder(up, 1900));
    EXPECT_EQ(up.gain, 2);
}

// Settings several rungs away from where each beam belongs: too dark on even channels, too
// bright on odd ones.
CalibrationValues mistuned() {
    CalibrationValues v;
    for (int c = 0; c < kCalibrationChannels; ++c) {
        v.PinHole[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(c % 2 == 0 ? 3 : 5);
        v.Gain[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(c % 2 == 0 ? 4 : 6);
    }
    return v;
}

TEST(FastCalibration, MistunedBeamsEndInTheWindowAndTheFileHoldsWhatTheInstrumentHolds) {
    CareRig r;
    sim::InstrumentConfig config;
    config.plateInserted = false;
    sim::Firmware& fw = r.instrument(config);
    ASSERT_TRUE(writeCalibrationValues(r.dir.path(), mistuned()));
    r.state.runState = 1;
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    std::vector<std::string> seen;
    r.ui.onEvents = [&] {
        if (seen.empty() || seen.back() != status.text()) {
            seen.push_back(status.text());
        }
    };
    FastCalibration fast(*r.care, status);
    const FastCalibrationResult result = fast.run();

    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_FALSE(result.firstTime);
    EXPECT_GE(result.passes, 3);
    EXPECT_EQ(status.text(), "Calibration OK");
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Calibrating... [383]"), seen.end());
    const PlateFormat& plate = r.store().plate();
    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(r.dir.path(), file).status, CalibrationReadStatus::Ok);
    int inWells = 0;
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        EXPECT_EQ(fw.setting(c), file.Gain[i] * 32 + file.PinHole[i]) << c;
        if (plate.wellOfChannel[i] < 0) {
            EXPECT_EQ(fw.setting(c), 0) << c;  // no well: dark
            EXPECT_EQ(result.judgedLevels[i], -1);
            continue;
        }
        ++inWells;
        // Judged inside the window on a single noisy reading; the beam itself within a few
        // counts of receiver noise of it.
        EXPECT_GE(result.judgedLevels[i], kWindowLow) << c;
        EXPECT_LE(result.judgedLevels[i], kWindowHigh) << c;
        EXPECT_GE(fw.clearLevel(c), kWindowLow - 15) << c;
        EXPECT_LE(fw.clearLevel(c), kWindowHigh + 15) << c;
    }
    EXPECT_GT(inWells, 90);
    // The bar was drawn on its light yellow ground.
    ASSERT_FALSE(r.bar.callsOf(RecordingCanvas::Op::FilledBox).empty());
    EXPECT_EQ(r.bar.calls.front().color, (Color{255, 255, 192}));
}

TEST(FastCalibration, WithoutARunItOnlyReadsAndWritesTheFile) {
    CareRig r;
    r.instrument();
    ASSERT_TRUE(writeCalibrationValues(r.dir.path(), mistuned()));
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    const FastCalibrationResult result = FastCalibration(*r.care, status).run();
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.passes, 0);
    EXPECT_FALSE(result.channelsWritten);
    EXPECT_EQ(r.writtenBytes(), 0u);
    EXPECT_EQ(status.text(), "Calibration OK");
    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(r.dir.path(), file).status, CalibrationReadStatus::Ok);
    // Channels in no well were switched dark in the tables, the others kept.
    EXPECT_EQ(file.PinHole[0], r.store().plate().wellOfChannel[0] < 0 ? 0 : 3);
}

TEST(FastCalibration, FirstTimeWritesTheStartingValuesAndOfflineRefuses) {
    CareRig r;
    r.instrument();
    std::filesystem::remove(r.dir / "calvalue.dat");
    r.state.runState = 1;
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    bool sawFirstTime = false;
    r.ui.onEvents = [&] {
        sawFirstTime = sawFirstTime || status.text() == "Writing calibration...0";
    };
    const FastCalibrationResult result = FastCalibration(*r.care, status).run();
    EXPECT_TRUE(result.firstTime);
    EXPECT_TRUE(sawFirstTime);
    EXPECT_TRUE(result.ok());

    CareRig offline;
    offline.state.link.offline = true;
    CalibrationStatus quiet(controlOf(offline.controls, "lbl_autochannel", ControlKind::Label),
                            offline.control("picturecal"));
    const std::string before = testing::readBytes(offline.dir / "calvalue.dat");
    EXPECT_TRUE(FastCalibration(*offline.care, quiet).run().offline);
    EXPECT_EQ(offline.ui.messages,
              std::vector<std::string>{"Operation not possible in OFFLINE mode"});
    EXPECT_EQ(testing::readBytes(offline.dir / "calvalue.dat"), before);
}

TEST(FastCalibration, AWriteNeverConfirmedEndsItAndKeepsTheFile) {
    CareRig r;
    sim::InstrumentConfig config;
    config.faults.missingEcho = 1.0;
    r.instrument(config);
    r.state.runState = 1;
    const std::string before = testing::readBytes(r.dir / "calvalue.dat");
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    const FastCalibrationResult result = FastCalibration(*r.care, status).run();
    EXPECT_EQ(result.failedChannel, 0);
    EXPECT_FALSE(result.fileWritten);
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{
                                 "Ops...Data Writing ERROR: reg(0)... Check COM and Try again",
                                 "Communication error. Check COM PORT and equipment connection."}));
    EXPECT_EQ(testing::readBytes(r.dir / "calvalue.dat"), before);
}

TEST(FastCalibration, ASilentInstrumentEndsWithTheMessageInBoundedTime) {
    CareRig r;
    sim::InstrumentConfig config;
    config.faults.silence = 1.0;
    r.instrument(config);
    r.state.runState = 1;
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    const FastCalibrationResult result = FastCalibration(*r.care, status).run();
    EXPECT_EQ(result.failedChannel, 0);
    ASSERT_EQ(r.ui.messages.size(), 2u);
    // The verified write's four rounds of nine queries on a silent line: under two minutes.
    EXPECT_LT(r.clock.monotonicMs(), 120 * 1000);
}

TEST(FastCalibration, StopEndsItAtTheNextCheck) {
    CareRig r;
    sim::InstrumentConfig config;
    config.plateInserted = false;
    r.instrument(config);
    ASSERT_TRUE(writeCalibrationValues(r.dir.path(), mistuned()));
    r.state.runState = 1;
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    r.ui.onEvents = [&] {
        if (status.text().rfind("Calibrating... [", 0) == 0) {
            r.state.runState = 0;  // Stop, pressed during the first pass
        }
    };
    const FastCalibrationResult result = FastCalibration(*r.care, status).run();
    EXPECT_EQ(result.passes, 1);
    EXPECT_TRUE(result.fileWritten);
    EXPECT_TRUE(r.ui.messages.empty());
}

TEST(FastCalibration, ADamagedFileIsReportedAndLeftAsItIs) {
    CareRig r;
    r.instrument();
    r.state.runState = 1;
    testing::writeBytes(r.dir / "calvalue.dat", "header\r\n0,2\r\n");
    CalibrationStatus status(controlOf(r.controls, "lbl_autochannel", ControlKind::Label),
                             r.control("picturecal"));
    const FastCalibrationResult result = FastCalibration(*r.care, status).run();
    EXPECT_TRUE(result.fileUnreadable);
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0],
              "calvalue.dat could not be read (line 2): the calibration was not started.");
    EXPECT_EQ(r.writtenBytes(), 0u);
    EXPECT_EQ(testing::readBytes(r.dir / "calvalue.dat"), "header\r\n0,2\r\n");
}

}  // namespace
}  // namespace qv
