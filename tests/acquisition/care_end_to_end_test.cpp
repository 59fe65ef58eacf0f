// quorvel-tool calibrate and selftest against quorvel-sim, both as built, on a pseudo-terminal
// through the real POSIX serial layer.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "acquisition/auto_zero.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "store/calibration_values.h"
#include "store/installation.h"
#include "store/plate_format.h"
#include "store/project_load.h"
#include "support/temp_dir.h"

extern char** environ;

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::binaryDir;
using testing::readBytes;

// The virtual instrument behind COM4 of a fresh application folder, every other port absent;
// stopped however the test ends.
class SimOnPty {
  public:
    explicit SimOnPty(const testing::TempDir& dir, std::vector<std::string> options) {
        link_ = dir / "COM4";
        std::vector<std::string> args = {(binaryDir() / "src" / "cli" / "quorvel-sim").string(),
                                         "--link", link_.string()};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        SystemClock clock;
        for (int waited = 0; waited < 5000 && !fs::is_symlink(link_); waited += 20) {
            clock.sleepMs(20);
        }
        for (int n = 1; n <= 16; ++n) {
            const fs::path device = n == 4 ? link_ : dir / ("absent" + std::to_string(n));
            setenv(("QUORVEL_COM" + std::to_string(n)).c_str(), device.c_str(), 1);
        }
    }
    ~SimOnPty() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool ready() const { return pid_ > 0 && fs::is_symlink(link_); }

  private:
    pid_t pid_ = -1;
    fs::path link_;
};

struct Tool {
    testing::ProgramRun run;
    nlohmann::json out;
};

Tool tool(const testing::TempDir& dir, const std::string& args) {
    Tool t;
    t.run =
        testing::runProgram(binaryDir() / "src" / "cli" / "quorvel-tool", args, dir / "stderr.txt");
    t.out = nlohmann::json::parse(t.run.out, nullptr, false);
    return t;
}

fs::path installed(const testing::TempDir& dir) {
    const fs::path app = dir / "app";
    layInstallationData(testing::sourceDir() / "data", app, false);
    return app;
}

TEST(CareEndToEnd, DeviceCalibrationAsPlayCallsItFillsTheAcquisitionFolder) {
    testing::TempDir dir;
    const fs::path app = installed(dir);
    const fs::path acquisition = app / "20240614_1530";
    fs::create_directories(acquisition);
    SimOnPty sim(dir, {"--serial", "61"});
    ASSERT_TRUE(sim.ready());
    const Tool t = tool(dir, "calibrate --app-folder '" + app.string() +
                                 "' --device --acquisition-folder '" + acquisition.string() + "'");
    ASSERT_EQ(t.run.exitCode, 0) << t.run.err;
    EXPECT_EQ(t.out["serial_number"], 61);
    EXPECT_EQ(t.out["progress"], 191);
    EXPECT_EQ(t.out["channels_read"], 384);
    EXPECT_NE(t.run.err.find("Calibrating...100%"), std::string::npos) << t.run.err;

    const std::string file = readBytes(acquisition / "calvalue.dat");
    EXPECT_EQ(file, readBytes(app / "calvalue.dat"));
    EXPECT_EQ(file.rfind("channel, power, gain\r\n", 0), 0u);
    CalibrationValues read;
    ASSERT_EQ(readCalibrationValues(acquisition, read).status, CalibrationReadStatus::Ok);
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        EXPECT_EQ(read.PinHole[i], t.out["PinHole"][i].get<int>()) << c;
        EXPECT_GE(read.PinHole[i], 1) << c;  // every beam answered and is lit
        EXPECT_LE(read.PinHole[i], 7) << c;
    }
}

TEST(CareEndToEnd, FastCalibFromMistunedSettingsEndsWithEveryBeamInAWellInTheWindow) {
    testing::TempDir dir;
    const fs::path app = installed(dir);
    CalibrationValues mistuned;
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        mistuned.PinHole[i] = static_cast<std::int16_t>(c % 2 == 0 ? 4 : 5);
        mistuned.Gain[i] = static_cast<std::int16_t>(c % 3);
    }
    ASSERT_TRUE(writeCalibrationValues(app, mistuned));
    SimOnPty sim(dir, {"--no-plate", "--seed", "7"});
    ASSERT_TRUE(sim.ready());
    const Tool t = tool(dir, "calibrate --app-folder '" + app.string() + "' --fast");
    ASSERT_EQ(t.run.exitCode, 0) << t.run.err;
    EXPECT_EQ(t.out["outside_window"], nlohmann::json::array());
    EXPECT_GE(t.out["passes"].get<int>(), 3);
    EXPECT_NE(t.run.err.find("Calibration OK"), std::string::npos);

    // The project's plate (w96f): channels in a well were judged inside the window; the others
    // are dark and were never judged.
    PlateFormat plate;
    std::string code = "w96f";
    ASSERT_TRUE(loadPlateFormatWithoutFallback(app, code, plate).ok);
    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(app, file).status, CalibrationReadStatus::Ok);
    int inWells = 0;
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int level = t.out["levels"][i].get<int>();
        EXPECT_EQ(file.PinHole[i], t.out["PinHole"][i].get<int>());
        if (plate.wellOfChannel[i] < 0) {
            EXPECT_EQ(level, -1) << c;
            EXPECT_EQ(file.PinHole[i] + file.Gain[i], 0) << c;
            continue;
        }
        ++inWells;
        EXPECT_GE(level, 1638) << c;
        EXPECT_LE(level, 1843) << c;
    }
    EXPECT_GT(inWells, 90);
}

