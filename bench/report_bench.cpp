#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/report_generate.h"
#include "analysis/report_histogram.h"
#include "common/clock.h"
#include "common/scripted_ui.h"

namespace {

namespace fs = std::filesystem;

void put(std::string& out, const void* p, std::size_t n) {
    out.append(static_cast<const char*>(p), n);
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A 96-well plate with two beams per well (wells in even beam rows, beams in column pairs).
std::string twoBeamPlate() {
    std::string s = "\"w96f\"\r\n\"geometry\"\r\n8,2,-0.5,12,2,0\r\n\"channels\"\r\n";
    int next = 0;
    for (int c = 0; c < 24; ++c) {
        for (int r = 0; r < 16; ++r) {
            const int well = r % 2 ? -1 : c % 2 == 0 ? next++ : (c - 1) / 2 * 8 + r / 2;
            s +=
                "\"ch\"," + std::to_string(well) + "," + std::to_string(r % 2 ? 0 : c % 2) + "\r\n";
        }
    }
    return s;
}

std::string setupFile() {
    std::string s = "\"Project Setup\"\r\n1,\"Week\",\"C:\\q\\\",\"w96f\"\r\n";
    s += "\"a\"\r\n1,10080,99,500,1,30\r\n\"b\"\r\n1,300,80,1,1,1\r\n\"t\"\r\n1,0,0,0,0,0\r\n";
    for (int i = 0; i < 6; ++i) {
        s += "\"mn\"\r\n0,1,1,18,0,0\r\n";
    }
    return s;
}

// Seven days of 15-second blocks: 40,320 counts records.
std::string weekOfCounts() {
    std::string out;
    out.reserve(40320 * 774);
    for (int i = 0; i < 40320; ++i) {
        const std::int32_t minutes = i / 4;
        put(out, &minutes, 4);
        for (int c = 0; c < 384; ++c) {
            const auto v = static_cast<std::int16_t>((i * 7 + c * 13) % 23);
            put(out, &v, 2);
        }
        const std::int16_t t = 215;
        put(out, &t, 2);
    }
    return out;
}

// Body-bends histograms: a record every 20 minutes of the week (504 records; a record per
// block would take 3 GB of disk).
void writeHistograms(const fs::path& folder) {
    std::string rec;
    for (int file = 0, r = 0; r < 504; ++file) {
        std::string bytes;
        for (int k = 0; k < 11 && r < 504; ++k, ++r) {
            const double minutes = 20.0 * r;
            const double period = 0.03;
            put(bytes, &minutes, 8);
            put(bytes, &period, 8);
            for (int i = 0; i < 385 * qv::kHistogramBinsStored; ++i) {
                const std::int32_t v = (i / 385 >= 2 && i / 385 < 50) ? (i + r) % 9 : 0;
                put(bytes, &v, 4);
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "histo%04d.bin", file);
        writeText(folder / name, bytes);
    }
}

struct WeekRun {
    fs::path app;
    fs::path folder;
    WeekRun() {
        app = fs::temp_directory_path() / "qv-bench-report";
        folder = app / "p00001" / "20240614_1530";
        fs::create_directories(folder);
        writeText(app / "w96f.dat", twoBeamPlate());
        writeText(folder / "setup.dat", setupFile());
        std::string groups = "\"<Group_Number>, <Group_Name>\"\r\n";
        std::string chgroups = "\"<Channel>, <Group: -1=Free>\"\r\n";
        for (int i = 0; i < 384; ++i) {
            groups += std::to_string(i) + ",\"Group" + std::to_string(i) + "\"\r\n";
            chgroups += std::to_string(i) + "," + std::to_string(i / 32) + "\r\n";
        }
        writeText(folder / "groups.dat", groups);
        writeText(folder / "chgroup.dat", chgroups);
        writeText(folder / "subproj.dat", "\"Week run\"\r\n\"bench\"\r\n");
        writeText(folder / "counts.bin", weekOfCounts());
        writeHistograms(folder);
    }
};

const WeekRun& weekRun() {
    static const WeekRun run;  // built once for every benchmark of the program
    return run;
}

void BM_WeekReport(benchmark::State& state) {
    const auto& run = weekRun();
    qv::ReportRequest r;
    r.folder = run.folder;
    r.appFolder = run.app;
    r.bin = static_cast<std::int32_t>(state.range(1));
    r.options.layout = static_cast<qv::ReportLayout>(state.range(0));
    r.options.stdError = r.options.stdDev = r.options.count = true;
    r.options.autoreport = true;
    qv::TestClock clock;
    for (auto _ : state) {
        qv::ScriptedUi ui;
        const auto out = qv::generateReport(r, ui, clock);
        if (!out.path) {
            state.SkipWithError("report not written");
            break;
        }
    }
}
BENCHMARK(BM_WeekReport)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {30}})
    ->Args({0, 5})
    ->ArgNames({"layout", "bin"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
