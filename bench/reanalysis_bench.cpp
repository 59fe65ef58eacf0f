#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analysis/activity_files.h"
#include "analysis/reanalysis.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "support/model_block.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 1000;  // 91 raw files, 386 MB of raw samples

// Where the acquisition is kept between runs: $QV_BENCH_DIR, else the system's temporary
// folder. It is written once; a later run finds it complete and reuses it.
fs::path benchFolder() {
    const char* dir = std::getenv("QV_BENCH_DIR");
    return fs::path(dir != nullptr && *dir != '\0' ? dir : fs::temp_directory_path().string()) /
           "qv_reanalysis_bench";
}

fs::path acquisition() {
    return benchFolder() / "p00001" / "20240614_1530";
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A 384-well plate (one beam per well) and a project whose every channel has a group, so all
// 384 channels of every block are analysed.
void writeSettings(const fs::path& folder) {
    std::string plate = "\"w384\"\r\n\"geometry\"\r\n16,1,0,24,1,0\r\n\"channels\"\r\n";
    for (int c = 0; c < 384; ++c) {
        plate += "\"ch\"," + std::to_string(c) + ",0\r\n";
    }
    writeText(benchFolder() / "w384.dat", plate);
    std::string s = "\"Project Setup\"\r\n1,\"Bench\",\"C:\\q\\\",\"w384\"\r\n";
    s += "\"a\"\r\n1,250,99,500,1,30\r\n\"b\"\r\n1,300,80,1,1,1\r\n\"t\"\r\n1,0,0,0,0,0\r\n";
    for (int i = 0; i < 6; ++i) {
        s += "\"mn\"\r\n0,1,1,18,0,0\r\n";
    }
    writeText(folder / "setup.dat", s);
    std::string groups = "\"<Group_Number>, <Group_Name>\"\r\n";
    std::string channels = "\"<Channel>, <Group: -1=Free>\"\r\n";
    for (int c = 0; c < 384; ++c) {
        groups += std::to_string(c) + ",\"G" + std::to_string(c) + "\"\r\n";
        channels += std::to_string(c) + "," + std::to_string(c / 32) + "\r\n";
    }
    writeText(folder / "groups.dat", groups);
    writeText(folder / "chgroup.dat", channels);
}

// 1000 blocks of 15 seconds as a recording run stores them (the counts do not matter here).
void ensureAcquisition() {
    const fs::path folder = acquisition();
    const auto last = qv::rawFilePath(folder, (kRecords - 1) / qv::kBlocksPerFile);
    std::error_code ec;
    if (fs::file_size(qv::countsFilePath(folder), ec) == kRecords * qv::kCountsRecordBytes &&
        fs::exists(last)) {
        return;
    }
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    writeSettings(folder);
    std::vector<qv::SampleBlock> blocks;
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        blocks.push_back(qv::testing::modelBlock(seed));
    }
    qv::FileRotation rotation;
    for (int b = 0; b < kRecords; ++b) {
        qv::CountsRecord counts;
        counts.minutes = b / 4;
        qv::appendBlockRecords(folder, rotation, &blocks[static_cast<std::size_t>(b % 50)], counts,
                               21.5, nullptr);
    }
}

std::vector<fs::path> rawFiles() {
    std::vector<fs::path> files;
    for (int i = 0; fs::exists(qv::rawFilePath(acquisition(), i)); ++i) {
        files.push_back(qv::rawFilePath(acquisition(), i));
    }
    return files;
}

std::int64_t rawBytes() {
    std::int64_t total = 0;
    for (const auto& f : rawFiles()) {
        total += static_cast<std::int64_t>(fs::file_size(f));
    }
    return total;
}

// Takes the acquisition's files out of the page cache, so the next pass reads the disk.
void dropFromCache() {
    auto files = rawFiles();
    files.push_back(qv::countsFilePath(acquisition()));
    for (const auto& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY);
        if (fd >= 0) {
            ::fdatasync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// Brings them in (cached runs start from a warm cache).
void plainRead() {
    static std::vector<char> buffer(1 << 20);
    std::int64_t sum = 0;
    for (const auto& f : rawFiles()) {
        const int fd = ::open(f.c_str(), O_RDONLY);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
            sum += buffer[static_cast<std::size_t>(n - 1)];
        }
        ::close(fd);
    }
    benchmark::DoNotOptimize(sum);
}

void prepare(benchmark::State& state, bool cached) {
    state.PauseTiming();
    if (cached) {
        plainRead();
    } else {
        dropFromCache();
    }
    state.ResumeTiming();
}

// The baseline: every raw file read from start to end in 1 MB reads, nothing done with it.
void BM_PlainSequentialRead(benchmark::State& state) {
    ensureAcquisition();
    const bool cached = state.range(0) == 1;
    for (auto _ : state) {
        prepare(state, cached);
        plainRead();
    }
    state.SetBytesProcessed(state.iterations() * rawBytes());
}
BENCHMARK(BM_PlainSequentialRead)
    ->ArgName("cached")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// "Analyze Raw Data" of all 1000 records with the method, keeping the stored counts: every
// block read, all 384 channels detected, the report of the new counts written.
void BM_Reanalysis(benchmark::State& state) {
    ensureAcquisition();
    const auto method = static_cast<std::int16_t>(state.range(0));
    const bool cached = state.range(1) == 1;
    qv::ReanalysisChoice c;
    c.folder = acquisition();
    c.appFolder = benchFolder();
    c.method = method;
    c.organism = method == 3 ? 3 : 0;
    c.snr = method == 3 ? 0.8 : 1.8;
    c.snrText = method == 3 ? "0.8" : "1.8";
    c.options.autoreport = true;
    qv::ScriptedUi ui;
    qv::SystemClock clock;
    for (auto _ : state) {
        prepare(state, cached);
        const auto out = qv::runReanalysis(c, {}, ui, clock);
        if (out.records != kRecords || !out.report) {
            state.SkipWithError("re-analysis failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * rawBytes());
}
BENCHMARK(BM_Reanalysis)
    ->ArgNames({"method", "cached"})
    ->ArgsProduct({{0, 1, 2, 3}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
