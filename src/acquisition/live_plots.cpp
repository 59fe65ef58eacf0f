// The activity picture Picact: bar plot, plate grid, group view and histogram plot.
#include <algorithm>
#include <cmath>

#include "acquisition/live_display.h"
#include "analysis/report_map.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {

namespace {

// The count axis of the bar plot and the group view runs 0..250 plot units.
constexpr double kAxisTop = 250;
// A bar beyond the axis (its scale grows by steps over several blocks) stops just above it
// instead of covering the picture.
constexpr double kBarClip = 262;
// Totals stop growing past this; such bars get their own colour so a frozen channel is seen.
constexpr int kFrozenTotal = 9999;
constexpr int kHistogramBinsDrawn = 50;
constexpr int kHistogramColumns = 4;

const Color kAxis = colors::black;
const Color kGuide{215, 215, 215};
const Color kBar{40, 100, 190};
const Color kFrozenBar{205, 110, 20};
const Color kGroupBar{20, 60, 140};
const Color kWellBar{90, 150, 220};
const Color kValueGrey{128, 128, 128};
const Color kWellEdge{150, 150, 150};
const Color kUnmeasured{200, 200, 200};
const Color kHistogramBar{60, 130, 80};

// Text with its top edge at y, centred on x.
void centredText(Canvas& cv, double x, double y, const std::string& t, Color c) {
    cv.text(x - cv.textWidth(t) / 2, y, t, c);
}

// Text ending at x, centred on the level y of an axis that runs upwards.
void textLeftOf(Canvas& cv, double x, double y, const std::string& t, Color c) {
    cv.text(x - cv.textWidth(t), y + cv.textHeight() / 2, t, c);
}

// The count axis shared by the bar plot and the group view: what its top and middle stand
// for at the current scale, in the format "0".
void drawValueAxis(Canvas& cv, double x0, double x1, double scale) {
    cv.line(x0, kAxisTop / 2, x1, kAxisTop / 2, kGuide);
    cv.line(x0, kAxisTop, x1, kAxisTop, kGuide);
    cv.line(x0, 0, x0, kAxisTop, kAxis);
    cv.line(x0, 0, x1, 0, kAxis);
    const double x = x0 - cv.textWidth(" ");
    textLeftOf(cv, x, kAxisTop, formatNumber(scale * kAxisTop, "0"), kAxis);
    textLeftOf(cv, x, kAxisTop / 2, formatNumber(scale * kAxisTop / 2, "0"), kAxis);
    textLeftOf(cv, x, 0, " 0", kAxis);
}

int roundedMean(std::int64_t sum, int count) {
    return count > 0 ? static_cast<int>(roundHalfEven(static_cast<double>(sum) / count)) : 0;
}

}  // namespace

// --- Bar plot

void LiveDisplay::drawBarPlot() {
    const int n = static_cast<int>(plotChannels_.size());
    setPageButtons(n > kPageChannels);
    page_ = std::clamp(page_, 0, pageCount() - 1);
    if (!(barScale_ > 0)) {
        barScale_ = 1;
    }
    const int first = page_ * kPageChannels;
    const int last = std::min(first + kPageChannels, n);
    if (Canvas* cv = Picact.canvas) {
        cv->clear(colors::white);
        cv->scale(-16, 285, kPageChannels * 10 + 4, -30);
        drawValueAxis(*cv, 0, kPageChannels * 10, barScale_);
        drawBars(*cv, first, last);
    }
    // The axis catches up with the largest bar shown by half a step per redraw.
    int largest = 0;
    for (int k = first; k < last; ++k) {
        largest = std::max<int>(largest, data_.totals[plotChannels_[k]]);
    }
    if (largest / barScale_ > kAxisTop) {
        barScale_ += 0.5;
    }
}

// Ten units a channel: the bar in the middle eight, its total above, its label below.
void LiveDisplay::drawBars(Canvas& cv, int first, int last) {
    for (int k = first; k < last; ++k) {
        const int c = plotChannels_[k];
        const int total = data_.totals[c];
        const double x = (k - first) * 10.0;
        const double h = std::clamp(total / barScale_, 0.0, kBarClip);
        cv.filledBox(x + 1.5, 0, x + 8.5, h, total > kFrozenTotal ? kFrozenBar : kBar);
        centredText(cv, x + 5, h + 1 + cv.textHeight(), formatNumber(total, "0"), kAxis);
        centredText(cv, x + 5, -2, channelLabel(c), kAxis);
    }
}

// --- Plate grid (heat map)

