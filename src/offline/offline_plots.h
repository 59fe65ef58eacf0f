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
#include "offline/series/picture_export.h"

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
    // "Export to ASCII...": the raw signals of the page shown, as datafile.txt.
    void exportSignalPage();
    // A tag's kinetic series (OfflineSeries) or the path tracking (OfflineTracking) takes the
    // picture: line plot mode for the series, tracking mode for the replay.
    void showSeries();
    void showTracking();
    // Saves the picture into the application folder as the entry's bitmap (through the window)
    // with a PNG and an SVG copy beside it, and opens the bitmap.
    void exportPicture(PictureExport entry);

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
    enum class Shown { Nothing, Lines, Bars, HeatMap, Signal, Analysis, Kinetics, Tracking };

    std::filesystem::path countsFile() const;
    bool computeLines(int binSize);
    bool computeBars();
    void reportIgnoredRecords(const BinnedActivity& a);
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
    bool ignoredReported_ = false;
};

}  // namespace qv
