// The signal view Picreal: an oscilloscope trace of one channel across the block being filled.
#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "acquisition/live_display.h"

namespace qv {

namespace {

// Light levels run up to 2100 on the view; a zoomed trace puts the block's top at 1750 so
// that its dips have room below.
constexpr double kSignalTop = 2100;
constexpr double kZoomedTop = 1750;
// Just ahead of the cursor the previous pass of the trace is wiped, inside this band.
constexpr double kEraseWidth = 6;
constexpr double kEraseBottom = 21;
constexpr double kEraseTop = 2048;
constexpr double kEdgeWidth = 3;
constexpr std::array<double, 4> kEdgeMarks{500, 1000, 1500, 2000};

const Color kTrace = colors::red;
const Color kLineQuiet = colors::blue;
// A darker green than the pure one, which is hard to see on white.
const Color kLineBlink{0, 160, 0};

}  // namespace

// Samples the trace may read: the block and the live line are made together, but a trace
// never reads past the shorter one.
int LiveDisplay::signalSamples() const {
    return std::min(data_.samples.samplesPerChannel(), data_.liveLine.samplesPerChannel());
}

void LiveDisplay::setSignalScale(Canvas& cv) const {
    cv.scale(0, kSignalTop, std::max(data_.samples.rtBuffer(), 1), 0);
}

double LiveDisplay::signalY(int channel, int value) const {
    if (zoom_ == 0) {
        return value;
    }
    return static_cast<double>(value - blockMax_[channel]) * zoom_ + kZoomedTop;
}

// The segments ending at samples fromSample..toSample (each from the sample before): the
// channel's samples in red, and its live threshold line where it is set, blue or green by the
// blink flag so the line changes colour at every data interval.
void LiveDisplay::drawSignalSegments(Canvas& cv, int fromSample, int toSample) {
    const int c = signalChannel_;
    const Color line = data_.blink ? kLineBlink : kLineQuiet;
    for (int k = fromSample; k <= toSample; ++k) {
        cv.line(k - 1, signalY(c, data_.samples.at(c, k - 1)), k,
                signalY(c, data_.samples.at(c, k)), kTrace);
        const int l0 = data_.liveLine.at(c, k - 1);
        const int l1 = data_.liveLine.at(c, k);
        // Both ends set: a line just starting would otherwise rise from the bottom.
        if (l0 > 0 && l1 > 0) {
            cv.line(k - 1, signalY(c, l0), k, signalY(c, l1), line);
        }
    }
}

// The black left edge with white marks at the levels 500, 1000, 1500 and 2000.
void LiveDisplay::drawSignalEdge(Canvas& cv) {
    cv.filledBox(0, 0, kEdgeWidth, kSignalTop, colors::black);
    for (const double level : kEdgeMarks) {
        cv.line(0, level, kEdgeWidth, level, colors::white);
    }
}

void LiveDisplay::signalStep() {
    updateSignalLabels();
    Canvas* cv = Picreal.canvas;
    const int i = data_.sampleIndex;
    if (!cv || signalChannel_ < 0 || i < 3 || i > signalSamples()) {
        return;
    }
    setSignalScale(*cv);
    drawSignalSegments(*cv, i - 2, i - 1);
    cv->filledBox(i, kEraseBottom, i + kEraseWidth, kEraseTop, colors::white);
    drawSignalEdge(*cv);
}

// The whole view again: the trace of the current block so far, in the current zoom.
void LiveDisplay::redrawSignal() {
    Canvas* cv = Picreal.canvas;
    if (!cv) {
        return;
    }
    cv->clear(colors::white);
    setSignalScale(*cv);
    const int i = std::min<int>(data_.sampleIndex, signalSamples());
    if (signalChannel_ >= 0 && i >= 3) {
        drawSignalSegments(*cv, 1, i - 1);
    }
    drawSignalEdge(*cv);
}

void LiveDisplay::recomputeBlockMaxima() {
    const int end = std::min<int>(data_.sampleIndex, data_.samples.samplesPerChannel());
    // Sample 0 is left out: the block starts with the warm-up reads. With nothing read yet the
    // previous maxima are a better reference than none.
    if (end <= 1) {
        return;
    }
    std::array<std::int16_t, kCountSlots> m;
    m.fill(std::numeric_limits<std::int16_t>::min());
    const auto values = data_.samples.values();
    for (int s = 1; s < end; ++s) {
        const std::int16_t* column = values.data() + static_cast<std::size_t>(s) * kCountSlots;
        for (int c = 0; c < kChannels; ++c) {
            m[c] = std::max(m[c], column[c]);
        }
    }
    std::copy(m.begin(), m.begin() + kChannels, blockMax_.begin());
}

// Written in place: the labels keep their buffers from one step to the next.
void LiveDisplay::updateSignalLabels() {
    char sample[32];
    std::snprintf(sample, sizeof sample, "Sample %d/%d", static_cast<int>(data_.sampleIndex),
                  data_.samples.rtBuffer());
    lbl_sample.text.assign(sample);
    if (!data_.temperatureText.empty()) {
        lbl_temperature.text.assign("T=").append(data_.temperatureText).append("*C");
    }
}

}  // namespace qv