// Each drawable well's value into wellValue_ (-1 for a well with no channel switched on):
// the rounded mean of its channels' totals, so a well of several beams shows all of them
// rather than whichever beam was painted last. Returns the level drawn black, at least 255.
int LiveDisplay::collectWellValues(int wells) {
    const PlateFormat& plate = store_.plate();
    const ProjectSetup& setup = store_.setup();
    int m = 255;
    for (int w = 0; w < wells; ++w) {
        std::int64_t sum = 0;
        int count = 0;
        for (int b = 0; b < plate.beamsOfWell(w); ++b) {
            const int c = plate.channelOf(w, b);
            if (c >= 0 && setup.channelEnabled[c]) {
                sum += data_.totals[c];
                ++count;
            }
        }
        wellValue_[w] = count > 0 ? roundedMean(sum, count) : -1;
        m = std::max(m, wellValue_[w]);
    }
    return m;
}

void LiveDisplay::drawPlateGrid() {
    setPageButtons(false);
    Canvas* cv = Picact.canvas;
    if (!cv) {
        return;
    }
    const PlateFormat& p = store_.plate();
    // Wells beyond the plate's rows and columns have no place in its drawing (the phantom
    // well 96 of the 96-well formats among them), and no format puts a channel past 383.
    const int wells = std::min(std::max<int>(p.rows, 1) * std::max<int>(p.columns, 1), kChannels);
    const int m = collectWellValues(wells);
    const double x0 = p.columnOffset * 100;
    const double x1 = (p.columnOffset + p.columns * p.columnPitch) * 100;
    const double y0 = p.rowOffset * 100;
    const double y1 = (p.rowOffset + p.rows * p.rowPitch) * 100;
    const double margin = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) * 0.07;
    cv->clear(colors::white);
    cv->scale(x0 - margin, y0 - margin, x1 + margin * 0.3, y1 + margin);
    drawWells(*cv, wells, m);
    drawPlateLabels(*cv, m);
}

void LiveDisplay::drawWells(Canvas& cv, int wells, int m) {
    const PlateFormat& p = store_.plate();
    for (int w = 0; w < wells; ++w) {
        const int col = w / std::max<int>(p.rows, 1);
        const int row = w % std::max<int>(p.rows, 1);
        const double left = (p.columnOffset + col * p.columnPitch) * 100;
        const double right = (p.columnOffset + (col + 1) * p.columnPitch) * 100;
        const double top = (p.rowOffset + row * p.rowPitch) * 100;
        const double bottom = (p.rowOffset + (row + 1) * p.rowPitch) * 100;
        if (wellValue_[w] < 0) {
            // Nothing measured here: crossed out, so it is not read as a well without activity.
            cv.line(left, top, right, bottom, kUnmeasured);
            cv.line(left, bottom, right, top, kUnmeasured);
            continue;
        }
        const auto g = std::clamp<std::int64_t>(
            255 - roundHalfEven(static_cast<double>(wellValue_[w]) / m * 255), 0, 255);
        cv.filledBox(left, top, right, bottom, Color::grey(static_cast<std::uint8_t>(g)));
    }
}

// Well edges as one line per row and column boundary, the row letters, the column numbers and
// what black stands for.
void LiveDisplay::drawPlateLabels(Canvas& cv, int m) {
    const PlateFormat& p = store_.plate();
    const int rows = std::min<int>(p.rows, kChannels);
    const int columns = std::min<int>(p.columns, kChannels);
    const double x0 = p.columnOffset * 100;
    const double x1 = (p.columnOffset + columns * p.columnPitch) * 100;
    const double y0 = p.rowOffset * 100;
    const double y1 = (p.rowOffset + rows * p.rowPitch) * 100;
    for (int r = 0; r <= rows; ++r) {
        const double y = (p.rowOffset + r * p.rowPitch) * 100;
        cv.line(x0, y, x1, y, kWellEdge);
    }
    for (int c = 0; c <= columns; ++c) {
        const double x = (p.columnOffset + c * p.columnPitch) * 100;
        cv.line(x, y0, x, y1, kWellEdge);
    }
    const double gap = cv.textWidth(" ");
    const double th = cv.textHeight();
    for (int r = 0; r < rows; ++r) {
        const std::string letter(1, static_cast<char>('A' + r));
        const double centre = (p.rowOffset + (r + 0.5) * p.rowPitch) * 100;
        cv.text(x0 - gap - cv.textWidth(letter), centre - th / 2, letter, kAxis);
    }
    for (int c = 0; c < columns; ++c) {
        const double centre = (p.columnOffset + (c + 0.5) * p.columnPitch) * 100;
        centredText(cv, centre, y0 - th * 1.2, std::to_string(c + 1), kAxis);
    }
    cv.text(x0, y1 + th * 0.4, "white 0, black " + formatNumber(m, "0"), kAxis);
}

// --- Group view

