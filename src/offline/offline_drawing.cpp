#include "offline/offline_drawing.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/number_format.h"
#include "common/rounding.h"
#include "setup/plate_drawing.h"

namespace qv {

namespace {

const Color kAxis{128, 128, 128};
const Color kGuide{225, 225, 225};
const Color kText = colors::black;
const Color kBarLight{200, 200, 200};
const Color kBarDark{220, 220, 220};
const Color kBlockLine{200, 200, 200};

// Distinct on white, in an order that keeps neighbouring groups apart.
constexpr std::array<Color, 12> kPalette{{{0, 114, 189},
                                          {217, 83, 25},
                                          {0, 150, 60},
                                          {126, 47, 142},
                                          {190, 150, 0},
                                          {77, 190, 238},
                                          {162, 20, 47},
                                          {30, 30, 30},
                                          {230, 120, 190},
                                          {110, 80, 40},
                                          {0, 170, 160},
                                          {100, 100, 220}}};

// Fractions of the surface a character takes, measured on the unit scale.
struct TextSize {
    double width;
    double height;
};

TextSize textFractions(Canvas& cv) {
    cv.scale(0, 0, 1, 1);
    return {cv.textWidth("0"), cv.textHeight()};
}

// Scales the canvas so the data rectangle [x0, x1] x [y0, y1] (values growing upwards) fills
// the surface between the given fractions: from the left and right edge, and from the top and
// bottom edge.
void fitData(Canvas& cv, double x0, double x1, double y0, double y1, double left, double right,
             double top, double bottom) {
    const double w = (x1 - x0) / (1 - left - right);
    const double h = (y1 - y0) / (1 - top - bottom);
    cv.scale(x0 - left * w, y1 + top * h, x1 + right * w, y0 - bottom * h);
}

void centred(Canvas& cv, double x, double y, const std::string& t, Color c) {
    cv.text(x - cv.textWidth(t) / 2, y, t, c);
}

// Text ending at x, its middle at the level y of an upward axis.
void leftOf(Canvas& cv, double x, double y, const std::string& t, Color c) {
    cv.text(x - cv.textWidth(t), y + cv.textHeight() / 2, t, c);
}

std::string wholeMinutes(double t) {
    return formatNumber(t, "0");
}

// A tick step of 1, 2 or 5 times a power of ten that gives at most `most` ticks over the span.
double tickStep(double span, int most) {
    if (!(span > 0)) {
        return 1;
    }
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10 * power;
}

void drawTimeTicks(Canvas& cv, const SeriesPlot& p, double t0, double t1) {
    const auto label = p.timeLabel ? p.timeLabel : wholeMinutes;
    const double step = tickStep(t1 - t0, 10);
    const double tick = cv.textHeight() / 3;
    for (double t = std::ceil(t0 / step) * step; t <= t1 + step * 1e-9; t += step) {
        cv.line(t, 0, t, -tick, kAxis);
        centred(cv, t, -tick, label(t), kText);
    }
}

double largestValue(const SeriesPlot& p) {
    double top = 0;
    for (const int slot : p.groupSlots) {
        for (std::size_t i = 0; i < p.times.size(); ++i) {
            if (p.present.empty() || p.present[i]) {
                top = std::max(top, p.value(slot, static_cast<int>(i)));
            }
        }
    }
    return top;
}

struct EndLabel {
    double x;
    double y;
    int slot;
};

// One group's line; where it ends, for its label.
std::optional<EndLabel> drawSeriesLine(Canvas& cv, const SeriesPlot& p, int slot) {
    const Color colour = seriesColor(slot);
    bool have = false;
    double px = 0, py = 0;
    for (std::size_t i = 0; i < p.times.size(); ++i) {
        if (!p.present.empty() && !p.present[i]) {
            continue;
        }
        const double x = p.times[i];
        const double y = p.value(slot, static_cast<int>(i));
        if (have) {
            cv.line(px, py, x, y, colour);
        } else {
            cv.point(x, y, colour);
        }
        have = true;
        px = x;
        py = y;
    }
    return have ? std::optional<EndLabel>(EndLabel{px, py, slot}) : std::nullopt;
}

// The labels after the lines' last points, moved apart where lines end close together.
void drawEndLabels(Canvas& cv, const SeriesPlot& p, std::vector<EndLabel> labels) {
    std::sort(labels.begin(), labels.end(),
              [](const EndLabel& a, const EndLabel& b) { return a.y < b.y; });
    const double room = cv.textHeight();
    for (std::size_t i = 1; i < labels.size(); ++i) {
        labels[i].y = std::max(labels[i].y, labels[i - 1].y + room);
    }
    for (const EndLabel& l : labels) {
        cv.text(l.x, l.y + room / 2, p.label ? p.label(l.slot) : seriesLabel(l.slot),
                seriesColor(l.slot));
    }
}

// The summary's lines, its tabs shown as blanks.
std::vector<std::string> summaryLines(const std::string& summary) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from < summary.size()) {
        const auto end = summary.find("\r\n", from);
        std::string line = summary.substr(from, end == std::string::npos ? end : end - from);
        std::replace(line.begin(), line.end(), '\t', ' ');
        out.push_back(std::move(line));
        if (end == std::string::npos) {
            break;
        }
        from = end + 2;
    }
    return out;
}

}  // namespace

