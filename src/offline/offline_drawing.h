#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/canvas.h"
#include "offline/offline_activity.h"
#include "store/plate_format.h"

namespace qv {

// The offline plots, each drawn whole on any Canvas (the window's picture, an SVG file, a
// recording canvas in tests) from data computed beforehand.

// The colour of a group's line and points; the free channels are grey.
Color seriesColor(int slot);
// " [#003]", and " [#999]" for the free channels, as the group list names them.
std::string seriesLabel(int slot);

// Lines of group values over time. The group line plot fills one from binned activity; a
// series over other time points (several acquisitions, another time unit) fills its own.
struct SeriesPlot {
    std::string title = "Line PLOT";
    std::string timeAxis = "Time[min]";
    std::vector<double> times;  // the time of each point
    // False for a point that received no data: the line passes over it.
    std::vector<bool> present;
    std::vector<int> groupSlots;  // the groups drawn, kFreeSlot for the free channels
    std::function<double(int slot, int point)> value;
    // The label of a tick on the time axis; whole minutes when not given.
    std::function<std::string(double time)> timeLabel;
    // The label after each line; seriesLabel when not given.
    std::function<std::string(int slot)> label;
    // The top of the value axis; 0 takes the largest value drawn.
    double top = 0;
};

// The points of a line plot: bin k (1..bins) at (k - 1) x bin size.
SeriesPlot lineSeries(const BinnedActivity& activity, const std::vector<int>& groupSlots);

// Title, axes with the largest value and the time ticks, one line per group in its colour
// with its label after the last point.
void drawSeriesPlot(Canvas& cv, const SeriesPlot& plot);

// One bar per group of the whole run (bin 1), light greys with black outlines, the scale at
// 1.2 times the largest bar with "0" and the largest value printed, the summary beside it.
void drawBarPlot(Canvas& cv, const BinnedActivity& activity, const std::vector<int>& groupSlots,
                 const std::string& summary);

// Total activity of each well: the sum of the totals of the channels that lie in it.
std::vector<std::int64_t> wellTotals(const PlateFormat& plate, const ChannelTotals& totals);

// The heat map on the plate's own coordinates: a grey bar in every well whose group is shown,
// darker and taller the busier the well (the busiest at least 255 counts to be black), then
// the wells, their group labels and the rulers as the group editor draws them.
void drawHeatMap(Canvas& cv, const PlateFormat& plate,
                 const std::array<std::int16_t, kChannelSlots>& channelGroup,
                 const ChannelTotals& totals, const std::vector<int>& groupSlots);

// The grey level and bar of one well: level = 255 - round(total / M x 255).
int heatLevel(std::int64_t total, std::int64_t largest);

// The raw samples of one well over one page of blocks.
struct SignalPage {
    int page = 1;
    int pages = 1;
    int rtBuffer = 500;
    int blocksPerPage = 50;
    std::string well;           // "B3"
    std::vector<int> channels;  // one per beam of the well
    // [beam][block in page x rtBuffer + sample]
    std::vector<std::vector<std::int16_t>> samples;
    // Blocks of the page that were read (a run that ends inside the page has fewer).
    std::vector<bool> blockRead;
};

// -1000 .. 50 blocks of samples across, 2150 down to -150: "100%" and "  0%" on the scale,
// the first and last sample of the page in thousands ("k") with "[sample]", a grey line at
// every block, each beam in its colour.
void drawSignalPage(Canvas& cv, const SignalPage& page);

// Event counts of a well's beams per raw block, by DetectActivity.
struct WellAnalysis {
    std::string well;
    std::vector<int> channels;
    std::vector<double> minutes;           // time of each block
    std::vector<std::vector<int>> counts;  // [beam][block]
    std::string setting;                   // "Mode:1 SNR=1.8"
};

// Counts per block over "Time(min)", one line per beam.
void drawWellAnalysis(Canvas& cv, const WellAnalysis& analysis);

// A picture with one line of text: what a plot shows when there is nothing to draw.
void drawNotice(Canvas& cv, const std::string& text);

}  // namespace qv
