#include "offline/offline_plots.h"

#include <algorithm>
#include <exception>

#include "analysis/activity_files.h"
#include "common/field_text.h"
#include "common/number_format.h"
#include "common/svg_canvas.h"
#include "offline/offline_series.h"
#include "offline/offline_tracking.h"
#include "offline/offline_window.h"
#include "setup/group_layout.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNoActivityFile = "Activity file not Found";

int slotOfEntry(const std::string& entry) {
    const int g = groupOfEntry(entry);
    return g == 999 ? kFreeSlot : g;
}

}  // namespace

OfflinePlots::OfflinePlots(OfflineWindow& window, Ui& ui, Clock& clock)
    : w_(window), ui_(ui), clock_(clock) {}

fs::path OfflinePlots::countsFile() const {
    return countsFilePath(w_.item().path);
}

void OfflinePlots::release() {
    lines_.reset();
    bars_.reset();
    totals_.reset();
    page_.reset();
    analysis_.reset();
    layout_ = RawLayout();
    shown_ = Shown::Nothing;
    lastGroupPlot_ = Shown::Nothing;
    w_.series().clear();
    w_.tracking().stop();
    if (w_.Picreal.canvas != nullptr) {
        w_.Picreal.canvas->clear(colors::white);
    }
}

void OfflinePlots::reset() {
    release();
    ignoredReported_ = false;
    mode_ = PlotMode::Bars;
    signalCaptions(false);
    w_.Txtpage.text = "1/1";
    w_.scrollpage.minimum = 1;
    w_.scrollpage.maximum = 1;
    w_.scrollpage.value = 1;
    fillWellPickers();
}

void OfflinePlots::show(Shown what, PlotMode mode) {
    if (what != Shown::Kinetics) {
        w_.series().clear();
    }
    if (what != Shown::Tracking) {
        w_.tracking().stop();
    }
    shown_ = what;
    mode_ = mode;
    if (what == Shown::Lines || what == Shown::Bars || what == Shown::HeatMap) {
        lastGroupPlot_ = what;
    }
    redraw();
}

void OfflinePlots::redraw() {
    if (w_.Picreal.canvas != nullptr) {
        draw(*w_.Picreal.canvas);
    }
}

std::vector<int> OfflinePlots::chosenSlots() const {
    const Control& list = w_.lstgrup_plot;
    std::vector<int> groupSlots;
    for (const int row : list.selectedRows) {
        if (row >= 0 && row < static_cast<int>(list.items.size())) {
            groupSlots.push_back(slotOfEntry(list.items[static_cast<std::size_t>(row)]));
        }
    }
    if (groupSlots.empty()) {
        for (const std::string& entry : list.items) {
            groupSlots.push_back(slotOfEntry(entry));
        }
    }
    // Groups first in number order, the free channels last, as the tables hold them.
    groupSlots.erase(std::remove_if(groupSlots.begin(), groupSlots.end(),
                                    [](int s) { return s < 0 || s >= kGroupSlots; }),
                     groupSlots.end());
    std::sort(groupSlots.begin(), groupSlots.end());
    groupSlots.erase(std::unique(groupSlots.begin(), groupSlots.end()), groupSlots.end());
    return groupSlots;
}

void OfflinePlots::draw(Canvas& cv) const {
    const OpenedItem& item = w_.item();
    switch (shown_) {
        case Shown::Lines:
            drawSeriesPlot(cv, lineSeries(*lines_, chosenSlots()));
            break;
        case Shown::Bars:
            drawBarPlot(cv, *bars_, chosenSlots(), item.summary);
            break;
        case Shown::HeatMap:
            drawHeatMap(cv, item.plate, item.setup.channelGroup, *totals_, chosenSlots());
            break;
        case Shown::Signal:
            drawSignalPage(cv, *page_);
            break;
        case Shown::Analysis:
            drawWellAnalysis(cv, *analysis_);
            break;
        case Shown::Kinetics:
            w_.series().draw(cv);
            break;
        case Shown::Tracking:
            w_.tracking().draw(cv);
            break;
        case Shown::Nothing:
            cv.clear(colors::white);
            break;
    }
}

// --- Group plots

bool OfflinePlots::computeLines(int binSize) {
    lines_ = binActivity(countsFile(), w_.item().setup.channelGroup, binSize, true);
    if (!lines_ || !w_.item().isAcquisition()) {
        lines_.reset();
        ui_.message(kNoActivityFile);
        return false;
    }
    reportIgnoredRecords(*lines_);
    return true;
}

bool OfflinePlots::computeBars() {
    bars_ = binActivity(countsFile(), w_.item().setup.channelGroup, 5, false);
    if (!bars_ || !w_.item().isAcquisition()) {
        bars_.reset();
        ui_.message(kNoActivityFile);
        return false;
    }
    reportIgnoredRecords(*bars_);
    return true;
}

