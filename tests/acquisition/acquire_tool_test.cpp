// quorvel-tool acquire as a user runs it: against quorvel-sim on a pseudo-terminal in real
// time, and against the virtual instrument on virtual time; killed, stopped, and on a full disk.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "analysis/activity_files.h"
#include "run_fixture.h"
#include "store/acquisition_description.h"
#include "support/background_program.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::BackgroundProgram;
using testing::binaryDir;

std::string tool() {
    return "'" + (binaryDir() / "src" / "cli" / "quorvel-tool").string() + "'";
}

std::string sim() {
    return "'" + (binaryDir() / "src" / "cli" / "quorvel-sim").string() + "'";
}

// An installed application folder whose current project 1 is shaped by `edit`.
struct ToolFolder : testing::WindowFixture {
    explicit ToolFolder(const std::function<void(ProjectSetup&)>& edit) {
        ScriptedUi quiet;
        Store writer(dir.path(), quiet);
        writer.loadConfiguration();
        writer.chooseProjectPath();
        writer.loadProjectSettings(0);
        fs::create_directories(writer.projectFolder(1));
        writer.config().Actual_Project_Number = 1;
        writer.config().Last_Project = 1;
        writer.setProjectPath(writer.projectFolder(1));
        writer.setup().Name = "Tool";
        edit(writer.setup());
        EXPECT_TRUE(writer.saveProjectSettings());
        EXPECT_TRUE(writer.saveConfiguration());
    }
    std::string app() const { return "--app-folder '" + dir.path().string() + "'"; }
};

bool sanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

std::size_t records(const fs::path& folder) {
    const auto file = readCountsFile(countsFilePath(folder));
    return file ? file->records.size() : 0;
}

std::size_t rawBlocks(const fs::path& folder) {
    std::size_t n = 0;
    for (int index = 0; fs::exists(rawFilePath(folder, index)); ++index) {
        n += fs::file_size(rawFilePath(folder, index)) / rawRecordBytes(500);
    }
    return n;
}

fs::path onlyAcquisition(const fs::path& project) {
    for (const auto& e : fs::directory_iterator(project)) {
        if (e.is_directory()) {
            return e.path();
        }
    }
    return {};
}

