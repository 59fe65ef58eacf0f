#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/canvas.h"
#include "common/clock.h"
#include "common/controls.h"
#include "common/ui.h"
#include "offline/offline_activity.h"
#include "offline/offline_drawing.h"
#include "offline/offline_signal.h"

namespace qv {

class OfflineWindow;

// The plot mode of the picture, numbered as the window numbers it.
enum class PlotMode : int {
    Bars = 0,
    Signal = 1,
    Analysis = 2,
    GroupEditing = 3,
    Lines = 4,
    HeatMap = 5,
    Tracking = 6,
    AfterTrackingExport = 99,
};

// The plots of the opened acquisition on the picture Picreal: group lines over time in
// adjustable bins, group bars over the whole run, the plate heat map, the raw beam signals of
// one well page by page, and the event counts of that well found again by the detection.
// Whatever the picture shows can be drawn again on any canvas (a resized picture, an SVG copy).
class OfflinePlots {
  public:
    OfflinePlots(OfflineWindow& window, Ui& ui, Clock& clock);

    // A new item was opened: the buffers go, captions and pickers start again, mode 0.
    void reset();
    // Leaving the window: the buffers go.
    void release();

    void linePlot();
    void barPlot();
    void heatMap();
    void channelSignal();
    void groupActivity();
    void analyze();
    // "+" (up) and "-": the bin size box, then the line plot again.
    void binSizeStep(bool up);
    void pageChosen();
    void wellChosen();
    // Right button released on the picture: the menu that fits what it shows.
    void mouse(const MouseEvent& e);
    // What the picture shows, drawn again (on the picture's own canvas).
    void redraw();
    // The plot group list's choice changed: the group plot shown follows it.
    void redrawForChosenGroups();
    // The groups of the opened acquisition changed (group editing): the group plot last shown
    // is computed again with them.
    void groupsChanged();
    // Saves the picture into the application folder as base + ".bmp" (through the window) and
    // base + ".svg", and opens the bitmap.
    void exportPicture(const std::string& base);

    // Draws what the picture shows onto any canvas.
    void draw(Canvas& cv) const;

    PlotMode mode() const { return mode_; }
    void setMode(PlotMode mode) { mode_ = mode; }
    // The group groupSlots the plot group list chooses: its selected entries, or all of them.
    std::vector<int> chosenSlots() const;
    int currentWell() const { return well_; }
    const std::optional<BinnedActivity>& lines() const { return lines_; }
    const std::optional<BinnedActivity>& bars() const { return bars_; }
    const std::optional<SignalPage>& signalPage() const { return page_; }
    const std::optional<WellAnalysis>& wellAnalysis() const { return analysis_; }

  private:
    enum class Shown { Nothing, Lines, Bars, HeatMap, Signal, Analysis };

    std::filesystem::path countsFile() const;
    bool computeLines(int binSize);
    bool computeBars();
    void signalCaptions(bool signal);
    void fillWellPickers();
    void loadPage(int page);
    int boxBinSize() const;
    void show(Shown what, PlotMode mode);

    OfflineWindow& w_;
    Ui& ui_;
    Clock& clock_;
    PlotMode mode_ = PlotMode::Bars;
    Shown shown_ = Shown::Nothing;
    // The last group plot, which "[Group Activity]" and a change of groups bring back.
    Shown lastGroupPlot_ = Shown::Nothing;
    std::optional<BinnedActivity> lines_;
    std::optional<BinnedActivity> bars_;
    std::optional<ChannelTotals> totals_;
    RawLayout layout_;
    std::optional<SignalPage> page_;
    std::optional<WellAnalysis> analysis_;
    int well_ = 0;
};

}  // namespace qv
