#include <gtest/gtest.h>

#include "analysis/report_fixture.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// Runs quorvel-tool of this build; the test is skipped when it has not been built.
class ReportToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = testing::binaryDir() / "src/cli/quorvel-tool";
        if (!fs::exists(tool_)) {
            GTEST_SKIP() << "quorvel-tool not built";
        }
        testing::writePlateFormat(dir_.path(), "w96f");
        testing::AcquisitionFixture().write(
            folder_, testing::everyMinute(90, [](int, int c) { return c % 3; }));
    }

    testing::ProgramRun run(const std::string& args) {
        return testing::runProgram(tool_, args, dir_ / "stderr.txt");
    }

    std::string app() const { return " --app-folder '" + dir_.path().string() + "'"; }

    testing::TempDir dir_;
    fs::path folder_ = dir_ / "p00003/20240614_1530";
    fs::path tool_;
};

TEST_F(ReportToolTest, WritesTheReportAndPrintsItsPath) {
    const auto r = run("report '" + folder_.string() + "'" + app() +
                       " --bin 30 --layout list --type txt --stderror");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"report\":\"" + (folder_ / "report.txt").string() + "\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(testing::readBytes(folder_ / "report.txt").find("30 \"000_Control\" "),
              std::string::npos);
}

TEST_F(ReportToolTest, MissingPlateFormatFailsWithTheSystemsMessage) {
    fs::remove(dir_ / "w96f.dat");
    const auto r = run("report '" + folder_.string() + "'" + app());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Multiwell Configuration File " + (dir_ / "w96f").string() +
                         ".dat or .bak not found\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST_F(ReportToolTest, ExportWithoutTimeField) {
    const auto r = run("export-wells '" + folder_.string() + "'" + app() + " --bin 30");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testing::readBytes(folder_ / "time.txt"), "1800 3600 5400\r\n");
}

TEST_F(ReportToolTest, BasalFromTheOptions) {
    testing::writeBytes(dir_ / "p00003/20240614_1400/counts.bin",
                        testing::encodeCounts(
                            testing::everyMinute(240, [](int, int c) { return c < 32 ? 0 : 1; })));
    const auto r =
        run("report '" + folder_.string() + "'" + app() + " --basal '" +
            (dir_ / "p00003/20240614_1400").string() + "' --basal-minutes 60 --zero-basal discard");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("BASAL channels."), std::string::npos) << r.err;
    EXPECT_NE(testing::readBytes(folder_ / "report.csv").find("***DATA AS % OF BASAL ACTIVITY***"),
              std::string::npos);
}

// The basal period question cannot be cancelled; standard input at its end must not make it
// come back for ever. timeout ends the program if it does (exit 124).
TEST_F(ReportToolTest, InteractiveBasalQuestionEndsWhenStandardInputHasEnded) {
    testing::writeBytes(
        dir_ / "p00003/20240614_1400/counts.bin",
        testing::encodeCounts(testing::everyMinute(240, [](int, int) { return 1; })));
    const auto r = testing::runProgram("/usr/bin/timeout",
                                       "20 '" + tool_.string() + "' --interactive report '" +
                                           folder_.string() + "'" + app() + " --basal '" +
                                           (dir_ / "p00003/20240614_1400").string() + "'",
                                       dir_ / "stderr.txt");
    EXPECT_EQ(r.exitCode, 2) << r.err.substr(0, 2000);
    EXPECT_NE(r.err.find("standard input ended before an answer"), std::string::npos)
        << r.err.substr(0, 2000);
    EXPECT_LT(r.err.size(), 4000u) << "the question was asked again and again";
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

}  // namespace
}  // namespace qv