// Said once per opened item: the plots go on without the damaged records.
void OfflinePlots::reportIgnoredRecords(const BinnedActivity& a) {
    if (a.ignoredRecords == 0 || ignoredReported_) {
        return;
    }
    ignoredReported_ = true;
    ui_.message(std::to_string(a.ignoredRecords) + " record(s) of " + countsFile().string() +
                " carry an impossible time stamp and are left out of the plots.");
}

void OfflinePlots::linePlot() {
    const int binSize = initialBinSize(w_.item().setup.Aq_lapse);
    w_.txt_binsize.text = std::to_string(binSize);
    if (computeLines(binSize)) {
        show(Shown::Lines, PlotMode::Lines);
    }
}

int OfflinePlots::boxBinSize() const {
    std::string text = w_.txt_binsize.text;
    std::replace(text.begin(), text.end(), ',', '.');
    const auto v = parseNumber(text);
    if (!v || !(*v >= 1) || *v > 32767) {
        return 5;
    }
    return static_cast<int>(*v);
}

void OfflinePlots::binSizeStep(bool up) {
    const int span = lines_ ? binSpan(lines_->bins, lines_->binSize) : 30;
    const int value = boxBinSize();
    const int next = up ? binSizeUp(value, span) : binSizeDown(value, span);
    w_.txt_binsize.text = std::to_string(next);
    if (computeLines(next)) {
        show(Shown::Lines, PlotMode::Lines);
    }
}

void OfflinePlots::barPlot() {
    w_.txt_binsize.text = "5";
    if (computeBars()) {
        show(Shown::Bars, PlotMode::Bars);
    }
}

void OfflinePlots::heatMap() {
    totals_ = w_.item().isAcquisition() ? channelTotals(countsFile()) : std::nullopt;
    if (!totals_) {
        ui_.message(kNoActivityFile);
        return;
    }
    if (!w_.item().plateLoaded) {
        ui_.message("Multiwell Configuration File " + w_.item().setup.Plate_format +
                    ".dat or .bak not found");
        return;
    }
    show(Shown::HeatMap, PlotMode::HeatMap);
}

void OfflinePlots::redrawForChosenGroups() {
    if (shown_ == Shown::Lines || shown_ == Shown::Bars || shown_ == Shown::HeatMap) {
        redraw();
    }
}

void OfflinePlots::groupsChanged() {
    const Shown last = lastGroupPlot_;
    lines_.reset();
    bars_.reset();
    shown_ = Shown::Nothing;
    if (last == Shown::Lines && computeLines(boxBinSize())) {
        show(Shown::Lines, PlotMode::Lines);
    } else if (last == Shown::Bars && computeBars()) {
        show(Shown::Bars, PlotMode::Bars);
    } else if (last == Shown::HeatMap && totals_) {
        show(Shown::HeatMap, PlotMode::HeatMap);
    } else {
        redraw();
    }
}

void OfflinePlots::groupActivity() {
    signalCaptions(false);
    page_.reset();
    analysis_.reset();
    switch (lastGroupPlot_) {
        case Shown::Lines:
            show(Shown::Lines, PlotMode::Lines);
            break;
        case Shown::HeatMap:
            show(Shown::HeatMap, PlotMode::HeatMap);
            break;
        default:
            barPlot();
    }
}

// --- Export

void OfflinePlots::showSeries() {
    show(Shown::Kinetics, PlotMode::Lines);
}

void OfflinePlots::showTracking() {
    show(Shown::Tracking, PlotMode::Tracking);
}

void OfflinePlots::exportPicture(PictureExport entry) {
    if (shown_ == Shown::Nothing) {
        return;
    }
    const auto saveSvg = [this](const fs::path& file) {
        SvgCanvas svg(w_.pictureWidth, w_.pictureHeight);
        draw(svg);
        return svg.save(file);
    };
    qv::exportPicture(w_.applicationFolder(), entry, w_.saveBitmap, saveSvg, ui_);
}

void OfflinePlots::mouse(const MouseEvent& e) {
    if (e.kind != MouseEvent::Kind::Up || e.button != 2 || shown_ == Shown::Nothing) {
        return;
    }
    switch (mode_) {
        case PlotMode::Bars:
        case PlotMode::Signal:
        case PlotMode::Analysis:
            w_.popupMenu = w_.MnExporta.name;
            break;
        case PlotMode::Lines:
            w_.popupMenu = shown_ == Shown::Kinetics ? w_.MnRelativize.name : w_.Mnline.name;
            break;
        case PlotMode::HeatMap:
            w_.popupMenu = w_.Mnplate.name;
            break;
        case PlotMode::Tracking:
        case PlotMode::AfterTrackingExport:
            w_.popupMenu = w_.MnTrack.name;
            break;
        default:
            break;
    }
}

}  // namespace qv
