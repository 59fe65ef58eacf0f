#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "analysis/report_fixture.h"
#include "support/temp_dir.h"

namespace qv::testing {

// How a program of this build is run from a test, as a user runs it from a shell.
struct RunOptions {
    // NAME=value pairs added to (or replacing in) the environment.
    std::vector<std::string> env;
    // Standard input a pipe that stays open with nothing ever written, like `sleep 300 | ...`:
    // a program that reads it waits until the time limit. Otherwise /dev/null.
    bool idleInput = false;
    int limitMs = 30000;
    // Address-space limit of the program, when given.
    std::optional<std::size_t> addressSpaceBytes;
    std::filesystem::path workingFolder;
};

struct RunResult {
    int exitCode = -1;  // -1 when it did not exit by itself
    bool timedOut = false;
    std::string out;
    std::string err;
    long maxRssKb = 0;
    std::int64_t elapsedMs = 0;
};

std::filesystem::path toolPath();
std::filesystem::path simPath();

RunResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});
inline RunResult runTool(const std::vector<std::string>& args, const RunOptions& options = {}) {
    return runProgram(toolPath(), args, options);
}

// A program left running (the virtual instrument), stopped with SIGTERM when the object goes.
class Background {
  public:
    Background(const std::filesystem::path& program, const std::vector<std::string>& args);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    pid_t pid() const { return pid_; }
    // Sends SIGTERM and waits; the exit code, or -1 when it had to be killed.
    int stop();

  private:
    pid_t pid_ = -1;
};

// Polls until the condition holds or the time passes; true when it held.
bool waitUntil(int limitMs, const std::function<bool()>& condition);

// Standard output of a command as the style wants it, exactly one JSON object on one line:
// the object, or nullopt when the output is anything else.
std::optional<nlohmann::json> jsonLine(const std::string& out);
// The same, failing the test (and giving an empty object) when the output is anything else.
nlohmann::json jsonOf(const RunResult& r);

// An application folder as a newcomer makes it (init, then demo-project, both through the
// tool), with two acquisitions of project 1, and no instrument behind any port.
class ToolFixture {
  public:
    ToolFixture();

    std::filesystem::path app() const { return dir / "app"; }
    std::filesystem::path acquisition() const { return app() / "p00001" / "20240614_1530"; }
    std::filesystem::path basal() const { return app() / "p00001" / "20240614_1400"; }
    std::filesystem::path raw() const { return acquisition() / "0.bin"; }
    std::filesystem::path counts() const { return acquisition() / "counts.bin"; }

    // Every port names a device that does not exist, unless given here.
    RunOptions options(std::vector<std::string> env = {}) const;
    RunResult tool(const std::vector<std::string>& args) const;

    TempDir dir;
    bool ready = false;
};

}  // namespace qv::testing
