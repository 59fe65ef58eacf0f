#include "store/report_config.h"

#include <gtest/gtest.h>

#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

const char* const kHeader =
    "\"<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, <n>, <out_format>, "
    "<organism>, <method>, <threshold>, <rawexport>\"\r\n";

void writeConfig(const TempDir& dir, const std::string& fields) {
    writeBytes(dir / "repoconf.dat", std::string(kHeader) + fields + "\r\n");
}

TEST(ReportConfig, ReadsEveryFieldAndReturnsTheStoredFlag) {
    TempDir dir;
    ScriptedUi ui;
    writeConfig(dir, "1,60,1,\";\",0,1,0,2,3,2,25,1");
    ReportConfig c;
    EXPECT_EQ(loadReportConfig(dir.path(), 1, c, ",", ui), 1);
    EXPECT_EQ(c.Bin, 60);
    EXPECT_EQ(c.filetype, 1);
    EXPECT_EQ(c.spacer, ";");
    EXPECT_EQ(c.stdError, 0);
    EXPECT_EQ(c.stdDev, 1);
    EXPECT_EQ(c.n, 0);
    EXPECT_EQ(c.out_format, 2);
    EXPECT_EQ(c.organism, 3);
    EXPECT_EQ(c.method, 2);
    EXPECT_EQ(c.threshold, 25);
    EXPECT_EQ(c.rawexport, 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ReportConfig, OutOfRangeFieldsFallBackOneByOne) {
    TempDir dir;
    ScriptedUi ui;
    writeConfig(dir, "0,1,2,\"|\",5,-1,3,4,4,3,31,9");
    ReportConfig c;
    EXPECT_EQ(loadReportConfig(dir.path(), 1, c, ",", ui), 0);
    EXPECT_EQ(c.Bin, 30);
    EXPECT_EQ(c.filetype, 0);
    EXPECT_EQ(c.spacer, "|");
    EXPECT_EQ(c.stdError, 1);
    EXPECT_EQ(c.stdDev, 0);
    EXPECT_EQ(c.n, 1);
    EXPECT_EQ(c.out_format, 0);
    EXPECT_EQ(c.organism, 0);
    EXPECT_EQ(c.method, 1);
    EXPECT_EQ(c.threshold, 18);
    EXPECT_EQ(c.rawexport, 0);
    EXPECT_TRUE(ui.messages.empty());

    writeConfig(dir, "1,1440,0,\",\",1,0,1,3,0,0,5,0");
    loadReportConfig(dir.path(), 1, c, ",", ui);
    EXPECT_EQ(c.Bin, 1440);
    EXPECT_EQ(c.out_format, 3);
    EXPECT_EQ(c.threshold, 5);
}

TEST(ReportConfig, ResetWithZeroOverwritesTheFileWithDefaults) {
    TempDir dir;
    ScriptedUi ui;
    writeConfig(dir, "1,60,1,\";\",0,1,0,2,3,2,25,1");
    ReportConfig c;
    EXPECT_EQ(loadReportConfig(dir.path(), 0, c, ";", ui), 0);
    EXPECT_EQ(c.Bin, 30);
    EXPECT_EQ(c.spacer, ";");
    EXPECT_EQ(readBytes(dir / "repoconf.dat"),
              std::string(kHeader) + "0,30,0,\";\",1,0,1,0,0,1,18,0\r\n");
}

TEST(ReportConfig, MissingFileIsWrittenWithTheRequestedFlag) {
    TempDir dir;
    ScriptedUi ui;
    ReportConfig c;
    EXPECT_EQ(loadReportConfig(dir.path(), 1, c, "", ui), 1);
    EXPECT_EQ(c.spacer, ",");
    EXPECT_EQ(readBytes(dir / "repoconf.dat"),
              std::string(kHeader) + "1,30,0,\",\",1,0,1,0,0,1,18,0\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ReportConfig, UnreadableFileGivesMessageDefaultsAndFlagZero) {
    for (const std::string fields :
         {"1,30,0", "1,abc,0,\",\",1,0,1,0,0,1,18,0", "1,99999,0,\",\",1,0,1,0,0,1,18,0"}) {
        TempDir dir;
        ScriptedUi ui;
        writeConfig(dir, fields);
        ReportConfig c;
        c.Bin = 120;
        EXPECT_EQ(loadReportConfig(dir.path(), 1, c, ";", ui), 0) << fields;
        EXPECT_EQ(c.Bin, 30);
        EXPECT_EQ(c.spacer, ";");
        EXPECT_EQ(ui.messages,
                  std::vector<std::string>{"Error loading repoconf.dat -> Using Default values"});
        EXPECT_EQ(readBytes(dir / "repoconf.dat"),
                  std::string(kHeader) + "0,30,0,\";\",1,0,1,0,0,1,18,0\r\n");
    }
}

TEST(ReportConfig, SaveRoundTripsAndReportsFailure) {
    TempDir dir;
    ScriptedUi ui;
    ReportConfig c;
    c.Bin = 15;
    c.spacer = "\t";
    c.out_format = 1;
    ASSERT_TRUE(saveReportConfig(dir.path(), 1, c, ui));
    ReportConfig back;
    EXPECT_EQ(loadReportConfig(dir.path(), 1, back, ",", ui), 1);
    EXPECT_EQ(back.Bin, 15);
    EXPECT_EQ(back.spacer, "\t");
    EXPECT_EQ(back.out_format, 1);

    EXPECT_FALSE(saveReportConfig(dir / "no such folder", 1, c, ui));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Error Writing Report Configuration (repoconf.dat)"});
}

TEST(ReportConfig, DefaultsTakeTheListSeparatorAndKeepTheFlag) {
    ReportConfig c;
    c.User_defined = 1;
    c.Bin = 5;
    setReportDefaults(c, ";");
    EXPECT_EQ(c.spacer, ";");
    EXPECT_EQ(c.Bin, 30);
    EXPECT_EQ(c.User_defined, 1);
    EXPECT_FALSE(reportListSeparator().empty());
}

}  // namespace
}  // namespace qv