// A minute on quorvel-sim through the real serial layer, in body-bends mode; the simulator is
// killed half way and started again, and the run says so and picks up.
TEST(AcquireTool, OnTheSimulatorThroughAPseudoTerminalSurvivingTheInstrumentsAbsence) {
    ToolFolder f([](ProjectSetup& s) {
        s.Aq_lapse = 1;
        s.Plate_format = "w96u";
    });
    const fs::path link = f.dir / "COM4";
    const std::string simCommand = sim() + " --link '" + link.string() + "' --seed 3";
    for (const char* sub : {"sim1", "sim2", "run"}) {
        fs::create_directories(f.dir / sub);
    }
    auto instrument = std::make_unique<BackgroundProgram>(simCommand, f.dir / "sim1");
    SystemClock realTime;
    for (int waited = 0; waited < 5000 && !fs::is_symlink(link); waited += 20) {
        realTime.sleepMs(20);
    }
    ASSERT_TRUE(fs::is_symlink(link));
    BackgroundProgram run("env QUORVEL_COM4='" + link.string() + "' " + tool() + " acquire " +
                              f.app() + " --name 'pty run' --comments 'two wells' --body-bends",
                          f.dir / "run");
    ASSERT_TRUE(run.waitForError("block 1 ", 40'000)) << run.err();

    instrument->signal(SIGKILL);
    instrument->wait(2000);
    ASSERT_TRUE(run.waitForError("No answer from the instrument on COM4", 15'000)) << run.err();
    instrument = std::make_unique<BackgroundProgram>(simCommand, f.dir / "sim2");
    ASSERT_TRUE(run.waitForError("The instrument answers again", 20'000)) << run.err();

    ASSERT_EQ(run.wait(120'000), 0) << run.err();
    const auto out = nlohmann::json::parse(run.out());
    EXPECT_EQ(out["stopped_by"], "lapse");
    const fs::path folder = out["folder"].get<std::string>();
    const auto blocks = out["blocks"].get<std::size_t>();
    EXPECT_GE(blocks, 3u);
    EXPECT_GT(out["discarded_samples"].get<int>(), 0);
    EXPECT_LT(out["sample_period_s"].get<double>(), 0.1);
    // calvalue.dat comes from the device calibration that a default project's Play runs first.
    for (const char* file :
         {"setup.dat", "groups.dat", "chgroup.dat", "subproj.dat", "calvalue.dat"}) {
        EXPECT_TRUE(fs::exists(folder / file)) << file;
    }
    EXPECT_EQ(readAcquisitionName(folder), "pty run");
    EXPECT_EQ(readAcquisitionComments(folder), "two wells");
    EXPECT_EQ(records(folder), blocks);
    EXPECT_EQ(rawBlocks(folder), blocks);
    const auto histo = readHistogramFile(histogramFilePath(folder, 0));
    ASSERT_TRUE(histo.has_value());
    EXPECT_EQ(histo->records.size(), blocks);
    // The report written at the end reads the files back.
    ASSERT_TRUE(out["report"].is_string());
    EXPECT_TRUE(fs::exists(out["report"].get<std::string>()));
    const auto report = testing::runProgram(
        binaryDir() / "src" / "cli" / "quorvel-tool",
        "report '" + folder.string() + "' " + f.app() + " --layout histogram", f.dir / "r.err");
    EXPECT_EQ(report.exitCode, 0) << report.err;
}

TEST(AcquireTool, TwoVirtualHoursGiveFourHundredEightyRecordsAndTheReport) {
    if (sanitized()) {
        GTEST_SKIP() << "virtual hours are measured in the optimised build";
    }
    ToolFolder f([](ProjectSetup& s) { s.Aq_lapse = 120; });
    const auto run =
        testing::runProgram(binaryDir() / "src" / "cli" / "quorvel-tool",
                            "acquire " + f.app() + " --name two --virtual --yes", f.dir / "err");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto out = nlohmann::json::parse(run.out);
    EXPECT_EQ(out["blocks"], 480);
    EXPECT_EQ(out["elapsed_minutes"], 120);
    EXPECT_DOUBLE_EQ(out["sample_period_s"].get<double>(), 0.03);
    EXPECT_EQ(out["bad_reads"], 0);
    const fs::path folder = out["folder"].get<std::string>();
    EXPECT_EQ(records(folder), 480u);
    EXPECT_EQ(rawBlocks(folder), 480u);
    EXPECT_TRUE(fs::exists(out["report"].get<std::string>()));
    EXPECT_NE(run.err.find("block 480 "), std::string::npos);
}

TEST(AcquireTool, KilledMidRunEveryCompletedBlockIsThere) {
    ToolFolder f([](ProjectSetup& s) { s.Aq_lapse = 600; });
    BackgroundProgram run(tool() + " acquire " + f.app() + " --name killed --virtual --yes",
                          f.dir.path());
    ASSERT_TRUE(run.waitForError("block 12 ", 120'000)) << run.err();
    run.signal(SIGKILL);
    EXPECT_EQ(run.wait(10'000), -1);
    const fs::path folder = onlyAcquisition(f.dir / "p00001");
    const auto counts = readCountsFile(countsFilePath(folder));
    ASSERT_TRUE(counts.has_value());
    EXPECT_GE(counts->records.size(), 12u);
    // A record cut by the kill is not a record; every whole one has its raw block.
    EXPECT_GE(rawBlocks(folder), counts->records.size());
    for (std::size_t k = 1; k < counts->records.size(); ++k) {
        EXPECT_GE(counts->records[k].minutes, counts->records[k - 1].minutes);
    }
}

TEST(AcquireTool, SigtermStopsLikeStopAndKeepsTheBlocks) {
    ToolFolder f([](ProjectSetup& s) { s.Aq_lapse = 600; });
    BackgroundProgram run(tool() + " acquire " + f.app() + " --name stopped --virtual --yes",
                          f.dir.path());
    ASSERT_TRUE(run.waitForError("block 3 ", 120'000)) << run.err();
    run.signal(SIGTERM);
    ASSERT_EQ(run.wait(30'000), 0) << run.err();
    const auto out = nlohmann::json::parse(run.out());
    EXPECT_EQ(out["stopped_by"], "user");
    EXPECT_EQ(records(out["folder"].get<std::string>()), out["blocks"].get<std::size_t>());
    EXPECT_TRUE(out["report"].is_null());
}

TEST(AcquireTool, AFullDiskStopsTheRunWithAClearMessage) {
    ToolFolder f([](ProjectSetup& s) { s.Aq_lapse = 600; });
    // No file may pass 2 MB (bash counts in kilobytes): the raw file fills up in its sixth block.
    const auto run = testing::runProgram("/bin/bash",
                                         "-c \"ulimit -f 2048; exec " + tool() + " acquire " +
                                             f.app() + " --name full --virtual --yes\"",
                                         f.dir / "err");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const fs::path folder = onlyAcquisition(f.dir / "p00001");
    EXPECT_NE(run.err.find("Recording stopped: 0.bin could not be written in " + folder.string()),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("5 complete blocks are saved there"), std::string::npos) << run.err;
    const auto counts = readCountsFile(countsFilePath(folder));
    EXPECT_EQ(counts->records.size(), 5u);
    EXPECT_EQ(counts->trailingBytes, 0u);
    EXPECT_EQ(nlohmann::json::parse(run.out)["stopped_by"], "failure");
}

TEST(AcquireTool, UsageFaultsAndRefusals) {
    ToolFolder f([](ProjectSetup& s) { s.Aq_lapse = 1; });
    const fs::path program = binaryDir() / "src" / "cli" / "quorvel-tool";
    EXPECT_EQ(
        testing::runProgram(program, "acquire " + f.app() + " --name x --seed 4", f.dir / "e1")
            .exitCode,
        2)
        << "instrument options need --virtual";
    EXPECT_NE(testing::runProgram(program, "acquire " + f.app() + " --name x --virtual --short 2",
                                  f.dir / "e2")
                  .exitCode,
              0);
    // Body-bends mode on a plate that has none is refused before anything is recorded.
    const auto bb = testing::runProgram(
        program, "acquire " + f.app() + " --name x --virtual --body-bends", f.dir / "e3");
    EXPECT_EQ(bb.exitCode, 1);
    EXPECT_TRUE(onlyAcquisition(f.dir / "p00001").empty());
}

}  // namespace
}  // namespace qv