Color seriesColor(int slot) {
    if (slot == kFreeSlot) {
        return {128, 128, 128};
    }
    return kPalette[static_cast<std::size_t>(std::max(slot, 0)) % kPalette.size()];
}

std::string seriesLabel(int slot) {
    return " [#" + formatPadded(slot == kFreeSlot ? 999 : slot, 3) + "]";
}

SeriesPlot lineSeries(const BinnedActivity& a, const std::vector<int>& groupSlots) {
    SeriesPlot p;
    for (int b = 1; b <= a.bins; ++b) {
        p.times.push_back(static_cast<double>(b - 1) * a.binSize);
        p.present.push_back(a.records[b] > 0);
    }
    p.groupSlots = groupSlots;
    p.value = [&a](int slot, int point) { return a.at(slot, point + 1); };
    return p;
}

void drawSeriesPlot(Canvas& cv, const SeriesPlot& p) {
    cv.clear(colors::white);
    const TextSize ts = textFractions(cv);
    const double t0 = p.times.empty() ? 0 : p.times.front();
    double t1 = p.times.empty() ? 1 : p.times.back();
    if (!(t1 > t0)) {
        t1 = t0 + 1;
    }
    const double largest = p.top > 0 ? p.top : largestValue(p);
    const double top = largest > 0 ? largest * 1.1 : 1;
    fitData(cv, t0, t1, 0, top, ts.width * 8, ts.width * 9, ts.height * 3, ts.height * 4);
    for (const double level : {top / 1.1 / 2, top / 1.1}) {
        cv.line(t0, level, t1, level, kGuide);
    }
    cv.line(t0, 0, t1, 0, kAxis);
    cv.line(t0, 0, t0, top, kAxis);
    const double gap = cv.textWidth(" ");
    leftOf(cv, t0 - gap, 0, "0", kText);
    if (largest > 0) {
        leftOf(cv, t0 - gap, largest, formatNumber(largest, "0"), kText);
    }
    drawTimeTicks(cv, p, t0, t1);
    centred(cv, (t0 + t1) / 2, -cv.textHeight() * 1.5, p.timeAxis, kText);
    centred(cv, (t0 + t1) / 2, top + cv.textHeight() * 2, p.title, kText);
    cv.setLineWidth(2);
    std::vector<EndLabel> labels;
    for (const int slot : p.groupSlots) {
        if (const auto end = drawSeriesLine(cv, p, slot)) {
            labels.push_back(*end);
        }
    }
    cv.setLineWidth(1);
    drawEndLabels(cv, p, std::move(labels));
}

