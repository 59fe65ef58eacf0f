#include <gtest/gtest.h>

#include <cstdlib>

#include "analysis/report_fixture.h"
#include "analysis/report_generate.h"
#include "analysis/report_histogram.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::AcquisitionFixture;
using testing::readBytes;
using testing::writeBytes;

// Runs inside a fresh application folder so that the report's FILE line is the same relative
// path on every machine.
class ReportWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(dir_.path());
        testing::writePlateFormat(".", "w96f");
        testing::writePlateFormat(".", "w384");
        fixture_.channelGroups.resize(kChannels);
        for (int c = 0; c < kChannels; ++c) {
            fixture_.channelGroups[c] = c < 368 ? c / 128 : -1;
        }
    }
    void TearDown() override { fs::current_path(previous_); }

    static std::vector<CountsFileRecord> run(int minutes) {
        return testing::everyMinute(minutes,
                                    [](int i, int c) { return c % 7 + i % 3 + (i / 30) * 2; });
    }

    ReportOutcome generate(ReportRequest r) {
        r.appFolder = ".";
        return generateReport(r, ui_, clock_);
    }

    ReportRequest request(ReportLayout layout, bool csv = true) {
        ReportRequest r;
        r.folder = folder_;
        r.bin = 30;
        r.options.layout = layout;
        r.options.csv = csv;
        r.options.separator = csv ? "," : " ";
        r.options.stdError = r.options.stdDev = r.options.count = true;
        return r;
    }

    void expectGolden(const fs::path& written, const std::string& golden) {
        const fs::path file = testing::sourceDir() / "tests/analysis/golden" / golden;
        const std::string text = readBytes(written);
        if (std::getenv("QV_UPDATE_GOLDEN") != nullptr) {
            writeBytes(file, text);
        }
        EXPECT_EQ(text, readBytes(file)) << golden;
    }

    testing::TempDir dir_;
    fs::path previous_;
    fs::path folder_ = "p00003/20240614_1530";
    AcquisitionFixture fixture_;
    ScriptedUi ui_;
    TestClock clock_{DateTime{2024, 6, 14, 17, 5, 9, 0}};
};

TEST_F(ReportWriterTest, RowsGolden) {
    fixture_.write(folder_, run(90));
    const auto out = generate(request(ReportLayout::Rows));
    ASSERT_TRUE(out.path) << (ui_.messages.empty() ? "" : ui_.messages.front());
    EXPECT_EQ(*out.path, folder_ / "report.csv");
    expectGolden(*out.path, "rows.csv");
    // The copy named after the acquisition, and the report opened for the user.
    EXPECT_EQ(readBytes(folder_ / "My_test_1.csv"), readBytes(*out.path));
    ASSERT_EQ(ui_.opened.size(), 1u);
    EXPECT_EQ(ui_.opened[0].path, (folder_ / "report.csv").string());
    EXPECT_EQ(ui_.opened[0].kind, ExternalKind::Document);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ReportWriterTest, ListGoldenAsText) {
    fixture_.write(folder_, run(90));
    const auto out = generate(request(ReportLayout::List, false));
    ASSERT_TRUE(out.path);
    expectGolden(*out.path, "list.txt");
    EXPECT_TRUE(fs::exists(folder_ / "My_test_1.txt"));
    ASSERT_EQ(ui_.opened.size(), 1u);
    EXPECT_EQ(ui_.opened[0].kind, ExternalKind::TextViewer);
}

TEST_F(ReportWriterTest, WellArrayGolden) {
    fixture_.write(folder_, run(90));
    const auto out = generate(request(ReportLayout::WArray));
    ASSERT_TRUE(out.path);
    expectGolden(*out.path, "warray.csv");
}

TEST_F(ReportWriterTest, ChannelArrayGoldenOnOneBeamPlate) {
    fixture_.plateFormat = "w384";
    fixture_.write(folder_, run(90));
    const auto out = generate(request(ReportLayout::CHArray));
    ASSERT_TRUE(out.path);
    expectGolden(*out.path, "charray.csv");
}

