#include "offline/series/kinetics_plot.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "common/number_format.h"

namespace qv {

namespace {

using F = KineticsFrame;
constexpr Color kAxis{128, 128, 128};

struct Scale {
    double span;  // minutes across
    double top;   // value at the top

    double x(double minutes) const { return F::kLeft + minutes / span * (F::kRight - F::kLeft); }
    double y(double value) const { return F::kBottom - value / top * (F::kBottom - F::kTop); }
};

Scale scaleOf(const KineticSeries& s) {
    const double span = s.minutes.empty() ? 1.0 : std::max<double>(1.0, s.minutes.back());
    double top = std::max(s.largest, 1.0);
    if (s.relative) {
        top = std::max(top, 100.0);
    }
    return {span, top};
}

void drawAxes(Canvas& cv, const KineticSeries& s, const Scale& sc) {
    const std::string title = s.tag + " Kinetics PLOT";
    cv.text((F::kWidth - cv.textWidth(title)) / 2, 20, title, colors::black);
    cv.line(F::kLeft, F::kTop, F::kLeft, F::kBottom, kAxis);
    cv.line(F::kLeft, F::kBottom, F::kRight, F::kBottom, kAxis);
    const std::string topText = formatNumber(sc.top, "0") + (s.relative ? "%" : "");
    cv.text(F::kLeft - cv.textWidth(topText) - 10, F::kTop - cv.textHeight() / 2, topText,
            colors::black);
    cv.text(F::kLeft - cv.textWidth("0") - 10, F::kBottom - cv.textHeight() / 2, "0",
            colors::black);
    for (std::size_t p = 0; p < s.points(); ++p) {
        const double x = sc.x(static_cast<double>(s.minutes[p]));
        cv.line(x, F::kBottom, x, F::kBottom + 8, kAxis);
        const std::string& label = s.timeLabels[p];
        cv.text(x - cv.textWidth(label) / 2, F::kBottom + 12, label, colors::black);
    }
    const std::string axis = "Time[" + s.unit + "]";
    cv.text((F::kLeft + F::kRight - cv.textWidth(axis)) / 2, F::kBottom + 50, axis, colors::black);
}

void drawLine(Canvas& cv, const KineticSeries& s, const Scale& sc, std::size_t line) {
    const int slot = s.groupSlots[line];
    const Color c = kineticsColor(slot);
    const std::vector<double>& v = s.values[line];
    for (std::size_t p = 0; p < v.size(); ++p) {
        const double x = sc.x(static_cast<double>(s.minutes[p]));
        const double y = sc.y(v[p]);
        if (p > 0) {
            cv.line(sc.x(static_cast<double>(s.minutes[p - 1])), sc.y(v[p - 1]), x, y, c);
        }
        cv.filledCircle(x, y, 4, c);
    }
}

// The groups' labels after their last points, top to bottom: groups that end at the same
// height (in percent every group starts at 100) would print over each other, so each label
// is moved down until it clears the one above.
void drawEndLabels(Canvas& cv, const KineticSeries& s, const Scale& sc) {
    std::vector<std::pair<double, std::size_t>> rows;  // wanted top, line
    for (std::size_t line = 0; line < s.groupSlots.size(); ++line) {
        if (!s.values[line].empty()) {
            rows.emplace_back(sc.y(s.values[line].back()) - cv.textHeight() / 2, line);
        }
    }
    std::stable_sort(rows.begin(), rows.end());
    const double x = sc.x(static_cast<double>(s.minutes.back())) + 8;
    double free = -1e300;
    for (const auto& [wanted, line] : rows) {
        const double top = std::max(wanted, free);
        const int slot = s.groupSlots[line];
        cv.text(x, top, " " + seriesGroupLabel(slot), kineticsColor(slot));
        free = top + cv.textHeight();
    }
}

}  // namespace

Color kineticsColor(int slot) {
    static constexpr std::array<Color, 12> kPalette{{{0, 128, 0},
                                                     {0, 0, 255},
                                                     {255, 0, 0},
                                                     {0, 0, 0},
                                                     {255, 128, 0},
                                                     {128, 0, 128},
                                                     {0, 160, 160},
                                                     {160, 82, 45},
                                                     {255, 0, 255},
                                                     {100, 149, 237},
                                                     {128, 128, 0},
                                                     {220, 20, 60}}};
    if (slot == kSeriesFreeSlot || slot < 0) {
        return {160, 160, 160};
    }
    return kPalette[static_cast<std::size_t>(slot) % kPalette.size()];
}

void drawKineticsPlot(Canvas& canvas, const KineticSeries& series) {
    canvas.scale(0, 0, F::kWidth, F::kHeight);
    canvas.clear(colors::white);
    if (series.points() == 0) {
        const std::string text = series.tag + ": no tagged acquisition has an activity file";
        canvas.text((F::kWidth - canvas.textWidth(text)) / 2, F::kHeight / 2, text, colors::black);
        return;
    }
    const Scale sc = scaleOf(series);
    drawAxes(canvas, series, sc);
    for (std::size_t line = 0; line < series.groupSlots.size(); ++line) {
        drawLine(canvas, series, sc, line);
    }
    drawEndLabels(canvas, series, sc);
}

}  // namespace qv
