#include <benchmark/benchmark.h>

#include "acquisition/live_display.h"
#include "common/scripted_ui.h"

namespace {

using namespace qv;

// A surface that only counts what it is asked to draw, so the figures are the live display's
// own work; what a painter costs per call is the window's business.
class CountingCanvas : public Canvas {
  public:
    void scale(double, double, double, double) override {}
    void clear(Color) override { ++calls; }
    void setLineWidth(int) override {}
    void point(double, double, Color) override { ++calls; }
    void line(double, double, double, double, Color) override { ++calls; }
    void box(double, double, double, double, Color) override { ++calls; }
    void filledBox(double, double, double, double, Color) override { ++calls; }
    void circle(double, double, double, Color) override { ++calls; }
    void filledCircle(double, double, double, Color) override { ++calls; }
    void text(double, double, const std::string&, Color) override { ++calls; }
    double textWidth(const std::string& t) const override { return 0.5 * t.size(); }
    double textHeight() const override { return 1; }
    long calls = 0;
};

// A 384-well plate, every channel in one group, totals and samples everywhere.
struct Bench {
    ScriptedUi ui;
    Store store{"/nonexistent-quorvel-folder", ui};
    LiveData data;
    Controls controls;
    CountingCanvas act;
    CountingCanvas real;
    LiveDisplay live{controls, data, store};

    Bench() {
        store.setup().channelGroup.fill(0);
        for (int c = 0; c < kChannels; ++c) {
            data.totals[c] = static_cast<std::int16_t>((c * 37) % 900);
            for (int s = 0; s < data.samples.samplesPerChannel(); ++s) {
                data.samples.at(c, s) = static_cast<std::int16_t>(1500 + (s * 13 + c) % 200);
                data.liveLine.at(c, s) = 1400;
            }
        }
        controls.find("Picact")->canvas = &act;
        controls.find("Picreal")->canvas = &real;
        live.loadProject();
    }
};

void BM_LiveRefreshPlateGrid(benchmark::State& state) {
    Bench b;
    b.live.Cmd_gridplot_Click();
    for (auto _ : state) {
        b.live.refresh();
    }
    state.counters["calls"] = static_cast<double>(b.act.calls) / (state.iterations() + 1);
}
BENCHMARK(BM_LiveRefreshPlateGrid);

void BM_LiveRefreshGroupView(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.live.refresh();
    }
}
BENCHMARK(BM_LiveRefreshGroupView);

void BM_LiveRefreshBarPlot(benchmark::State& state) {
    Bench b;
    b.live.Cmd_barplot_Click();
    for (auto _ : state) {
        b.live.refresh();
    }
}
BENCHMARK(BM_LiveRefreshBarPlot);

void BM_LiveSignalStep(benchmark::State& state) {
    Bench b;
    int i = 3;
    for (auto _ : state) {
        b.data.sampleIndex = static_cast<std::int16_t>(i);
        b.live.signalStep();
        i = i + 2 < b.data.samples.rtBuffer() ? i + 2 : 3;
    }
}
BENCHMARK(BM_LiveSignalStep);

}  // namespace
