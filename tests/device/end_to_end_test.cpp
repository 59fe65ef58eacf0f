// quorvel-sim on a pseudo-terminal and quorvel-tool probe against it through the POSIX
// serial layer: the two programs as they are built.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "support/temp_dir.h"

extern char** environ;

namespace qv::device {
namespace {

namespace fs = std::filesystem;

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output, when captured
};

Child spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            bool captureOut) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        envStrings.emplace_back(*e);
    }
    envStrings.insert(envStrings.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : envStrings) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int pipeFds[2] = {-1, -1};
    if (captureOut && pipe(pipeFds) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    }
    Child c;
    if (posix_spawn(&c.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        c.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (captureOut) {
        close(pipeFds[1]);
        c.out = pipeFds[0];
    }
    return c;
}

// Exit status, or -1 when the child had to be killed after the time limit.
int waitFor(pid_t pid, int limitMs, Clock& clock) {
    for (int waited = 0; waited < limitMs; waited += 20) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        clock.sleepMs(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

std::string readAll(int fd) {
    std::string s;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
        s.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return s;
}

TEST(EndToEnd, ProbeFindsTheVirtualInstrumentOnAPseudoTerminal) {
    SystemClock clock;
    qv::testing::TempDir dir;
    const fs::path bin = qv::testing::binaryDir() / "src" / "cli";
    const fs::path link = dir / "COM5";
    const std::string config =
        "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n"
        "1,1,2,0\r\n";
    qv::testing::writeBytes(dir / "app" / "config.dat", config);

    const Child sim = spawn({(bin / "quorvel-sim").string(), "--link", link.string(), "--serial",
                             "77", "--seed", "3", "--log", (dir / "frames.jsonl").string()},
                            {}, false);
    ASSERT_GT(sim.pid, 0);
    for (int waited = 0; waited < 5000 && !fs::is_symlink(link); waited += 20) {
        clock.sleepMs(20);
    }
    ASSERT_TRUE(fs::is_symlink(link));

    // Port 2 is configured but holds nothing; the search finds the instrument on port 5.
    std::vector<std::string> env;
    for (int n = 1; n <= 16; ++n) {
        const fs::path device = n == 5 ? link : dir / ("absent" + std::to_string(n));
        env.push_back("QUORVEL_COM" + std::to_string(n) + "=" + device.string());
    }
    const Child probe =
        spawn({(bin / "quorvel-tool").string(), "probe", "--app-folder", (dir / "app").string()},
              env, true);
    ASSERT_GT(probe.pid, 0);
    const std::string out = readAll(probe.out);
    EXPECT_EQ(waitFor(probe.pid, 30000, clock), 0) << out;

    const auto j = nlohmann::json::parse(out);
    EXPECT_EQ(j["port"], 5) << out;
    EXPECT_EQ(j["serial_number"], 77) << out;
    EXPECT_EQ(j["connected"], true) << out;
    EXPECT_EQ(j["offline"], false) << out;
    EXPECT_EQ(j["factory_calibration"], true) << out;
    EXPECT_DOUBLE_EQ(j["slope"].get<double>(), 0.219) << out;
    EXPECT_DOUBLE_EQ(j["offset"].get<double>(), 0.5) << out;
    EXPECT_EQ(j["calibration_month"], 6) << out;
    EXPECT_EQ(j["calibration_year"], 24) << out;
    // Nothing was typed, so the configuration stays as it was.
    EXPECT_EQ(qv::testing::readBytes(dir / "app" / "config.dat"), config);

    kill(sim.pid, SIGTERM);
    EXPECT_EQ(waitFor(sim.pid, 5000, clock), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    const std::string log = qv::testing::readBytes(dir / "frames.jsonl");
    EXPECT_NE(log.find("\"frame\":[255,0,0,0,240]"), std::string::npos) << log;
    EXPECT_NE(log.find("\"register\":32,\"reply\":2"), std::string::npos) << log;
}

TEST(EndToEnd, ProbeWithoutAnInstrumentReportsOffline) {
    SystemClock clock;
    qv::testing::TempDir dir;
    const fs::path bin = qv::testing::binaryDir() / "src" / "cli";
    qv::testing::writeBytes(dir / "app" / "config.dat",
                            "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,"
                            "<Restart_Time>\"\r\n1,1,4,0\r\n");
    std::vector<std::string> env;
    for (int n = 1; n <= 16; ++n) {
        env.push_back("QUORVEL_COM" + std::to_string(n) + "=" + (dir / "absent").string());
    }
    // Standard input is empty: the question for a port number gets no answer.
    const Child probe =
        spawn({(bin / "quorvel-tool").string(), "probe", "--app-folder", (dir / "app").string()},
              env, true);
    ASSERT_GT(probe.pid, 0);
    const std::string out = readAll(probe.out);
    EXPECT_EQ(waitFor(probe.pid, 30000, clock), 1) << out;
    const auto j = nlohmann::json::parse(out);
    EXPECT_EQ(j["offline"], true) << out;
    EXPECT_EQ(j["connected"], false) << out;
}

}  // namespace
}  // namespace qv::device