TEST(CareEndToEnd, SelfTestOnAnEmptySlotFindsExactlyTheDeadBeams) {
    testing::TempDir dir;
    const fs::path app = installed(dir);
    SimOnPty sim(dir, {"--no-plate", "--dead", "5,200", "--serial", "45"});
    ASSERT_TRUE(sim.ready());
    const Tool t = tool(dir, "selftest --app-folder '" + app.string() + "' --yes");
    ASSERT_EQ(t.run.exitCode, 0) << t.run.err;
    EXPECT_TRUE(t.out["completed"].get<bool>());
    EXPECT_FALSE(t.out["all_passed"].get<bool>());
    EXPECT_EQ(t.out["report"], (app / "testdev45.txt").string());
    EXPECT_EQ(t.out["failing_beams"],
              nlohmann::json::parse(R"([{"beam":"F1","channel":5,"column":1,"row":"F"},
                                        {"beam":"I13","channel":200,"column":13,"row":"I"}])"));
    const nlohmann::json& g = t.out["gradings"];
    ASSERT_EQ(g.size(), 42u);
    EXPECT_EQ(g[0]["failing_on"], nlohmann::json::parse("[5, 200]"));
    EXPECT_TRUE(g[1]["pass"].get<bool>());
    for (std::size_t i = 2; i < g.size(); ++i) {
        const bool column = g[i]["test"] == "column";
        const int n = g[i]["number"].get<int>();
        const bool failing = column ? (n == 1 || n == 13) : (n == 6 || n == 9);
        EXPECT_EQ(g[i]["pass"].get<bool>(), !failing) << g[i];
        EXPECT_TRUE(g[i]["failing_off"].empty()) << g[i];
    }
    const std::string report = readBytes(app / "testdev45.txt");
    EXPECT_NE(report.find("Channels < 80%: CH5[0%], CH200[0%], \r\n"), std::string::npos);
    EXPECT_NE(report.find("Test_all_0%: OK PASS!\r\n"), std::string::npos);
    EXPECT_NE(report.find("Col[13]: NONPASS CH > 80% (NONOK:CH200[0%], ); 368CH < 20% (NONOK:)"),
              std::string::npos);
}

// Fast ZERO headless: every channel's threshold follows its own ripple at the given SNR, and
// --save puts exactly those thresholds into the project's threshld.dat.
TEST(CareEndToEnd, AutoZeroSetsEachThresholdFromItsRippleAndSavesThem) {
    testing::TempDir dir;
    const fs::path app = installed(dir);
    const std::string before = readBytes(app / "threshld.dat");
    SimOnPty sim(dir, {"--seed", "11", "--occupancy", "0.8"});
    ASSERT_TRUE(sim.ready());
    const Tool t = tool(dir, "autozero --app-folder '" + app.string() + "' --snr 2.5 --save");
    ASSERT_EQ(t.run.exitCode, 0) << t.run.err;
    EXPECT_TRUE(t.out["applied"].get<bool>());
    EXPECT_FALSE(t.out["silent"].get<bool>());
    EXPECT_TRUE(t.out["saved"].get<bool>());
    EXPECT_EQ(t.out["samples"], 30);
    ASSERT_EQ(t.out["thresholds"].size(), 384u);

    int lit = 0;
    int aboveFloor = 0;
    for (std::size_t c = 0; c < 384; ++c) {
        const RippleAndLevel r{t.out["ripples"][c].get<int>(), t.out["levels"][c].get<int>()};
        const double threshold = t.out["thresholds"][c].get<double>();
        EXPECT_DOUBLE_EQ(threshold, zeroThreshold(r, 2.5)) << c;
        lit += r.level > 0 ? 1 : 0;
        aboveFloor += threshold > 1.8 ? 1 : 0;
    }
    EXPECT_GE(lit, 180);        // the beams over the plate's 96 wells answered with light
    EXPECT_GT(aboveFloor, 10);  // and moving organisms gave some of them a ripple

    ProjectSetup saved;
    ScriptedUi quiet;
    EXPECT_TRUE(loadChannelFiles(app, 0, saved, quiet).empty());
    for (std::size_t c = 0; c < 384; ++c) {
        EXPECT_NEAR(saved.channelThreshold[c], t.out["thresholds"][c].get<double>(), 0.01) << c;
    }
    EXPECT_NE(readBytes(app / "threshld.dat"), before);
}

TEST(CareEndToEnd, BadUsageIsRefusedBeforeAnyPortIsTouched) {
    testing::TempDir dir;
    const fs::path app = installed(dir);
    for (const std::string& args :
         {"calibrate --app-folder '" + app.string() + "'",
          "calibrate --app-folder '" + app.string() + "' --device --fast",
          "calibrate --app-folder '" + app.string() + "' --fast --port 16",
          "calibrate --app-folder '" + app.string() + "' --device --acquisition-folder /nowhere",
          "autozero --app-folder '" + app.string() + "' --samples 50",
          "autozero --app-folder '" + app.string() + "' --snr 5.5", std::string("selftest")}) {
        const Tool t = tool(dir, args);
        EXPECT_EQ(t.run.exitCode, 2) << args << "\n" << t.run.err;
    }
}

}  // namespace
}  // namespace qv
