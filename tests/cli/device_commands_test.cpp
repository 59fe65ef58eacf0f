// quorvel-tool probe against the virtual instrument on a pseudo-terminal, through the real
// serial layer: connected only when an instrument identified itself and still does.
#include <gtest/gtest.h>

#include <thread>

#include "cli/tool_run.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kConfigHeader =
    "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n";

class ProbeCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(runTool({"init", "--app-folder", app().string()}).exitCode, 0);
    }
    fs::path app() const { return dir_ / "app"; }
    fs::path link(int port) const { return dir_ / ("COM" + std::to_string(port)); }

    // Ports other than `port` name devices that do not exist.
    RunOptions onlyPort(int port) const {
        RunOptions o;
        for (int n = 1; n <= 16; ++n) {
            o.env.push_back("QUORVEL_COM" + std::to_string(n) + "=" +
                            (n == port ? link(n) : dir_ / "absent").string());
        }
        o.idleInput = true;
        o.limitMs = 40000;
        return o;
    }
    bool linked(int port) const {
        return waitUntil(5000, [&] { return fs::is_symlink(link(port)); });
    }

    TempDir dir_;
};

// An instrument that never answers, at the port typed at the question (the search is bounded
// to nothing beyond the configured, empty, port 1 so that the case costs seconds).
TEST_F(ProbeCommand, SilentInstrumentAtTheTypedPortIsOffline) {
    writeBytes(app() / "config.dat", kConfigHeader + "0,0,1,0\r\n");
    Background sim(simPath(), {"--link", link(3).string(), "--silence", "1.0"});
    ASSERT_TRUE(linked(3));
    const RunResult r =
        runTool({"probe", "--app-folder", app().string(), "--port", "3", "--search-ports", "0"},
                onlyPort(3));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["connected"], false);
    EXPECT_EQ(j["offline"], true);
    EXPECT_EQ(j["serial_number"], 0);
    EXPECT_EQ(j["port"], 3);
    // The typed port is saved all the same.
    EXPECT_EQ(readBytes(app() / "config.dat"), kConfigHeader + "0,0,3,0\r\n");
    EXPECT_NE(r.err.find("probe: Opening Port [1]"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("-> 3 (from --port)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("PORT NOT FOUND"), std::string::npos) << r.err;
}

// The instrument identifies itself, then goes away while its calibration is read.
TEST_F(ProbeCommand, InstrumentThatGoesAwayDuringTheProbeIsNoConnection) {
    writeBytes(app() / "config.dat", kConfigHeader + "0,0,2,0\r\n");
    const fs::path log = dir_ / "frames.jsonl";
    Background sim(simPath(),
                   {"--link", link(2).string(), "--serial", "77", "--log", log.string()});
    ASSERT_TRUE(linked(2));
    // The last calibration byte asked for: the instrument goes as the question arrives.
    std::thread unplug([&] {
        waitUntil(30000, [&] {
            return readBytes(log).find("\"frame\":[255,0,32,135,240]") != std::string::npos;
        });
        sim.stop();
    });
    const RunResult r =
        runTool({"probe", "--app-folder", app().string(), "--search-ports", "0"}, onlyPort(2));
    unplug.join();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["connected"], false);
    EXPECT_EQ(j["offline"], true);
    EXPECT_NE(r.err.find("The instrument on COM2 stopped answering"), std::string::npos) << r.err;
}

TEST_F(ProbeCommand, InstrumentThatAnswersIsConnected) {
    writeBytes(app() / "config.dat", kConfigHeader + "0,0,2,0\r\n");
    Background sim(simPath(), {"--link", link(2).string(), "--serial", "77"});
    ASSERT_TRUE(linked(2));
    const RunResult r =
        runTool({"probe", "--app-folder", app().string(), "--search-ports", "0"}, onlyPort(2));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["connected"], true);
    EXPECT_EQ(j["serial_number"], 77);
    EXPECT_NE(r.err.find("probe: Reading Factory Calibration..."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qv::testing