TEST_F(ReportWriterTest, RowsGoldenAsPercentOfBasal) {
    fixture_.write(folder_, run(90));
    // A basal run of 40 minutes: the basal period is one bin without a question.
    writeBytes("p00003/20240614_1400/counts.bin",
               testing::encodeCounts(testing::everyMinute(
                   40, [](int, int c) { return c == 0 || c == 16 ? 0 : c % 5 + 1; })));
    auto r = request(ReportLayout::Rows);
    r.basalName = "20240614_1400 before treatment";
    ui_.queueAnswer(Answer::Yes);     // wells with a zero basal: proceed
    ui_.queueAnswer(Answer::Cancel);  // and discard them
    const auto out = generate(r);
    ASSERT_TRUE(out.path) << (ui_.messages.empty() ? "" : ui_.messages.back());
    expectGolden(*out.path, "rows_basal.csv");
    const std::string text = readBytes(*out.path);
    EXPECT_NE(text.find("\"TIME0(BASAL MEASSURE):\",\"20240614_1400 before treatment\"\r\n\r\n"
                        "\"***DATA AS % OF BASAL ACTIVITY***\"\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Group/Time[m],0,30,60,90\r\n\"000_Control\",100,"), std::string::npos);
    EXPECT_NE(text.find("Temp[\xB0"
                        "C],?,21.5"),
              std::string::npos);
    EXPECT_TRUE(ui_.scriptUsedUp());
    // Well A1 had no basal activity: it is reported free.
    EXPECT_NE(text.find("A1,\"999_Free\",100,-999,-999,-999\r\n"), std::string::npos);
}

TEST_F(ReportWriterTest, HistogramGolden) {
    fixture_.write(folder_, run(60));
    std::string bytes;
    for (int r = 0; r < 4; ++r) {
        const double minutes = 15.0 * (r + 1);
        const double period = 0.03;
        bytes.append(reinterpret_cast<const char*>(&minutes), 8);
        bytes.append(reinterpret_cast<const char*>(&period), 8);
        for (int i = 0; i < 385 * kHistogramBinsStored; ++i) {
            const int bin = i / 385;
            const std::int32_t v = (bin >= 2 && bin < 6) ? (i % 385) % 5 + r : 0;
            bytes.append(reinterpret_cast<const char*>(&v), 4);
        }
    }
    writeBytes(folder_ / "histo0000.bin", bytes);
    auto r = request(ReportLayout::Histogram);
    r.options.stdError = r.options.stdDev = r.options.count = false;
    const auto out = generate(r);
    ASSERT_TRUE(out.path) << (ui_.messages.empty() ? "" : ui_.messages.front());
    expectGolden(*out.path, "histogram.csv");
}

TEST_F(ReportWriterTest, HistogramLayoutWithoutHistogramFiles) {
    fixture_.write(folder_, run(60));
    EXPECT_FALSE(generate(request(ReportLayout::Histogram)).path);
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"Error getting Histogram.bin data"});
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

TEST_F(ReportWriterTest, RowsHaveOneTimeColumnPerBin) {
    fixture_.write(folder_, run(90));
    const auto out = generate(request(ReportLayout::Rows));
    ASSERT_TRUE(out.path);
    const std::string text = readBytes(*out.path);
    EXPECT_NE(text.find("Group/Time[m],30,60,90\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"SETTING:\",\"Mode1 C.elegans[snr=1.8]\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"002_Mutants\""), std::string::npos);
    EXPECT_NE(text.find("\"999_Free\""), std::string::npos);
}

TEST_F(ReportWriterTest, HeldReportGoesToTheNextFreeName) {
    fixture_.write(folder_, run(90));
    // A folder in the way stands for a report.csv that another program holds open.
    fs::create_directories(folder_ / "report.csv");
    const auto out = generate(request(ReportLayout::Rows));
    ASSERT_TRUE(out.path);
    EXPECT_EQ(*out.path, folder_ / "report_1.csv");
    fs::remove(folder_ / "report_1.csv");
    fs::create_directories(folder_ / "report_1.csv");
    EXPECT_EQ(*generate(request(ReportLayout::Rows)).path, folder_ / "report_2.csv");
}