void drawBarPlot(Canvas& cv, const BinnedActivity& a, const std::vector<int>& groupSlots,
                 const std::string& summary) {
    cv.clear(colors::white);
    const TextSize ts = textFractions(cv);
    const std::vector<std::string> lines = summaryLines(summary);
    std::size_t widest = 0;
    for (const auto& l : lines) {
        widest = std::max(widest, l.size());
    }
    const double summaryRoom = std::min(0.5, ts.width * (static_cast<double>(widest) + 3));
    double largest = 0;
    for (const int slot : groupSlots) {
        largest = std::max(largest, a.at(slot, 1));
    }
    const double top = largest > 0 ? largest * 1.2 : 1;
    const double n = std::max<double>(static_cast<double>(groupSlots.size()), 1);
    fitData(cv, 0, n, 0, top, ts.width * 8, summaryRoom, ts.height * 2, ts.height * 3);
    cv.line(0, 0, n, 0, kAxis);
    cv.line(0, 0, 0, top, kAxis);
    const double gap = cv.textWidth(" ");
    leftOf(cv, -gap, 0, "0", kText);
    if (largest > 0) {
        cv.line(-gap / 2, largest, 0, largest, kAxis);
        leftOf(cv, -gap, largest, formatNumber(largest, "0"), kText);
    }
    for (std::size_t i = 0; i < groupSlots.size(); ++i) {
        const double x = static_cast<double>(i);
        const double v = a.at(groupSlots[i], 1);
        cv.filledBox(x + 0.15, 0, x + 0.85, v, i % 2 == 0 ? kBarLight : kBarDark);
        cv.box(x + 0.15, 0, x + 0.85, v, colors::black);
        centred(cv, x + 0.5, -cv.textHeight() / 4,
                formatPadded(groupSlots[i] == kFreeSlot ? 999 : groupSlots[i], 3), kText);
    }
    double y = top;
    for (const auto& line : lines) {
        cv.text(n + gap * 2, y, line, kText);
        y -= cv.textHeight() * 1.2;
    }
}

std::vector<std::int64_t> wellTotals(const PlateFormat& plate, const ChannelTotals& totals) {
    std::vector<std::int64_t> wells(
        static_cast<std::size_t>(std::max<int>(plate.largestWell, 0)) + 1, 0);
    for (int c = 0; c < kChannels; ++c) {
        const int w = plate.wellOfChannel[c];
        if (w >= 0 && w < static_cast<int>(wells.size())) {
            wells[w] += totals[c];
        }
    }
    return wells;
}

int heatLevel(std::int64_t total, std::int64_t largest) {
    const double m = static_cast<double>(std::max<std::int64_t>(largest, 255));
    const auto f = roundHalfEven(static_cast<double>(std::max<std::int64_t>(total, 0)) / m * 255);
    return 255 - static_cast<int>(std::clamp<std::int64_t>(f, 0, 255));
}

void drawHeatMap(Canvas& cv, const PlateFormat& plate,
                 const std::array<std::int16_t, kChannelSlots>& channelGroup,
                 const ChannelTotals& totals, const std::vector<int>& groupSlots) {
    cv.clear(colors::white);
    scalePlatePicture(cv, plate);
    const std::vector<std::int64_t> wells = wellTotals(plate, totals);
    const std::int64_t m =
        std::max<std::int64_t>(*std::max_element(wells.begin(), wells.end()), 255);
    const double cellW = plate.columnPitch * 100;
    const double cellH = plate.rowPitch * 100;
    for (int c = 0; c < plate.columns; ++c) {
        for (int r = 0; r < plate.rows; ++r) {
            const int w = c * plate.rows + r;
            const int beam0 = plate.channelOf(w, 0);
            if (w >= static_cast<int>(wells.size()) || plate.beamsOfWell(w) == 0 || beam0 < 0 ||
                std::find(groupSlots.begin(), groupSlots.end(), groupSlot(channelGroup[beam0])) ==
                    groupSlots.end()) {
                continue;
            }
            const double left = (plate.columnOffset + c * plate.columnPitch) * 100;
            const double cellTop = (plate.rowOffset + r * plate.rowPitch) * 100;
            const double bottom = cellTop + cellH * 0.95;
            const double height = static_cast<double>(wells[w]) / static_cast<double>(m) * cellH;
            cv.filledBox(left + 0.6 * cellW, std::max(bottom - height, cellTop),
                         left + 0.95 * cellW, bottom,
                         Color::grey(static_cast<std::uint8_t>(heatLevel(wells[w], m))));
        }
    }
    drawPlateOutline(cv, plate, channelGroup);
}

