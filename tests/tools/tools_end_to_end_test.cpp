// quorvel-tool arena calibrate, arena gain-curve and factory-cal against quorvel-sim, both as
// built, on a pseudo-terminal through the real POSIX serial layer; what they leave in the
// instrument is then checked by a fresh connection of our own.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "acquisition/device_link.h"
#include "common/scripted_ui.h"
#include "device/posix_backend.h"
#include "device/register_map.h"
#include "store/calibration_values.h"
#include "store/installation.h"
#include "support/background_program.h"
#include "support/temp_dir.h"
#include "tools/arena_rules.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::BackgroundProgram;
using testing::binaryDir;

// The virtual instrument behind COM4 of a fresh application folder, every other port absent.
struct Bench {
    testing::TempDir dir;
    fs::path app = dir / "app";
    fs::path link = dir / "COM4";
    std::unique_ptr<BackgroundProgram> sim;

    explicit Bench(const std::string& simOptions) {
        layInstallationData(testing::sourceDir() / "data", app, false);
        fs::create_directories(dir / "sim");
        fs::create_directories(dir / "tool");
        sim = std::make_unique<BackgroundProgram>(
            (binaryDir() / "src" / "cli" / "quorvel-sim").string() + " --link '" + link.string() +
                "' " + simOptions,
            dir / "sim");
        SystemClock clock;
        for (int waited = 0; waited < 5000 && !fs::is_symlink(link); waited += 20) {
            clock.sleepMs(20);
        }
        for (int n = 1; n <= 16; ++n) {
            const fs::path device = n == 4 ? link : dir / ("absent" + std::to_string(n));
            setenv(("QUORVEL_COM" + std::to_string(n)).c_str(), device.c_str(), 1);
        }
    }
    bool ready() const { return sim->started() && fs::is_symlink(link); }

    // The tool, waited for; its JSON (null when it printed none).
    std::unique_ptr<BackgroundProgram> start(const std::string& args) {
        return std::make_unique<BackgroundProgram>(
            (binaryDir() / "src" / "cli" / "quorvel-tool").string() + " " + args +
                " --app-folder '" + app.string() + "'",
            dir / "tool");
    }
};

nlohmann::json output(const BackgroundProgram& p) {
    return nlohmann::json::parse(p.out(), nullptr, false);
}

// A connection of our own, made as Connect makes it, after the tool has let go of the line.
struct FreshConnection {
    SystemClock clock;
    ScriptedUi ui;
    Store store;
    AppState state;
    device::PosixBackend backend{clock};
    DeviceLink link;

    explicit FreshConnection(const fs::path& app)
        : store(app, ui), link(backend, clock, ui, state, store) {
        store.startUp();
        state.link.currentPort = 4;
        link.connection.connectAction();
    }
    ~FreshConnection() { link.comm.CommClose(state.link.currentPort); }
    double temperature() {
        const int raw =
            link.com.QueryRegister(device::reg::kReadTemperature, 0, device::reg::kBankCommand);
        return raw < 0 ? -1000 : raw * state.link.temperatureSlope + state.link.temperatureOffset;
    }
};