// An acquisition named like an output of the folder keeps its report, and the export's file
// of that name stays the export's.
TEST_F(ReportWriterTest, CopyNamedLikeAnotherOutputIsNotWritten) {
    for (const char* name : {"time", "000_A1", "ch000007", "report_2"}) {
        fixture_.name = name;
        fixture_.write(folder_, run(90));
        const fs::path other = folder_ / (std::string(name) + ".txt");
        writeBytes(other, "1800 3600 5400\r\n");
        ui_.messages.clear();
        const auto out = generate(request(ReportLayout::Rows, false));
        ASSERT_TRUE(out.path) << name;
        EXPECT_EQ(readBytes(other), "1800 3600 5400\r\n") << name;
        EXPECT_FALSE(out.copy.written);
        EXPECT_TRUE(out.copy.nameTaken);
        ASSERT_EQ(ui_.messages.size(), 1u) << name;
        EXPECT_EQ(ui_.messages[0],
                  "Copy named after the acquisition not written: " + std::string(name) +
                      ".txt is the name of another output of the folder");
    }
}

TEST_F(ReportWriterTest, CopyThatCannotBeWrittenIsSaidSo) {
    fixture_.write(folder_, run(90));
    // A folder in the way stands for a copy that cannot be replaced (read-only, held).
    fs::create_directories(folder_ / "My_test_1.csv");
    const auto out = generate(request(ReportLayout::Rows));
    ASSERT_TRUE(out.path);
    EXPECT_FALSE(out.copy.written);
    EXPECT_FALSE(out.copy.nameTaken);
    EXPECT_EQ(out.copy.path, folder_ / "My_test_1.csv");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0], "Cannot write the copy named after the acquisition: " +
                                   (folder_ / "My_test_1.csv").string() +
                                   " (the file there holds an earlier report)");
}

TEST_F(ReportWriterTest, AutoreportDoesNotOpenTheFile) {
    fixture_.write(folder_, run(90));
    auto r = request(ReportLayout::Rows);
    r.options.autoreport = true;
    EXPECT_TRUE(generate(r).path);
    EXPECT_TRUE(ui_.opened.empty());
}

TEST_F(ReportWriterTest, MissingInputsGiveTheSystemsMessages) {
    fixture_.write(folder_, run(90));
    fs::remove(folder_ / "counts.bin");
    EXPECT_FALSE(generate(request(ReportLayout::Rows)).path);
    EXPECT_EQ(ui_.messages.back(), "Activity file not Found");

    fixture_.plateFormat = "w24";
    fixture_.write(folder_, run(90));
    EXPECT_FALSE(generate(request(ReportLayout::Rows)).path);
    EXPECT_EQ(ui_.messages.back(), "Multiwell Configuration File " +
                                       (fs::path(".") / "w24").string() + ".dat or .bak not found");
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

TEST_F(ReportWriterTest, PlateFormatBackupIsUsed) {
    fixture_.plateFormat = "w24";
    fixture_.write(folder_, run(90));
    fs::copy_file("w384.dat", "w24.bak");
    EXPECT_TRUE(generate(request(ReportLayout::Rows)).path);
}

TEST_F(ReportWriterTest, MissingGroupsFileFallsBackToDefaultNames) {
    fixture_.writeGroupsFile = false;
    fixture_.write(folder_, run(90));
    const auto out = generate(request(ReportLayout::Rows));
    ASSERT_TRUE(out.path);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0],
              "Error [" + (folder_ / "groups.dat").string() + "] => Loading default groups...");
    EXPECT_NE(readBytes(*out.path).find("\"001_Group1\""), std::string::npos);
}

