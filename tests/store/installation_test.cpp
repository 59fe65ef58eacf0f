#include "store/installation.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/field_text.h"
#include "common/scripted_ui.h"
#include "store/calibration_values.h"
#include "store/project_load.h"
#include "store/report_config.h"
#include "store/watched_folders.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::sourceDir;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

fs::path dataDir() {
    return sourceDir() / "data";
}

struct Plate {
    std::int64_t rows = 0, columns = 0;
    double rowPitch = 0, rowOffset = 0, columnPitch = 0, columnOffset = 0;
    std::vector<std::int64_t> well, beam;
    std::vector<std::string> label;
};

// Reads a plate format file field by field, the way the format is defined.
Plate readPlate(const std::string& code) {
    auto r = FieldReader::open(dataDir() / (code + ".dat"));
    Plate p;
    if (!r) {
        ADD_FAILURE() << code << ".dat missing";
        return p;
    }
    r->skipField();
    r->skipField();
    r->integer(p.rows);
    r->number(p.rowPitch);
    r->number(p.rowOffset);
    r->integer(p.columns);
    r->number(p.columnPitch);
    r->number(p.columnOffset);
    r->skipField();
    while (!r->atEnd()) {
        std::string label;
        std::int64_t well = 0, beam = 0;
        r->text(label);
        r->integer(well);
        r->integer(beam);
        p.label.push_back(label);
        p.well.push_back(well);
        p.beam.push_back(beam);
    }
    EXPECT_FALSE(r->failed()) << code;
    return p;
}

// Beams per well, and a check that the beams of each well are exactly 0..n-1.
std::map<std::int64_t, int> beamsPerWell(const Plate& p, const std::string& code) {
    std::map<std::int64_t, std::set<std::int64_t>> beams;
    for (std::size_t c = 0; c < p.well.size(); ++c) {
        if (p.well[c] >= 0) {
            EXPECT_TRUE(beams[p.well[c]].insert(p.beam[c]).second) << code << " channel " << c;
        }
    }
    std::map<std::int64_t, int> counts;
    for (const auto& [well, set] : beams) {
        EXPECT_EQ(*set.rbegin(), static_cast<std::int64_t>(set.size()) - 1) << code << " " << well;
        counts[well] = static_cast<int>(set.size());
    }
    return counts;
}

// Well (r, c) drawn over the beam grid must cover the centre of each of its beams.
void expectBeamsInsideTheirWells(const Plate& p, const std::string& code) {
    for (std::size_t ch = 0; ch < p.well.size(); ++ch) {
        if (p.well[ch] < 0) {
            continue;
        }
        const double wr = static_cast<double>(p.well[ch] % p.rows);
        const double wc = static_cast<double>(p.well[ch] / p.rows);
        const double y = static_cast<double>(ch % 16) + 0.5;
        const double x = static_cast<double>(ch / 16) + 0.5;
        EXPECT_GE(y, p.rowOffset + wr * p.rowPitch - 1e-9) << code << " " << ch;
        EXPECT_LE(y, p.rowOffset + (wr + 1) * p.rowPitch + 1e-9) << code << " " << ch;
        EXPECT_GE(x, p.columnOffset + wc * p.columnPitch - 1e-9) << code << " " << ch;
        EXPECT_LE(x, p.columnOffset + (wc + 1) * p.columnPitch + 1e-9) << code << " " << ch;
    }
}

struct Expected {
    std::string code;
    std::int64_t rows, columns;
    int minBeams, maxBeams;
};

