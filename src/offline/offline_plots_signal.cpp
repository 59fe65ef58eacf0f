// The channel signal view of the offline plots: raw beam signals of one well page by page, and
// "Analyze", the well's event counts found again by the detection.
#include <algorithm>
#include <exception>

#include "common/field_text.h"
#include "common/number_format.h"
#include "offline/offline_plots.h"
#include "offline/offline_window.h"
#include "offline/series/signal_export.h"
#include "setup/group_layout.h"

namespace qv {

namespace {

// Events pass at most this often while the detection runs over the stored blocks.
constexpr std::int64_t kEventPassMs = 40;

int numberIn(const std::string& text, int otherwise) {
    const auto v = parseNumber(text);
    return v && *v >= 0 && *v < 32768 ? static_cast<int>(*v) : otherwise;
}

}  // namespace

void OfflinePlots::signalCaptions(bool signal) {
    w_.cmdchannels.text = signal ? "[Channel Signal]" : "Channel Signal";
    w_.Cmd_leegroups.text = signal ? "Group Activity" : "[Group Activity]";
}

void OfflinePlots::fillWellPickers() {
    const OpenedItem& item = w_.item();
    w_.Combofila.items.clear();
    w_.Combocol.items.clear();
    if (item.plateLoaded) {
        for (int r = 0; r < item.plate.rows && r < 26; ++r) {
            w_.Combofila.items.emplace_back(1, static_cast<char>('A' + r));
        }
        for (int c = 1; c <= item.plate.columns; ++c) {
            w_.Combocol.items.push_back(std::to_string(c));
        }
    }
    w_.txtsub.text = "0";
    selectText(w_.Combofila, "A");
    selectText(w_.Combocol, "1");
    well_ = 0;
    w_.lblcanal.text = item.plateLoaded ? std::to_string(item.plate.channelOf(0, 0)) : "";
}

// The well from the row letter and the column number; a combination outside the plate's table
// falls back to A1.
void OfflinePlots::wellChosen() {
    const PlateFormat& plate = w_.item().plate;
    const std::string& letter = w_.Combofila.text;
    const int row = letter.empty() ? -1 : static_cast<unsigned char>(letter[0]) - 65;
    const int column = numberIn(w_.Combocol.text, 0);
    int well = (column - 1) * plate.rows + row;
    if (!w_.item().plateLoaded || row < 0 || row >= plate.rows || column < 1 ||
        column > plate.columns || plate.beamsOfWell(well) == 0) {
        selectText(w_.Combofila, "A");
        selectText(w_.Combocol, "1");
        well = 0;
    }
    well_ = well;
    const int beam =
        std::clamp(numberIn(w_.txtsub.text, 0), 0, std::max(plate.beamsOfWell(well) - 1, 0));
    w_.txtsub.text = std::to_string(beam);
    w_.lblcanal.text = std::to_string(plate.channelOf(well, beam));
    if (shown_ == Shown::Signal && page_) {
        loadPage(page_->page);
        redraw();
    }
}

void OfflinePlots::loadPage(int page) {
    const OpenedItem& item = w_.item();
    page_ = loadSignalPage(item.path, layout_, page, channelsOfWellBeams(item.plate, well_));
    page_->well = wellLabel(item.plate, well_);
    w_.Txtpage.text = std::to_string(page_->page) + "/" + std::to_string(layout_.pages());
    w_.scrollpage.value = page_->page;
}

void OfflinePlots::channelSignal() {
    const OpenedItem& item = w_.item();
    if (!item.isAcquisition()) {
        return;
    }
    signalCaptions(true);
    mode_ = PlotMode::Signal;
    if (!item.plateLoaded) {
        ui_.message("Multiwell Configuration File " + item.setup.Plate_format +
                    ".dat or .bak not found");
        return;
    }
    layout_ = rawLayout(item.path, item.setup.RT_Buffer);
    const int pages = layout_.pages();
    w_.scrollpage.minimum = 1;
    w_.scrollpage.maximum = std::max(pages, 1);
    if (pages == 0) {
        page_.reset();
        w_.Txtpage.text = "0/0";
        if (w_.Picreal.canvas != nullptr) {
            drawNotice(*w_.Picreal.canvas, "No raw sample files (0.bin, 1.bin, ...) here");
        }
        shown_ = Shown::Nothing;
        return;
    }
    loadPage(1);
    show(Shown::Signal, PlotMode::Signal);
}

void OfflinePlots::pageChosen() {
    if (!page_ || shown_ != Shown::Signal) {
        return;
    }
    loadPage(std::clamp(w_.scrollpage.value, 1, std::max(layout_.pages(), 1)));
    redraw();
}

// "Export to ASCII...": the page of the well the signal view shows, as datafile.txt; nothing
// while the view holds no samples.
void OfflinePlots::exportSignalPage() {
    if (!page_ || shown_ != Shown::Signal) {
        return;
    }
    qv::exportSignals({w_.item().path, w_.applicationFolder(), page_->well, page_->page}, ui_);
}

void OfflinePlots::analyze() {
    const OpenedItem& item = w_.item();
    if (!item.isAcquisition()) {
        return;
    }
    const double snr = offlineThreshold(w_.frmtxt_threshold.text);
    if (snr == 1.8) {
        w_.frmtxt_threshold.text = formatNumber(snr, "0.0");
    }
    const bool modeOne = w_.cmb_modeanalisis.listIndex == 1;
    signalCaptions(true);
    mode_ = PlotMode::Signal;
    if (!item.plateLoaded) {
        return;
    }
    layout_ = rawLayout(item.path, item.setup.RT_Buffer);
    if (layout_.blocks() == 0) {
        ui_.message("No raw sample files (0.bin, 1.bin, ...) in " + item.path.string());
        return;
    }
    std::int64_t passed = clock_.monotonicMs();
    const bool wasEnabled = w_.Frm_offline.enabled;
    w_.Frm_offline.enabled = false;
    auto progress = [&](int done, int total) {
        if (clock_.monotonicMs() - passed >= kEventPassMs) {
            w_.lbl_status.text =
                "Analyzing block " + std::to_string(done) + "/" + std::to_string(total);
            ui_.processEvents();
            passed = clock_.monotonicMs();
        }
        return true;
    };
    try {
        analysis_ = analyseWell(item.path, layout_, channelsOfWellBeams(item.plate, well_), snr,
                                modeOne, recordMinutes(countsFile()), progress);
        analysis_->well = wellLabel(item.plate, well_);
    } catch (const std::exception& e) {
        analysis_.reset();
        ui_.message(std::string("Analyze: the detection failed on a stored block (") + e.what() +
                    ")");
    }
    w_.Frm_offline.enabled = wasEnabled;
    w_.lbl_status.text.clear();
    if (analysis_) {
        show(Shown::Analysis, PlotMode::Analysis);
    }
}

}  // namespace qv