TEST(ToolsEndToEnd, ArenaCalibrationPutsEveryChannelInTheBandAndSavesWhatTheInstrumentHolds) {
    Bench bench("--no-plate --seed 5");
    ASSERT_TRUE(bench.ready());
    CalibrationValues mistuned;  // whatever was saved before must not matter
    for (int c = 0; c < kCalibrationChannels; ++c) {
        mistuned.PinHole[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(c % 8);
        mistuned.Gain[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(7 - c % 8);
    }
    ASSERT_TRUE(writeCalibrationValues(bench.app, mistuned));

    auto tool = bench.start("arena calibrate --target 75 --settle-ms 0");
    ASSERT_EQ(tool->wait(120000), 0) << tool->err();
    const nlohmann::json out = output(*tool);
    ASSERT_FALSE(out.is_discarded()) << tool->out();
    EXPECT_EQ(out["band"], nlohmann::json::array({1434, 1638}));
    EXPECT_EQ(out["channels_tuned"], kArenaChannels);
    EXPECT_EQ(out["outside_band"], nlohmann::json::array());
    EXPECT_TRUE(out["saved"].get<bool>());
    for (int c = 0; c < kArenaChannels; ++c) {
        const int reading = out["readings"][static_cast<std::size_t>(c)].get<int>();
        EXPECT_GE(reading, 1434) << c;
        EXPECT_LE(reading, 1638) << c;
    }
    EXPECT_NE(tool->err().find("Calibrating CH383"), std::string::npos);
    EXPECT_NE(tool->err().find("Calibration Saving OK"), std::string::npos) << tool->err();

    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(bench.app, file).status, CalibrationReadStatus::Ok);
    FreshConnection fresh(bench.app);
    ASSERT_TRUE(fresh.state.link.connected);
    for (int c = 0; c < kArenaChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int byte = fresh.link.com.readChannelSetting(c, 8, 200);
        ASSERT_GE(byte, 0) << c;
        EXPECT_EQ(file.Gain[i], byte / 32) << c;
        EXPECT_EQ(file.PinHole[i], byte % 32) << c;
    }
}

TEST(ToolsEndToEnd, GainCurveWritesItsFilesAndGivesTheChannelsTheirSettingsBack) {
    Bench bench("--no-plate --seed 9");
    ASSERT_TRUE(bench.ready());
    std::vector<int> before;
    {
        FreshConnection fresh(bench.app);
        ASSERT_TRUE(fresh.state.link.connected);
        for (int c = 0; c < kArenaChannels; ++c) {
            before.push_back(fresh.link.com.readChannelSetting(c, 8, 200));
        }
    }
    auto tool = bench.start("arena gain-curve --pinhole 4 --settle-ms 0");
    ASSERT_EQ(tool->wait(240000), 0) << tool->err();
    const nlohmann::json out = output(*tool);
    ASSERT_EQ(out["steps"].size(), 8u) << tool->out();
    double previous = -1;
    for (const auto& step : out["steps"]) {
        EXPECT_EQ(step["PinHole"], 4);
        EXPECT_EQ(step["readings"], 21);
        // More gain, more light: the curve climbs until it saturates.
        EXPECT_GE(step["mean_reading"].get<double>(), previous) << step;
        previous = step["mean_reading"].get<double>();
    }
    const std::string mean = testing::readBytes(bench.app / "test_mean.txt");
    EXPECT_EQ(mean.rfind("[p4,g0] ", 0), 0u);
    EXPECT_NE(mean.find("\r\n[p4,g7] "), std::string::npos);
    EXPECT_TRUE(fs::exists(bench.app / "test_bk.txt"));
    EXPECT_TRUE(fs::exists(bench.app / "test_desv.txt"));

    FreshConnection fresh(bench.app);
    for (int c = 0; c < kArenaChannels; c += 7) {
        EXPECT_EQ(fresh.link.com.readChannelSetting(c, 8, 200), before[static_cast<std::size_t>(c)])
            << c;
    }
}

TEST(ToolsEndToEnd, FactoryCalibrationTakesOutTheSensorBiasForTheNextConnection) {
    Bench bench("--sensor-bias 1.5");
    ASSERT_TRUE(bench.ready());
    constexpr double kChamber = 22.0;  // the virtual instrument's room, where it rests
    {
        FreshConnection fresh(bench.app);
        ASSERT_TRUE(fresh.state.link.connected);
        EXPECT_GT(fresh.temperature(), kChamber + 1.3);  // reads 1.5 degrees high
    }
    auto tool = bench.start("factory-cal --reference 22.0");
    ASSERT_EQ(tool->wait(60000), 0) << tool->err();
    const nlohmann::json out = output(*tool);
    ASSERT_TRUE(out["set"]["calibrated"].get<bool>()) << tool->out();
    EXPECT_EQ(out["set"]["read_back"]["offset"], out["set"]["new_offset"]);
    EXPECT_EQ(out["set"]["bytes_confirmed"], 7);
    EXPECT_NEAR(out["temperature"].get<double>(), kChamber, 0.1);

    FreshConnection fresh(bench.app);
    ASSERT_TRUE(fresh.state.link.connected);
    EXPECT_TRUE(fresh.state.link.factoryCalibration);
    EXPECT_DOUBLE_EQ(fresh.state.link.temperatureOffset, out["set"]["new_offset"].get<double>());
    EXPECT_NEAR(fresh.temperature(), kChamber, 0.1);
}

TEST(ToolsEndToEnd, AnInstrumentGoneMidwayEndsTheCalibrationWithItsMessageAndSavesNothing) {
    Bench bench("--no-plate");
    ASSERT_TRUE(bench.ready());
    const std::string saved = testing::readBytes(bench.app / "calvalue.dat");
    auto tool = bench.start("arena calibrate --settle-ms 0");
    ASSERT_TRUE(tool->waitForError("Calibrating CH40", 60000)) << tool->err();
    bench.sim->signal(SIGKILL);
    EXPECT_EQ(tool->wait(60000), 1) << tool->err();
    EXPECT_NE(tool->err().find("ERROR"), std::string::npos) << tool->err();
    EXPECT_FALSE(output(*tool)["completed"].get<bool>());
    EXPECT_EQ(testing::readBytes(bench.app / "calvalue.dat"), saved);
}

TEST(ToolsEndToEnd, ASilentInstrumentEndsTheCommandsWithTheirMessage) {
    Bench bench("--silence 1");
    ASSERT_TRUE(bench.ready());
    for (const char* command : {"arena calibrate", "factory-cal --reference 25"}) {
        auto tool = bench.start(command);
        EXPECT_EQ(tool->wait(60000), 1) << command << tool->err();
        EXPECT_NE(tool->err().find("No instrument answered"), std::string::npos) << tool->err();
    }
}

}  // namespace
}  // namespace qv