TEST(InstallationData, EveryPlateFormatMatchesItsDescription) {
    const std::vector<Expected> plates = {
        {"w384", 16, 24, 1, 1}, {"w96f", 8, 12, 2, 2},    {"w96", 8, 12, 2, 2},
        {"w96u", 8, 12, 1, 1},  {"w48", 6, 8, 1, 3},      {"w24", 4, 6, 4, 4},
        {"w6", 2, 3, 30, 32},   {"w96flat", 8, 12, 4, 4}, {"w32_flytube", 16, 2, 12, 12},
    };
    for (const Expected& e : plates) {
        const Plate p = readPlate(e.code);
        ASSERT_EQ(p.well.size(), 384u) << e.code;
        EXPECT_EQ(p.rows, e.rows) << e.code;
        EXPECT_EQ(p.columns, e.columns) << e.code;
        EXPECT_EQ(p.label[0], "A1");
        EXPECT_EQ(p.label[17], "B2");
        EXPECT_EQ(p.label[383], "P24");
        const auto counts = beamsPerWell(p, e.code);
        ASSERT_EQ(counts.size(), static_cast<std::size_t>(e.rows * e.columns)) << e.code;
        EXPECT_EQ(counts.begin()->first, 0) << e.code;
        EXPECT_EQ(counts.rbegin()->first, e.rows * e.columns - 1) << e.code;
        for (const auto& [well, n] : counts) {
            EXPECT_GE(n, e.minBeams) << e.code << " well " << well;
            EXPECT_LE(n, e.maxBeams) << e.code << " well " << well;
        }
        expectBeamsInsideTheirWells(p, e.code);
    }
}

TEST(InstallationData, NinetySixWellFilesFollowTheBuiltInMaps) {
    const Plate f = readPlate("w96f");
    EXPECT_EQ(readBytes(dataDir() / "w96.dat"), readBytes(dataDir() / "w96f.dat"));
    EXPECT_EQ(f.rowOffset, -0.5);
    EXPECT_EQ(f.columnOffset, 0.0);
    // Well 0 is channels 0 and 16, well 1 channels 2 and 18, well 8 channels 32 and 48.
    EXPECT_EQ(f.well[0], 0);
    EXPECT_EQ(f.well[16], 0);
    EXPECT_EQ(f.beam[16], 1);
    EXPECT_EQ(f.well[2], 1);
    EXPECT_EQ(f.well[18], 1);
    EXPECT_EQ(f.well[32], 8);
    EXPECT_EQ(f.well[48], 8);
    EXPECT_EQ(f.well[1], -1);

    const Plate u = readPlate("w96u");
    EXPECT_EQ(u.columnOffset, -0.5);
    EXPECT_EQ(u.well[0], 0);
    EXPECT_EQ(u.well[2], 1);
    EXPECT_EQ(u.well[32], 8);
    EXPECT_EQ(u.well[1], -1);
    EXPECT_EQ(u.well[16], -1);
    EXPECT_EQ(u.well[17], -1);

    const Plate i = readPlate("w384");
    for (std::size_t c = 0; c < 384; ++c) {
        ASSERT_EQ(i.well[c], static_cast<std::int64_t>(c));
        ASSERT_EQ(i.beam[c], 0);
    }
}

