// quorvel-tool tag, joint-report, export-signals and track as a user runs them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "analysis/activity_files.h"
#include "series_fixture.h"
#include "store/plate_format.h"
#include "store/tags.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

struct Tool : ::testing::Test {
    testing::SeriesFolder f;

    testing::ProgramRun tool(const std::string& args) {
        return testing::runProgram(testing::binaryDir() / "src" / "cli" / "quorvel-tool",
                                   args + " --app-folder '" + f.app().string() + "'",
                                   f.dir / "err.txt");
    }
    std::string q(const fs::path& p) const { return "'" + p.string() + "'"; }
    // A 6-well zebrafish acquisition of `blocks` blocks; in block 0 the larva of well 3 moves
    // two beam columns and the rest stand still or are absent.
    fs::path tracked(int blocks) {
        testing::AcquisitionFixture settings;
        settings.plateFormat = "w6";
        settings.organism = 1;
        const fs::path acq = f.acquisition(
            "20240614_1530", blocks, [](int, int) { return 1; }, settings);
        PlateFormat plate;
        EXPECT_TRUE(loadPlateFormatWithoutFallback(f.app(), "w6", plate).ok);
        int p = -1;
        for (int c = 0; c < 384 && p < 0; ++c) {
            if (plate.wellOfChannel[c] == 3 && plate.wellOfChannel[c + 32] == 3) {
                p = c;
            }
        }
        for (int k = 0; k < blocks; ++k) {
            SampleBlock b;
            for (int s = 0; s <= 500; ++s) {
                for (int c = 0; c < 384; ++c) {
                    const bool dip = k == 0 && ((c == p && s >= 50 && s < 53) ||
                                                (c == p + 32 && s >= 150 && s < 153));
                    b.at(c, s) = static_cast<std::int16_t>(dip ? 600 : 1000 + 2 * (s % 2));
                }
            }
            EXPECT_TRUE(appendRawBlock(acq, k / kBlocksPerFile, b));
        }
        return acq;
    }
};

TEST_F(Tool, TagSeveralAcquisitionsThenClearOne) {
    const auto a = f.acquisition("20240614_0600", 2, [](int, int) { return 1; });
    const auto b = f.acquisition("20240615_1200", 2, [](int, int) { return 2; });
    const auto r = tool("tag " + q(a) + " " + q(b) + " --tag K2");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = nlohmann::json::parse(r.out);
    EXPECT_EQ(out["tag"], "[K2]");
    ASSERT_EQ(out["acquisitions"].size(), 2u);
    EXPECT_EQ(out["acquisitions"][1]["tags"], "[K2]");
    EXPECT_EQ(acquisitionsWithTag(f.project(), "[K2]"), "20240614_0600 20240615_1200");

    const auto cleared = tool("tag " + q(a) + " --tag clear");
    ASSERT_EQ(cleared.exitCode, 0) << cleared.err;
    EXPECT_EQ(nlohmann::json::parse(cleared.out)["acquisitions"][0]["tags"], "");
    EXPECT_EQ(acquisitionsWithTag(f.project(), "[K2]"), "20240615_1200");

    EXPECT_EQ(tool("tag " + q(a) + " --tag K7").exitCode, 2);
    const auto notAcquisition = tool("tag " + q(f.project()) + " --tag K1");
    EXPECT_EQ(notAcquisition.exitCode, 1);
    EXPECT_NE(notAcquisition.err.find("Tags Apply only to Subprojects (acquisitions)"),
              std::string::npos);
}

TEST_F(Tool, JointReportPrintsTheCsvPath) {
    const auto a = f.acquisition("20240614_0600", 2, [](int, int) { return 1; });
    const auto b = f.acquisition("20240615_1200", 2, [](int, int) { return 3; });
    ASSERT_EQ(tool("tag " + q(a) + " " + q(b) + " --tag K1").exitCode, 0);
    const auto r = tool("joint-report 1 --tag K1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = nlohmann::json::parse(r.out);
    const fs::path path = out["path"].get<std::string>();
    EXPECT_EQ(path.parent_path(), f.project());
    EXPECT_EQ(out["time_unit"], "h");
    EXPECT_EQ(out["time_labels"], (std::vector<std::string>{"0.0", "30.0"}));
    const std::string text = readBytes(path);
    // The installed report settings hold "," as the separator.
    EXPECT_NE(text.find("Acq:,20240614_0600,20240615_1200\r\nGroup/Time[h],0.0,30.0\r\n"
                        "[#000],2,6\r\n"),
              std::string::npos)
        << text;

    EXPECT_EQ(tool("joint-report 1 --tag K3").exitCode, 1);
    EXPECT_EQ(tool("joint-report 1 --tag clear").exitCode, 2);
}

TEST_F(Tool, ExportSignalsWritesDatafileAndRefusesAWellOffThePlate) {
    const fs::path acq = tracked(2);
    const auto r = tool("export-signals " + q(acq) + " --well B2");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = nlohmann::json::parse(r.out);
    EXPECT_EQ(fs::path(out["path"].get<std::string>()), f.app() / "datafile.txt");
    EXPECT_EQ(out["pages"], 1);
    EXPECT_EQ(out["blocks"], 2);
    const std::string text = readBytes(f.app() / "datafile.txt");
    EXPECT_EQ(text.substr(0, 4), "\"\"\r\n");
    EXPECT_NE(text.find("\r\n\r\nWell: B2 Page[1/1] [#0k-25k]\r\n\r\nB2.0 B2.1 "),
              std::string::npos);
    const std::size_t channels = out["channels"].size();
    // Two blocks of 500 samples, a line each, every beam's value and a blank.
    std::string line;
    for (std::size_t c = 0; c < channels; ++c) {
        line += "1000 ";
    }
    EXPECT_NE(text.find("\r\n" + line + "\r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 + 1000);

    EXPECT_EQ(tool("export-signals " + q(acq) + " --well C1").exitCode, 2);
    EXPECT_EQ(tool("export-signals " + q(acq) + " --well A1 --page 2").exitCode, 1);
}

TEST_F(Tool, TrackPrintsTheTableAndEachWellsDistanceWithFrames) {
    const fs::path acq = tracked(2);
    testing::writeBytes(acq / "report.csv", "kept");
    const auto r = tool("track " + q(acq) + " --frames --frame-every 250 --frame-width 48");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = nlohmann::json::parse(r.out);
    EXPECT_EQ(fs::path(out["table"].get<std::string>()), acq / "report_1.csv");
    EXPECT_EQ(readBytes(acq / "report.csv"), "kept");
    EXPECT_EQ(out["blocks"], 2);
    EXPECT_EQ(out["distance_mm"]["B2"], 9.0);
    EXPECT_EQ(out["distance_mm"]["A1"], 0.0);
    EXPECT_EQ(out["frames"], 4);
    for (const char* frame : {"00000.bmp", "00250.bmp", "00500.bmp", "00750.bmp"}) {
        ASSERT_TRUE(fs::exists(acq / "bmp" / frame)) << frame;
        EXPECT_EQ(readBytes(acq / "bmp" / frame).substr(0, 2), "BM");
    }
    EXPECT_NE(r.err.find("block 1/2"), std::string::npos) << r.err;
    EXPECT_EQ(tool("track " + q(acq) + " --frame-width 5").exitCode, 2);
}

TEST_F(Tool, TrackRefusesAPlateWithoutSingleAnimals) {
    const auto acq = f.acquisition("20240614_0600", 2, [](int, int) { return 1; });
    const auto r = tool("track " + q(acq));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("plate w6 with Zebrafish or Drosophila"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qv
