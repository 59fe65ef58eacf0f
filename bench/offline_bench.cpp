#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>

#include <cstdio>
#include <fstream>
#include <string>

#include "common/canvas.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "offline/offline_activity.h"
#include "offline/offline_browser.h"
#include "offline/offline_drawing.h"
#include "offline/offline_window.h"
#include "offline/project_scan.h"

namespace {

namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string setupFile(int number) {
    std::string s = "\"Project Setup\"\r\n" + std::to_string(number) + ",\"Screen " +
                    std::to_string(number) + "\",\"C:\\q\\\",\"w96f\"\r\n";
    s += "\"a\"\r\n1,10080,99,500,1,30\r\n\"b\"\r\n1,300,80,1,1,1\r\n\"t\"\r\n1,0,0,0,0,0\r\n";
    for (int i = 0; i < 6; ++i) {
        s += "\"mn\"\r\n0,1,1,18,0,0\r\n";
    }
    return s;
}

// 50 projects of 40 acquisitions each: setup.dat per project, subproj.dat and a one-record
// counts.bin per acquisition. Made once per process.
const fs::path& bigApplicationFolder() {
    static const fs::path app = [] {
        const fs::path dir =
            fs::temp_directory_path() / ("qv_offline_bench_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        const std::string record(774, '\0');
        for (int p = 1; p <= 50; ++p) {
            char name[16];
            std::snprintf(name, sizeof name, "p%05d", p);
            const fs::path project = dir / name;
            fs::create_directories(project);
            writeText(project / "setup.dat", setupFile(p));
            for (int a = 0; a < 40; ++a) {
                char acq[32];
                std::snprintf(acq, sizeof acq, "2024%02d%02d_%02d%02d", 1 + a / 28, 1 + a % 28,
                              8 + a % 10, 15 * (a % 4));
                const fs::path folder = project / acq;
                fs::create_directories(folder);
                writeText(folder / "subproj.dat",
                          "\"Run " + std::to_string(a) + " of " + name + "\"\r\n\"notes\"\r\n");
                writeText(folder / "counts.bin", record);
            }
        }
        return dir;
    }();
    return app;
}

// The window's load step: every project row, acquisitions folded (what opening the browser
// costs).
void BM_ListProjectsFolded(benchmark::State& state) {
    const fs::path& app = bigApplicationFolder();
    qv::ScriptedUi ui;
    qv::TestClock clock;
    qv::OfflineWindow window(app, ui, clock);
    for (auto _ : state) {
        window.Form_Load();
        benchmark::DoNotOptimize(window.Listpj.items.size());
    }
    state.counters["rows"] = static_cast<double>(window.Listpj.items.size());
}
BENCHMARK(BM_ListProjectsFolded)->Unit(benchmark::kMillisecond);

// Every acquisition with its description, as `quorvel-tool list` and a filter word read them.
void BM_ListEveryAcquisition(benchmark::State& state) {
    const fs::path& app = bigApplicationFolder();
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const std::string& p : qv::projectFolderNames(app)) {
            rows += 1 + qv::listedAcquisitions(app / p, qv::hasTagsFile(app / p)).size();
        }
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ListEveryAcquisition)->Unit(benchmark::kMillisecond);

// A filter word over the whole folder: every project row and every acquisition row compared.
void BM_FilterOneWord(benchmark::State& state) {
    const fs::path& app = bigApplicationFolder();
    qv::ScriptedUi ui;
    qv::TestClock clock;
    qv::OfflineWindow window(app, ui, clock);
    window.Form_Load();
    for (auto _ : state) {
        window.txt_search.text = "\"Run 39 of p00050\"";
        window.cmd_lupa_Click();
        benchmark::DoNotOptimize(window.Listpj.items.size());
    }
}
BENCHMARK(BM_FilterOneWord)->Unit(benchmark::kMillisecond);

// Seven days of 15-second blocks: 40,320 counts records (31 MB).
const fs::path& weekCounts() {
    static const fs::path file = [] {
        const fs::path dir = bigApplicationFolder() / "week";
        fs::create_directories(dir);
        std::string out;
        out.reserve(40320 * 774);
        for (int i = 0; i < 40320; ++i) {
            const std::int32_t minutes = i / 4;
            out.append(reinterpret_cast<const char*>(&minutes), 4);
            for (int c = 0; c < 384; ++c) {
                const auto v = static_cast<std::int16_t>((i * 7 + c * 13) % 23);
                out.append(reinterpret_cast<const char*>(&v), 2);
            }
            const std::int16_t t = 215;
            out.append(reinterpret_cast<const char*>(&t), 2);
        }
        writeText(dir / "counts.bin", out);
        return dir / "counts.bin";
    }();
    return file;
}

// "Line Plot" on the week: the two passes over counts.bin and the drawing of 13 group lines
// (12 groups and the free channels) at 30-minute bins on a window-sized surface.
void BM_LinePlotOfAWeek(benchmark::State& state) {
    const fs::path& counts = weekCounts();
    std::array<std::int16_t, qv::kChannelSlots> groups{};
    for (int c = 0; c < qv::kChannelSlots; ++c) {
        groups[c] = static_cast<std::int16_t>(c < 360 ? c / 30 : -1);
    }
    qv::RecordingCanvas canvas(1000, 640);
    for (auto _ : state) {
        const auto binned = qv::binActivity(counts, groups, 30, true);
        std::vector<int> slots = binned->groupsInUse();
        qv::drawSeriesPlot(canvas, qv::lineSeries(*binned, slots));
        benchmark::DoNotOptimize(canvas.calls.size());
    }
}
BENCHMARK(BM_LinePlotOfAWeek)->Unit(benchmark::kMillisecond);

}  // namespace