// The chosen group's wells in list order into wellOrder_, with the sum and number of their
// listed channels in wellValue_ and wellCount_. Returns the number of wells.
int LiveDisplay::collectGroupWells() {
    const PlateFormat& plate = store_.plate();
    wellCount_.fill(0);
    int wells = 0;
    for (const int c : groupChannels_) {
        const int w = plate.wellOfChannel[c];
        if (wellCount_[w] == 0) {
            wellOrder_[wells++] = static_cast<std::int16_t>(w);
            wellValue_[w] = 0;
        }
        wellValue_[w] += data_.totals[c];
        ++wellCount_[w];
    }
    return wells;
}

void LiveDisplay::drawGroupView() {
    setPageButtons(false);
    const int wells = collectGroupWells();
    std::int64_t sum = 0;
    for (const int c : groupChannels_) {
        sum += data_.totals[c];
    }
    const int groupValue = roundedMean(sum, static_cast<int>(groupChannels_.size()));
    if (!(barScale_ > 0)) {
        barScale_ = 1;
    }
    while (groupValue / barScale_ > 255) {
        barScale_ += 0.5;
    }
    if (Canvas* cv = Picact.canvas) {
        cv->clear(colors::white);
        cv->scale(-30, 290, 305, -45);
        drawValueAxis(*cv, 5, 302, barScale_);
        drawGroupBars(*cv, groupValue, wells);
    }
}

void LiveDisplay::drawGroupBars(Canvas& cv, int groupValue, int wells) {
    const double th = cv.textHeight();
    const double gh = roundHalfEvenReal(groupValue / barScale_);
    cv.filledBox(10, 0, 30, gh, kGroupBar);
    centredText(cv, 20, gh + 1 + th, formatNumber(groupValue, "0"), kValueGrey);
    if (group_ != kNoGroup) {
        const std::string name = group_ == kFreeGroup ? "Free" : store_.setup().groupName[group_];
        cv.text(-28, -4 - th * 1.4, "G" + std::to_string(group_) + "_" + name, kAxis);
    }
    if (wells == 0) {
        return;
    }
    const double w = std::clamp<double>(roundHalfEvenReal(260.0 / wells), 1, 25);
    // Labels that would overlap their neighbours are thinned out to every n-th well.
    const int rows = store_.plate().rows;
    const double labelWidth = cv.textWidth(wellLabel(wellOrder_[wells - 1], rows) + " ");
    const int labelStep = std::max(1, static_cast<int>(std::ceil(labelWidth / w)));
    for (int k = 0; k < wells; ++k) {
        const int well = wellOrder_[k];
        const int activity = roundedMean(wellValue_[well], wellCount_[well]);
        const double h = std::min(roundHalfEvenReal(activity / barScale_), 255.0);
        const double slot = 40 + k * w;
        cv.filledBox(slot + 0.1 * w, 0, slot + 0.9 * w, h, kWellBar);
        if (k % labelStep == 0) {
            centredText(cv, slot + w / 2, -2, wellLabel(well, rows), kAxis);
        }
    }
}

// --- Histogram plot

void LiveDisplay::drawHistogramPlot() {
    const int n = static_cast<int>(plotChannels_.size());
    setPageButtons(n > kPageChannels);
    page_ = std::clamp(page_, 0, pageCount() - 1);
    Canvas* cv = Picact.canvas;
    if (!cv) {
        return;
    }
    cv->clear(colors::white);
    cv->scale(0, 3 * 115 + 4, kHistogramColumns * 106 + 4, 0);
    const int first = page_ * kPageChannels;
    const int last = std::min(first + kPageChannels, n);
    for (int k = first; k < last; ++k) {
        drawHistogram(*cv, k - first, plotChannels_[k]);
    }
}

// One panel per channel, four to a row: bins 0..49 scaled to the channel's own peak.
void LiveDisplay::drawHistogram(Canvas& cv, int slot, int channel) {
    const double x0 = (slot % kHistogramColumns) * 106 + 4;
    const double y0 = (2 - slot / kHistogramColumns) * 115 + 4;
    const double height = 80;
    cv.box(x0, y0, x0 + 2 * kHistogramBinsDrawn, y0 + height, kWellEdge);
    const bool stored = data_.histograms.size() >= static_cast<std::size_t>(kHistogramValues);
    const int peak = std::max(data_.histogramPeak[channel], 1);
    for (int b = 0; stored && b < kHistogramBinsDrawn; ++b) {
        const int v = data_.histograms[static_cast<std::size_t>(b) * kCountSlots +
                                       static_cast<std::size_t>(channel)];
        if (v > 0) {
            const double h = std::min(static_cast<double>(v) / peak, 1.0) * height;
            cv.filledBox(x0 + 2 * b, y0, x0 + 2 * b + 2, y0 + h, kHistogramBar);
        }
    }
    cv.text(x0, y0 + height + 2 + cv.textHeight(),
            channelLabel(channel) + "  peak " + std::to_string(peak), kAxis);
}

}  // namespace qv
