#pragma once

#include <string>

#include "common/canvas.h"
#include "offline/series/kinetic_series.h"

namespace qv {

// The picture of a kinetic series: the title "[TAG] Kinetics PLOT", the time axis
// "Time[unit]" with the label of every point, the value axis from 0 to the largest value (at
// least 100 in percent, so a group that rose above its Time0 stays inside the picture), and
// one line per group in its colour, its points marked and its label after the last one.
// Without points the picture says so.
void drawKineticsPlot(Canvas& canvas, const KineticSeries& series);

// The colour of a group's line; the free channels are grey.
Color kineticsColor(int slot);

// The user rectangle the plot is drawn in and where its axes lie, for tests and mouse use.
struct KineticsFrame {
    static constexpr double kWidth = 1000;
    static constexpr double kHeight = 700;
    static constexpr double kLeft = 110;
    static constexpr double kRight = 860;
    static constexpr double kTop = 80;
    static constexpr double kBottom = 600;
};

}  // namespace qv
