// The main window's Connect action against quorvel-sim, as built, on a pseudo-terminal
// through the real POSIX serial layer.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/posix_backend.h"
#include "window_fixture.h"

extern char** environ;

namespace qv {
namespace {

namespace fs = std::filesystem;

pid_t spawnSim(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

// Stops the virtual instrument however the test ends.
struct SimProcess {
    pid_t pid;
    ~SimProcess() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

TEST(ConnectEndToEnd, SerialNumberAndFactoryCalibrationArriveFromTheVirtualInstrument) {
    SystemClock realTime;
    testing::WindowFixture f;
    const fs::path link = f.dir / "COM4";
    const fs::path sim = testing::binaryDir() / "src" / "cli" / "quorvel-sim";
    SimProcess process{spawnSim({sim.string(), "--link", link.string(), "--serial", "123"})};
    ASSERT_GT(process.pid, 0);
    for (int waited = 0; waited < 5000 && !fs::is_symlink(link); waited += 20) {
        realTime.sleepMs(20);
    }
    ASSERT_TRUE(fs::is_symlink(link));

    // COM4, the installation's port, is the link; no other port exists.
    device::PosixBackend ports(realTime,
                               [&](const std::string& name) -> std::optional<std::string> {
                                   if (name == "QUORVEL_COM4") {
                                       return link.string();
                                   }
                                   return (f.dir / ("absent_" + name)).string();
                               });
    f.otherPorts = &ports;
    f.deviceClock = &realTime;
    ASSERT_TRUE(f.load());
    f.init().optionClick(StartScreen::RunLatest);

    const device::LinkState& s = f.state().link;
    EXPECT_TRUE(s.connected);
    EXPECT_FALSE(s.offline);
    EXPECT_EQ(s.currentPort, 4);
    EXPECT_EQ(s.serialNumber, 123);
    EXPECT_TRUE(s.factoryCalibration);
    EXPECT_DOUBLE_EQ(s.temperatureSlope, 0.219);
    EXPECT_DOUBLE_EQ(s.temperatureOffset, 0.5);
    EXPECT_EQ(s.calibrationMonth, 6);
    EXPECT_EQ(s.calibrationYear, 24);
    EXPECT_TRUE(f.main().Frm_Main.visible);
    EXPECT_EQ(f.main().lbl_devicestatus.text, "SERIAL : QRVL00123 on COM4");
    EXPECT_TRUE(f.ui.messages.empty());

    f.ui.queueAnswer(Answer::No);
    f.main().Form_Unload();
    EXPECT_FALSE(f.device().comm.isOpen(4));
}

}  // namespace
}  // namespace qv