TEST(InstallationData, LaysAFreshApplicationFolderWhoseFilesLoadCleanly) {
    TempDir dir;
    const fs::path app = dir / "app";
    const InstallResult r = layInstallationData(dataDir(), app, false);
    ASSERT_EQ(r.status, InstallStatus::Ok);
    EXPECT_EQ(readBytes(app / "config.dat"),
              "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\""
              "\r\n0,0,4,0\r\n");
    EXPECT_TRUE(fs::exists(app / "w32_flytube.dat"));

    ScriptedUi ui;
    ReportConfig rc;
    EXPECT_EQ(loadReportConfig(app, 1, rc, ";", ui), 0);
    EXPECT_EQ(rc.spacer, ",");
    CalibrationValues cal;
    EXPECT_EQ(readCalibrationValues(app, cal).status, CalibrationReadStatus::Ok);
    EXPECT_EQ(readWatchedFolders(app).captions[2], "_folder3");
    EXPECT_TRUE(ui.messages.empty());

    // Project 0 lives in the application folder: its setup names that folder and w96f.
    auto setup = FieldReader::open(app / "setup.dat");
    ASSERT_TRUE(setup);
    std::string header, num, name, folder, plate;
    ASSERT_TRUE(setup->text(header) && setup->text(num) && setup->text(name) &&
                setup->text(folder) && setup->text(plate));
    EXPECT_EQ(num, "0");
    EXPECT_EQ(name, "Default");
    EXPECT_EQ(folder, (fs::absolute(app) / "").string());
    EXPECT_EQ(plate, "w96f");
    EXPECT_EQ(splitLines(readBytes(app / "setup.dat")).size(), 20u);
    for (const char* f : {"status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
        EXPECT_EQ(splitLines(readBytes(app / f)).size(), 385u) << f;
    }
}

TEST(InstallationData, RefusesToOverwriteWithoutForce) {
    TempDir dir;
    writeBytes(dir / "config.dat", "\"Config\"\r\n3,5,4,0\r\n");
    const InstallResult r = layInstallationData(dataDir(), dir.path(), false);
    EXPECT_EQ(r.status, InstallStatus::AlreadyThere);
    EXPECT_EQ(r.files, std::vector<std::string>{"config.dat"});
    EXPECT_EQ(readBytes(dir / "config.dat"), "\"Config\"\r\n3,5,4,0\r\n");
    EXPECT_FALSE(fs::exists(dir / "w384.dat"));

    const InstallResult forced = layInstallationData(dataDir(), dir.path(), true, "kept");
    EXPECT_EQ(forced.status, InstallStatus::Ok);
    EXPECT_NE(readBytes(dir / "config.dat"), "\"Config\"\r\n3,5,4,0\r\n");
    // What the folder held is not lost: the replaced file waits in the kept folder.
    EXPECT_EQ(forced.replaced, std::vector<std::string>{"config.dat"});
    EXPECT_EQ(forced.keptFolder, dir / "kept");
    EXPECT_EQ(readBytes(dir / "kept" / "config.dat"), "\"Config\"\r\n3,5,4,0\r\n");

    TempDir empty;
    EXPECT_EQ(layInstallationData(empty.path(), dir / "x", false).status, InstallStatus::NoData);
}

TEST(InstallationData, ForcingAgainKeepsEachEarlierStateInItsOwnFolder) {
    TempDir dir;
    ASSERT_EQ(layInstallationData(dataDir(), dir.path(), false).status, InstallStatus::Ok);
    writeBytes(dir / "calvalue.dat", "first user calibration");
    ASSERT_EQ(layInstallationData(dataDir(), dir.path(), true, "kept").status, InstallStatus::Ok);
    writeBytes(dir / "calvalue.dat", "second user calibration");
    const InstallResult r = layInstallationData(dataDir(), dir.path(), true, "kept");
    ASSERT_EQ(r.status, InstallStatus::Ok);
    EXPECT_EQ(r.keptFolder, dir / "kept_2");
    EXPECT_EQ(readBytes(dir / "kept" / "calvalue.dat"), "first user calibration");
    EXPECT_EQ(readBytes(dir / "kept_2" / "calvalue.dat"), "second user calibration");
    // Files laid again unchanged are not kept: only what differed.
    EXPECT_FALSE(fs::exists(dir / "kept_2" / "w384.dat"));
}

// A text field cannot hold a double quote; a folder whose path has one must still give a
// setup.dat that loads.
TEST(InstallationData, FolderWithAQuoteInItsPathStillLoads) {
    TempDir dir;
    const fs::path app = dir / "the \"lab\" folder";
    ASSERT_EQ(layInstallationData(dataDir(), app, false).status, InstallStatus::Ok);
    ProjectSetup s;
    ScriptedUi ui;
    const auto r = loadProjectSettings({app, 0, 0}, s, ui);
    EXPECT_FALSE(r.defaultsApplied);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(s.Plate_format, "w96f");
    EXPECT_EQ(s.Working_folder.find('"'), std::string::npos);
}

}  // namespace
}  // namespace qv
