// report and export-wells run as a user runs them: the basal run must be a sibling, its
// period comes from an option or the command stops without waiting, and no output silently
// replaces another.
#include <gtest/gtest.h>

#include "cli/tool_run.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ReportCommands : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(f_.ready); }

    RunResult report(std::vector<std::string> more) const {
        std::vector<std::string> args{"report", f_.acquisition().string(), "--app-folder",
                                      f_.app().string()};
        args.insert(args.end(), more.begin(), more.end());
        RunOptions o = f_.options();
        o.idleInput = true;
        o.limitMs = 20000;
        return runTool(args, o);
    }

    ToolFixture f_;
};

TEST_F(ReportCommands, BasalMustBeAnotherAcquisitionOfTheSameProject) {
    // A same-named folder elsewhere must not send the report to the sibling of that name.
    const fs::path elsewhere = f_.dir / "other" / "20240614_1400";
    fs::create_directories(elsewhere);
    const std::vector<std::string> refused = {(f_.app() / "p00001" / "20240101_0000").string(),
                                              "..",
                                              ".",
                                              elsewhere.string(),
                                              f_.acquisition().string(),
                                              (f_.app() / "p00001").string(),
                                              "20240101_0000"};
    for (const std::string& basal : refused) {
        const RunResult r = report({"--basal", basal, "--basal-minutes", "60"});
        EXPECT_EQ(r.exitCode, 2) << basal << "\n" << r.err;
        EXPECT_NE(r.err.find("not an acquisition folder beside"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(fs::exists(f_.acquisition() / "report.csv")) << basal;
    }
    for (const std::string& basal : {f_.basal().string(), std::string("20240614_1400")}) {
        const RunResult r = report({"--basal", basal, "--basal-minutes", "60"});
        ASSERT_EQ(r.exitCode, 0) << basal << "\n" << r.err;
        EXPECT_EQ(jsonOf(r)["basal"], "20240614_1400");
        EXPECT_NE(readBytes(f_.acquisition() / "report.csv").find("***DATA AS % OF BASAL"),
                  std::string::npos);
    }
}

// The basal run is 240 minutes long, so the window would ask for the period.
TEST_F(ReportCommands, BasalPeriodComesFromTheOptionOrTheCommandStops) {
    RunResult r = report({"--basal", f_.basal().string(), "--basal-minutes", "500"});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("--basal-minutes 500 is out of range: Enter a value between 30 and 240"),
              std::string::npos)
        << r.err;

    r = report({"--basal", f_.basal().string()});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("Basal acquisition is 240min long"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("give --basal-minutes"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(f_.acquisition() / "report.csv"));
}

// An acquisition named "time": its report's copy would be time.txt, the export's file.
TEST_F(ReportCommands, CopyNamedLikeTheExportLeavesTheExportAlone) {
    AcquisitionFixture named;
    named.name = "time";
    named.write(f_.acquisition(), everyMinute(90, [](int, int c) { return c % 5; }));
    RunResult r =
        f_.tool({"export-wells", f_.acquisition().string(), "--app-folder", f_.app().string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;  // no "open:" line either
    const std::string times = readBytes(f_.acquisition() / "time.txt");
    ASSERT_EQ(times, "1800 3600 5400\r\n");

    r = report({"--type", "txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = jsonOf(r);
    EXPECT_TRUE(j["copy"].is_null());
    EXPECT_NE(j["copy_problem"].get<std::string>().find("time.txt"), std::string::npos);
    EXPECT_NE(r.err.find("not written: time.txt"), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(f_.acquisition() / "time.txt"), times);
}

// A name too long for a file: the report is there, the copy is not, and an earlier copy could
// pass for it, so the command fails and says so.
TEST_F(ReportCommands, CopyThatCannotBeWrittenFails) {
    AcquisitionFixture named;
    named.name = std::string(300, 'n');
    named.write(f_.acquisition(), everyMinute(90, [](int, int c) { return c % 5; }));
    const RunResult r = report({});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["report"], (f_.acquisition() / "report.csv").string());
    EXPECT_TRUE(j["copy"].is_null());
    EXPECT_NE(r.err.find("Cannot write the copy named after the acquisition"), std::string::npos)
        << r.err;
}

TEST_F(ReportCommands, ReportWithItsCopy) {
    const RunResult r = report({"--bin", "30", "--layout", "list", "--type", "txt", "--n"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = jsonOf(r);
    EXPECT_EQ(j["bin"], 30);
    EXPECT_TRUE(j["basal"].is_null());
    EXPECT_EQ(j["copy"], (f_.acquisition() / "My_test_1.txt").string());
    EXPECT_EQ(readBytes(f_.acquisition() / "My_test_1.txt"),
              readBytes(f_.acquisition() / "report.txt"));
}

}  // namespace
}  // namespace qv::testing