void drawSignalPage(Canvas& cv, const SignalPage& p) {
    cv.clear(colors::white);
    const int perBlock = std::max(p.rtBuffer, 1);
    const double span = static_cast<double>(p.blocksPerPage) * perBlock;
    cv.scale(-span / 25, 2150, span, -150);
    for (int b = 0; b <= p.blocksPerPage; ++b) {
        cv.line(b * perBlock, -50, b * perBlock, 2100, kBlockLine);
    }
    cv.line(0, 0, span, 0, kAxis);
    cv.line(0, 2000, span, 2000, kAxis);
    cv.text(-span / 25, 2000 + cv.textHeight() / 2, "100%", kText);
    cv.text(-span / 25, cv.textHeight() / 2, "  0%", kText);
    const double thousands = span / 1000;
    const std::string first = formatNumber((p.page - 1) * thousands, "0") + "k";
    const std::string last = formatNumber(p.page * thousands, "0") + "k";
    const double labelY = -150 + cv.textHeight() * 1.1;
    cv.text(0, labelY, first, kText);
    cv.text(span - cv.textWidth(last), labelY, last, kText);
    centred(cv, span / 2, labelY, "[sample]", kText);
    // Every sample would be far more lines than the picture has pixels: each stretch of 25
    // samples is drawn as its lowest and highest value, joined to the next stretch.
    constexpr int kStretch = 25;
    for (std::size_t beam = 0; beam < p.samples.size(); ++beam) {
        const Color colour = seriesColor(static_cast<int>(beam));
        const auto& s = p.samples[beam];
        bool have = false;
        double lastX = 0, lastY = 0;
        for (std::size_t from = 0; from < s.size(); from += kStretch) {
            const std::size_t block = from / static_cast<std::size_t>(perBlock);
            if (block >= p.blockRead.size() || !p.blockRead[block]) {
                have = false;
                continue;
            }
            const std::size_t to = std::min(s.size(), from + kStretch);
            const auto [lo, hi] = std::minmax_element(s.begin() + static_cast<long>(from),
                                                      s.begin() + static_cast<long>(to));
            const double x = static_cast<double>(from);
            if (have) {
                cv.line(lastX, lastY, x, s[from], colour);
            }
            cv.line(x, *lo, x + kStretch - 1, *hi, colour);
            have = true;
            lastX = x + kStretch - 1;
            lastY = s[to - 1];
        }
    }
    cv.filledBox(0, 2150, cv.textWidth(" Well " + p.well + " "), 2150 - cv.textHeight(),
                 colors::white);
    cv.text(cv.textWidth(" "), 2150, "Well " + p.well, kText);
}

void drawWellAnalysis(Canvas& cv, const WellAnalysis& a) {
    SeriesPlot p;
    p.title = "Well " + a.well + " [" + a.setting + "]";
    p.timeAxis = "Time(min)";
    p.times = a.minutes;
    for (std::size_t beam = 0; beam < a.counts.size(); ++beam) {
        p.groupSlots.push_back(static_cast<int>(beam));
    }
    p.label = [&a](int beam) {
        return " CH" + std::to_string(a.channels[static_cast<std::size_t>(beam)]);
    };
    p.value = [&a](int beam, int block) {
        return static_cast<double>(
            a.counts[static_cast<std::size_t>(beam)][static_cast<std::size_t>(block)]);
    };
    drawSeriesPlot(cv, p);
}

void drawNotice(Canvas& cv, const std::string& text) {
    cv.clear(colors::white);
    cv.scale(0, 0, 1, 1);
    centred(cv, 0.5, 0.45, text, kText);
}

}  // namespace qv
