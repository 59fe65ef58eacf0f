#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "analysis/activity_files.h"
#include "analysis/recorded_run.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// quorvel-tool reanalyse on a recorded run; skipped when the tool has not been built.
class ReanalyseToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = testing::binaryDir() / "src/cli/quorvel-tool";
        if (!fs::exists(tool_)) {
            GTEST_SKIP() << "quorvel-tool not built";
        }
        testing::writePlateFormat(dir_.path(), "w96f");
        testing::RecordedRun run;
        run.blocks = 12;
        run.stamp = [](int b) { return b; };
        run.write(folder_);
    }

    testing::ProgramRun run(const std::string& options) {
        return testing::runProgram(tool_,
                                   "reanalyse '" + folder_.string() + "' --app-folder '" +
                                       dir_.path().string() + "' " + options,
                                   dir_ / "stderr.txt");
    }

    testing::TempDir dir_;
    fs::path folder_ = dir_ / "p00003/20240614_1530";
    fs::path tool_;
};

TEST_F(ReanalyseToolTest, ReportsTheNewCountsAndSaysWhatItDid) {
    const std::string before = testing::readBytes(countsFilePath(folder_));
    auto r = run("--method 0 --snr 2.5 --bin 5 --hours 0.1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["records"], 7);  // minutes 0..6: the first record at the limit ends the run
    EXPECT_EQ(j["report"], (folder_ / "report.csv").string());
    EXPECT_EQ(j["replaced"], false);
    EXPECT_GE(j["seconds"].get<double>(), 0.0);
    EXPECT_NE(r.err.find("Block 7/8"), std::string::npos) << r.err;
    EXPECT_NE(testing::readBytes(folder_ / "report.csv")
                  .find("0_Threshold+Binary (Old Method.w/filters) C elegans(>L4) [SNR=2.5]"),
              std::string::npos);
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);

    r = run("--method 1 --snr 1.8 --replace --export-raw");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["replaced"], true);
    EXPECT_EQ(nlohmann::json::parse(r.out)["records"], 12);
    EXPECT_EQ(testing::readBytes(folder_ / "counts.bak"), before);
    EXPECT_TRUE(fs::exists(folder_ / "ch0.raw"));
}

TEST_F(ReanalyseToolTest, MissingRawDataFailsWithTheSystemsMessage) {
    fs::remove(rawFilePath(folder_, 0));
    const auto r = run("--method 1 --snr 1.8");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Real Time Data Not Found"), std::string::npos) << r.err;
}

TEST_F(ReanalyseToolTest, ValuesOutOfRangeAreRefused) {
    for (const char* bad :
         {"--method 4 --snr 1.8", "--method 3 --snr 1.2 --organism 3", "--method 1 --snr 0.9",
          "--method 1 --snr 1.8 --hours 0.01", "--method 1 --snr 1.8 --bin 1", "--method 1"}) {
        SCOPED_TRACE(bad);
        const auto r = run(bad);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

}  // namespace
}  // namespace qv
