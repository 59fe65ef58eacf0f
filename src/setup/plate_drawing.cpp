#include "setup/plate_drawing.h"

#include <algorithm>
#include <string>

namespace qv {

namespace {

constexpr double kSpacing = 100;
constexpr double kMargin = 50;
constexpr double kChannelRadius = 5;
// The drag bands lie in the margin next to the plate's edges, clear of the row letters.
constexpr double kBandOuter = 12;
constexpr double kBandInner = 3;

double plateLeft(const PlateFormat& p) {
    return p.columnOffset * kSpacing;
}

double plateTop(const PlateFormat& p) {
    return p.rowOffset * kSpacing;
}

double columnX(const PlateFormat& p, int column) {
    return plateLeft(p) + column * p.columnPitch * kSpacing;
}

double rowY(const PlateFormat& p, int row) {
    return plateTop(p) + row * p.rowPitch * kSpacing;
}

void drawWells(Canvas& canvas, const PlateFormat& p) {
    for (int c = 0; c < p.columns; ++c) {
        for (int r = 0; r < p.rows; ++r) {
            canvas.box(columnX(p, c), rowY(p, r), columnX(p, c + 1), rowY(p, r + 1), colors::red);
        }
    }
}

void drawChannels(Canvas& canvas, const PlateFormat& p, const GroupsModel& model) {
    for (int column = 0; column < 24; ++column) {
        for (int row = 0; row < 16; ++row) {
            const int channel = column * 16 + row;
            const bool usable = model.channelEnabled[channel] && p.wellOfChannel[channel] >= 0;
            canvas.circle(column * kSpacing + 50, row * kSpacing + 50, kChannelRadius,
                          usable ? colors::blue : colors::yellow);
        }
    }
}

// Labels sit 45 units into their well; in wells too narrow for that (384 wells) they move
// left so that neighbouring labels do not run into each other.
double labelInset(const Canvas& canvas, const PlateFormat& p, const std::string& label) {
    constexpr double kInset = 45;
    const double room = p.columnPitch * kSpacing - canvas.textWidth(label);
    return std::clamp(room - 5, 5.0, kInset);
}

void drawGroupLabels(Canvas& canvas, const PlateFormat& p,
                     const std::array<std::int16_t, kChannelSlots>& channelGroup) {
    for (int c = 0; c < p.columns; ++c) {
        for (int r = 0; r < p.rows; ++r) {
            const int channel = p.channelOf(wellAt(p, {r, c}), 0);
            if (channel < 0) {
                continue;
            }
            const int group = channelGroup[channel];
            if (isGroupNumber(group)) {
                const std::string label = "G" + std::to_string(group);
                canvas.text(columnX(p, c) + labelInset(canvas, p, label), rowY(p, r) + 25, label,
                            groupColor(group));
            }
        }
    }
}

void drawRulers(Canvas& canvas, const PlateFormat& p) {
    const double top = plateTop(p) - kMargin;
    const double left = plateLeft(p) - kMargin;
    for (int c = 0; c < p.columns; ++c) {
        const std::string number = std::to_string(c + 1);
        const double middle = (columnX(p, c) + columnX(p, c + 1)) / 2;
        canvas.text(middle - canvas.textWidth(number) / 2, top, number, colors::black);
    }
    for (int r = 0; r < p.rows; ++r) {
        const std::string letter(1, static_cast<char>('A' + r));
        const double middle = (rowY(p, r) + rowY(p, r + 1)) / 2;
        canvas.text(left + 4, middle - canvas.textHeight() / 2, letter, colors::black);
    }
}

void drawBands(Canvas& canvas, const PlateFormat& p, const CellRange& range, Color rows,
               Color columns) {
    canvas.filledBox(plateLeft(p) - kBandOuter, rowY(p, range.firstRow), plateLeft(p) - kBandInner,
                     rowY(p, range.lastRow + 1), rows);
    canvas.filledBox(columnX(p, range.firstColumn), plateTop(p) - kBandOuter,
                     columnX(p, range.lastColumn + 1), plateTop(p) - kBandInner, columns);
}

}  // namespace

Color groupColor(int group) {
    switch (group % 4) {
        case 0:
            return {0, 160, 0};
        case 1:
            return colors::blue;
        case 2:
            return colors::red;
        default:
            return colors::black;
    }
}

// The beam grid spans 2400 x 1600; a plate whose wells reach past it (the 6-well plate's
// large wells do) is shown whole, with a thin margin after its last column and row.
void scalePlatePicture(Canvas& canvas, const PlateFormat& plate) {
    const double right = std::max(2400.0, columnX(plate, plate.columns) + kMargin / 5);
    const double bottom = std::max(1600.0, rowY(plate, plate.rows) + kMargin / 5);
    canvas.scale(plateLeft(plate) - kMargin, plateTop(plate) - kMargin, right, bottom);
}

void drawPlate(Canvas& canvas, const PlateFormat& plate, const GroupsModel& model) {
    canvas.clear(colors::white);
    scalePlatePicture(canvas, plate);
    drawWells(canvas, plate);
    drawChannels(canvas, plate, model);
    drawGroupLabels(canvas, plate, model.channelGroup);
    drawRulers(canvas, plate);
}

void drawPlateOutline(Canvas& canvas, const PlateFormat& plate,
                      const std::array<std::int16_t, kChannelSlots>& channelGroup) {
    drawWells(canvas, plate);
    drawGroupLabels(canvas, plate, channelGroup);
    drawRulers(canvas, plate);
}

CellRange cellRange(WellCell a, WellCell b) {
    return {std::min(a.row, b.row), std::max(a.row, b.row), std::min(a.column, b.column),
            std::max(a.column, b.column)};
}

void drawDragMarks(Canvas& canvas, const PlateFormat& plate, const CellRange* previous,
                   const CellRange& now) {
    if (previous != nullptr) {
        drawBands(canvas, plate, *previous, colors::white, colors::white);
    }
    drawBands(canvas, plate, now, colors::blue, colors::red);
}

}  // namespace qv