TEST_F(ReportWriterTest, TruncatedAndEmptyActivityFiles) {
    fixture_.write(folder_, run(90));
    std::string bytes = readBytes(folder_ / "counts.bin");
    writeBytes(folder_ / "counts.bin", bytes.substr(0, bytes.size() - 300));
    const auto out = generate(request(ReportLayout::Rows));
    ASSERT_TRUE(out.path);  // the 89 whole records make the report
    EXPECT_EQ(out.bin, 30);

    fs::remove(*out.path);
    writeBytes(folder_ / "counts.bin", bytes.substr(0, 500));
    EXPECT_FALSE(generate(request(ReportLayout::Rows)).path);
    EXPECT_EQ(ui_.messages.back(), "Resampling ERROR");
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

TEST_F(ReportWriterTest, AllZeroStampsReportTheFailure) {
    fixture_.write(folder_, testing::makeRecords({0, 0, 0, 0}, [](int, int) { return 1; }));
    const auto out = generate(request(ReportLayout::Rows));
    EXPECT_FALSE(out.path);
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"Resampling ERROR"});
}

TEST_F(ReportWriterTest, GarbageSettingsDoNotCrash) {
    fixture_.write(folder_, run(90));
    writeBytes(folder_ / "chgroup.dat", std::string("\"x\"\r\n1,\"a\"\r\n\xff\xfe", 15));
    writeBytes("w96f.dat", "\"w96f\",\"h\",8,2");
    EXPECT_FALSE(generate(request(ReportLayout::Rows)).path);
    ASSERT_GE(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0],
              "Error [" + (folder_ / "chgroup.dat").string() + "] => Loading default groups...");
}

TEST_F(ReportWriterTest, EveryInputFileGarbledOrCutShort) {
    // Each stored file in turn: empty, cut in the middle, and random bytes. The action either
    // writes a report or says why not; it never crashes or claims a report it did not write.
    std::uint32_t seed = 12345;
    auto garbage = [&seed](std::size_t n) {
        std::string s(n, '\0');
        for (auto& ch : s) {
            seed = seed * 1103515245u + 12345u;
            ch = static_cast<char>(seed >> 16);
        }
        return s;
    };
    for (const char* name : {"counts.bin", "setup.dat", "groups.dat", "chgroup.dat", "subproj.dat",
                             "histo0000.bin", "../../w96f.dat"}) {
        for (int variant = 0; variant < 3; ++variant) {
            fixture_.write(folder_, run(60));
            fs::remove("w96f.dat");
            testing::writePlateFormat(".", "w96f");
            const fs::path file = folder_ / name;
            const std::string good = fs::exists(file) ? readBytes(file) : std::string(800, 'x');
            writeBytes(file, variant == 0   ? std::string()
                             : variant == 1 ? good.substr(0, good.size() / 2)
                                            : garbage(good.size()));
            for (auto layout : {ReportLayout::Rows, ReportLayout::Histogram}) {
                fs::remove(folder_ / "report.csv");
                ui_.messages.clear();
                const auto out = generate(request(layout));
                EXPECT_EQ(out.path.has_value(), fs::exists(folder_ / "report.csv")) << name;
                if (!out.path) {
                    EXPECT_FALSE(ui_.messages.empty()) << name << " variant " << variant;
                }
            }
        }
    }
}

TEST(ReportCopyName, BlanksAndSeparatorsBecomeUnderscores) {
    EXPECT_EQ(acquisitionCopyName("My test 1", ".txt"), "My_test_1.txt");
    EXPECT_EQ(acquisitionCopyName("../up", ".csv"), ".._up.csv");
    EXPECT_EQ(acquisitionCopyName("Ni\xf1o 2", ".txt"), "Ni\xc3\xb1o_2.txt");
}

TEST(ReportCopyName, NamesOfOtherOutputsAreTaken) {
    for (const char* taken : {"time.txt", "ch000000.txt", "ch000383.txt", "005_F1.txt",
                              "383_P24.txt", "report.csv", "report.txt", "report_12.txt"}) {
        EXPECT_TRUE(isOtherOutputName(taken)) << taken;
    }
    for (const char* free : {"time.csv", "ch12.txt", "005_f1.txt", "005-F1.txt", "00_F1.txt",
                             "005_F.txt", "reports.txt", "report_x.csv", "My_test_1.txt"}) {
        EXPECT_FALSE(isOtherOutputName(free)) << free;
    }
}

}  // namespace
}  // namespace qv
