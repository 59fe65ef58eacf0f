#pragma once

#include "common/canvas.h"
#include "setup/group_layout.h"

namespace qv {

// The plate picture of the group editors: wells in red over the 16 x 24 beam grid, each
// channel as a small circle (blue when usable, yellow when disabled or in no well), "G" and
// the group number in every grouped well, column numbers and row letters in the margins. One
// beam spacing is 100 units; the margin of 50 units left of and above the plate holds the
// labels and the drag marks.

// The colour of a group's label: green, blue, red, black, in turn.
Color groupColor(int group);

// The user coordinates of the picture for the plate: left and top one half spacing before the
// plate's offsets, right 2400 and bottom 1600.
void scalePlatePicture(Canvas& canvas, const PlateFormat& plate);

// Clears the picture and draws the whole plate.
void drawPlate(Canvas& canvas, const PlateFormat& plate, const GroupsModel& model);

// The wells, their "G" group labels and the rulers over whatever the picture holds, on the
// scale scalePlatePicture sets: the plate views that shade wells draw them over their shades.
void drawPlateOutline(Canvas& canvas, const PlateFormat& plate,
                      const std::array<std::int16_t, kChannelSlots>& channelGroup);

// The rows and columns a drag covers, each from the smaller to the larger.
struct CellRange {
    int firstRow = 0;
    int lastRow = 0;
    int firstColumn = 0;
    int lastColumn = 0;
};
CellRange cellRange(WellCell a, WellCell b);

// The bands along the plate's left edge (rows, blue) and top edge (columns, red) that show a
// drag; the previous bands are painted over in white first.
void drawDragMarks(Canvas& canvas, const PlateFormat& plate, const CellRange* previous,
                   const CellRange& now);

}  // namespace qv
