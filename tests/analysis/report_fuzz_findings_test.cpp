// Faults the report_folder fuzz target found in the report's reading of an acquisition folder,
// replayed from the inputs that showed them (tests/analysis/fuzz_findings/).
#include <gtest/gtest.h>

#include <climits>

#include "analysis/activity_files.h"
#include "analysis/report_acquisition.h"
#include "analysis/report_generate.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "support/fuzz_finding.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

// The case as the report_folder target lays it: an installed application folder, an
// acquisition of project 1 with the installed settings snapshot, then the input's files.
struct ReportCase {
    TempDir dir;
    fs::path app = dir.path();
    fs::path folder = app / "p00001" / "20240614_1530";

    explicit ReportCase(const std::string& finding) {
        for (const auto& entry : fs::directory_iterator(testing::sourceDir() / "data")) {
            fs::copy_file(entry.path(), app / entry.path().filename());
        }
        for (const char* name :
             {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
            writeBytes(folder / name, readBytes(app / name));
        }
        const auto parts = testing::fuzzFindingParts("analysis", finding, 7);
        writeBytes(folder / "counts.bin", parts.at(1));
        for (const std::string& number : {std::string("0000"), std::string("99999999")}) {
            if (parts.at(3).find(number) != std::string::npos) {
                writeBytes(folder / ("histo" + number + ".bin"), parts.at(2));
            }
        }
        writeBytes(folder / "subproj.dat", parts.at(4));
    }

    ReportOutcome generate(ReportLayout layout, bool csv) {
        ReportRequest request;
        request.folder = folder;
        request.appFolder = app;
        request.bin = layout == ReportLayout::Histogram ? 15 : 30;
        request.options.layout = layout;
        request.options.csv = csv;
        request.options.autoreport = true;
        request.basalName = "-";
        return generateReport(request, ui, clock);
    }

    ScriptedUi ui;
    TestClock clock;
};

// An acquisition named "counts.bin" followed by a NUL: the copy of the report named after it
// was opened as "counts.bin" and replaced the run's activity records with the report text.
TEST(ReportFuzzFindings, AcquisitionNameWithNulNeverNamesAnotherFile) {
    ReportCase c("report_copy_nul_in_name");
    const std::string counts = readBytes(c.folder / "counts.bin");
    ASSERT_EQ(readAcquisitionSettings(c.folder, c.app, c.ui)->name,
              std::string("counts.bin\0", 11));

    const ReportOutcome outcome = c.generate(ReportLayout::Rows, false);

    ASSERT_TRUE(outcome.path.has_value());
    EXPECT_EQ(readBytes(c.folder / "counts.bin"), counts);
    EXPECT_EQ(readBytes(c.folder / "counts.bin_.txt"), readBytes(*outcome.path));
    EXPECT_EQ(acquisitionCopyName(std::string("a\0b c", 5), ".csv"), "a_b_c.csv");
}

// A histogram file numbered 99999999 beside histo0000.bin: the report walked every number
// from 0 up to it, a hundred million absent files (and past INT_MAX it never ended).
TEST(ReportFuzzFindings, HistogramReportReadsOnlyTheFilesThere) {
    ReportCase c("report_histogram_far_file_number");
    EXPECT_EQ(histogramFileNumbers(c.folder), (std::vector<int>{0, 99999999}));
    EXPECT_EQ(highestHistogramFileNumber(c.folder), 99999999);

    const ReportOutcome outcome = c.generate(ReportLayout::Histogram, true);

    ASSERT_TRUE(outcome.path.has_value());
    const std::string report = readBytes(*outcome.path);
    EXPECT_NE(report.find("Group Histogram"), std::string::npos);
    EXPECT_NE(report.find("Well Histogram"), std::string::npos);
}

TEST(ReportFuzzFindings, HistogramFileNumbersAreTheDigitNamesOnly) {
    TempDir dir;
    for (const char* name : {"histo0002.bin", "histo0000.bin", "histo2.bin", "histo-1.bin",
                             "histo+3.bin", "histo 4.bin", "histo.bin", "histo2147483647.bin",
                             "histo99999999999.bin", "histo0001.txt"}) {
        writeBytes(dir / name, "");
    }
    EXPECT_EQ(histogramFileNumbers(dir.path()), (std::vector<int>{0, 2, INT_MAX}));
    EXPECT_TRUE(histogramFileNumbers(dir / "absent").empty());
}

// A snapshot whose plate format names a path reads no plate format outside the application
// folder: the report says the format is not found, as for any missing one.
TEST(ReportFuzzFindings, PlateFormatNameCannotLeaveTheApplicationFolder) {
    ReportCase c("report_copy_nul_in_name");
    const fs::path outside = c.dir / "elsewhere";
    fs::create_directories(outside);
    fs::copy_file(c.app / "w384.dat", outside / "w384.dat");
    for (const std::string& name :
         {std::string("../elsewhere/w384"), std::string("..\\elsewhere\\w384"),
          (outside / "w384").string(), std::string("w384\0.x", 7)}) {
        std::string setup = readBytes(c.app / "setup.dat");
        setup.replace(setup.find("\"w96f\""), 6, "\"" + name + "\"");
        writeBytes(c.folder / "setup.dat", setup);
        ScriptedUi ui;
        EXPECT_FALSE(readAcquisitionSettings(c.folder, c.app, ui).has_value()) << name;
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("not found"), std::string::npos);
    }
}

// A snapshot whose setup.dat runs its plate format name on for thousands of characters (a
// quote that never closes): asking the file system about "<name>.dat" threw "File name too
// long" out of the reader. The acquisition_snapshot target lays its five files as here.
TEST(ReportFuzzFindings, OverlongPlateFormatNameIsAFormatNotFound) {
    TempDir dir;
    const fs::path folder = dir / "p00001" / "20240614_1530";
    const auto parts = testing::fuzzFindingParts("analysis", "snapshot_plate_name_too_long", 5);
    static const char* const kNames[] = {"setup.dat", "groups.dat", "chgroup.dat", "subproj.dat"};
    for (std::size_t i = 0; i < parts.size() && i < 4; ++i) {
        writeBytes(folder / kNames[i], parts[i]);
    }
    if (parts.size() > 4) {
        writeBytes(dir / "w96f.dat", parts[4]);
    }
    ScriptedUi ui;
    std::optional<AcquisitionSettings> s;
    ASSERT_NO_THROW(s = readAcquisitionSettings(folder, dir.path(), ui));
    EXPECT_FALSE(s.has_value());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().find("not found"), std::string::npos);
}

}  // namespace
}  // namespace qv
