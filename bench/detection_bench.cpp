#include <benchmark/benchmark.h>

#include <numeric>
#include <random>
#include <vector>

#include "analysis/activity_detection.h"
#include "analysis/detection_lanes.h"
#include "support/model_block.h"

namespace {

// All 384 channels of one block, as the acquisition cycle does at every block end. Each
// iteration starts from the unclipped block, copied outside the timed part.
void BM_DetectActivityPerChannel(benchmark::State& state) {
    const auto method = static_cast<std::int16_t>(state.range(0));
    const double snr = method == qv::kMethodDrosophila ? 0.9 : 1.8;
    const qv::SampleBlock pristine = qv::testing::modelBlock(42);
    qv::SampleBlock block = pristine;
    qv::ActivityDetector detector;
    std::int64_t total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        block = pristine;
        state.ResumeTiming();
        for (std::int16_t c = 0; c < qv::SampleBlock::kBeams; ++c) {
            total += detector.DetectActivity(block, c, snr, method, 0, {}, 0);
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["events/block"] =
        benchmark::Counter(static_cast<double>(total), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DetectActivityPerChannel)
    ->DenseRange(0, 3)
    ->ArgName("method")
    ->Unit(benchmark::kMicrosecond);

// The same work through the block sweep the acquisition cycle uses.
void BM_DetectActivityBlockSweep(benchmark::State& state) {
    const auto method = static_cast<std::int16_t>(state.range(0));
    const double snr = method == qv::kMethodDrosophila ? 0.9 : 1.8;
    const qv::SampleBlock pristine = qv::testing::modelBlock(42);
    qv::SampleBlock block = pristine;
    qv::ActivityDetector detector;
    std::vector<std::int16_t> channels(qv::SampleBlock::kBeams);
    std::iota(channels.begin(), channels.end(), std::int16_t{0});
    std::vector<std::int16_t> counts(channels.size());
    std::int64_t total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        block = pristine;
        state.ResumeTiming();
        detector.DetectActivityBlock(block, channels, snr, method, counts);
        total += std::accumulate(counts.begin(), counts.end(), std::int64_t{0});
        benchmark::DoNotOptimize(total);
    }
    state.counters["events/block"] =
        benchmark::Counter(static_cast<double>(total), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DetectActivityBlockSweep)
    ->DenseRange(0, 1)
    ->ArgName("method")
    ->Unit(benchmark::kMicrosecond);

// Method 1 through each build of the sweep's integer lanes this processor runs (0 baseline,
// 1 AVX2, 2 AVX-512); the sweep above takes the best of them.
void BM_SweepLanesBuild(benchmark::State& state) {
    const auto isa = static_cast<qv::detail::LaneIsa>(state.range(0));
    const qv::SampleBlock pristine = qv::testing::modelBlock(42);
    qv::SampleBlock block = pristine;
    auto lanes = qv::detail::makeLaneWorkspace();
    if (!qv::detail::useLaneIsa(*lanes, isa)) {
        state.SkipWithError("this processor does not run that build");
        return;
    }
    std::vector<std::int16_t> channels(qv::SampleBlock::kBeams);
    std::iota(channels.begin(), channels.end(), std::int16_t{0});
    std::vector<std::int16_t> counts(channels.size());
    for (auto _ : state) {
        state.PauseTiming();
        block = pristine;
        state.ResumeTiming();
        for (std::size_t i = 0; i < channels.size(); i += qv::detail::kSweepGroup) {
            qv::detail::detectThresholdLanes(*lanes, block, channels.data() + i,
                                             qv::detail::kSweepGroup, 1.8, 1, counts.data() + i);
        }
        benchmark::DoNotOptimize(counts.data());
    }
}
BENCHMARK(BM_SweepLanesBuild)->DenseRange(0, 2)->ArgName("isa")->Unit(benchmark::kMicrosecond);

void BM_PeriodHistogramBlock(benchmark::State& state) {
    qv::SampleBlock block = qv::testing::modelBlock(42);
    qv::ActivityDetector detector;
    qv::PeriodHistogramBins bins{};
    for (auto _ : state) {
        for (std::int16_t c = 0; c < qv::SampleBlock::kBeams; ++c) {
            detector.PeriodHistogram(block, c, bins, 1.8);
            benchmark::DoNotOptimize(bins);
        }
    }
}
BENCHMARK(BM_PeriodHistogramBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
