#include "offline/offline_series.h"

#include "offline/offline_browser.h"
#include "offline/offline_plots.h"
#include "offline/offline_window.h"
#include "offline/series/joint_report.h"
#include "offline/series/kinetic_tags.h"
#include "offline/series/kinetics_plot.h"
#include "store/tags.h"

namespace qv {

namespace fs = std::filesystem;

OfflineSeries::OfflineSeries(OfflineWindow& window, Ui& ui, Clock& clock)
    : w_(window), ui_(ui), clock_(clock) {}

// --- Tagging

void OfflineSeries::tag(int entry) {
    const OfflineBrowser& browser = w_.browser();
    const auto clicked = browser.selectedRow();
    if (!clicked) {
        return;
    }
    if (clicked->project) {
        ui_.message("Tags Apply only to Subprojects (acquisitions)");
        return;
    }
    std::vector<TagTarget> targets;
    const auto& rows = browser.rows();
    for (const int i : w_.Listpj.selectedRows) {
        if (i < 0 || i >= static_cast<int>(rows.size())) {
            continue;
        }
        const OfflineBrowser::Row& row = rows[static_cast<std::size_t>(i)];
        if (!row.project) {
            targets.push_back({w_.applicationFolder() / row.projectFolder, row.acquisition});
        }
    }
    if (targets.empty()) {
        targets.push_back({w_.applicationFolder() / clicked->projectFolder, clicked->acquisition});
    }
    const std::vector<TagTarget> failed = tagAcquisitions(targets, entry, clock_);
    w_.browser().rebuild();
    refreshOpenedTags();
    // A tag that silently did not land would leave the user believing the series complete.
    for (const TagTarget& f : failed) {
        ui_.message("The tag of " + f.acquisition + " could not be written into " +
                    (f.projectFolder / "tags_id.dat").string());
    }
}

// The opened acquisition's tag list follows its tags when it was among those tagged.
void OfflineSeries::refreshOpenedTags() {
    const OpenedItem& item = w_.item();
    if (!item.isAcquisition()) {
        return;
    }
    const std::string tags =
        tagsOfAcquisition(w_.applicationFolder() / item.projectFolder, item.acquisition);
    w_.List_tags.items = tagListEntries(tags);
    w_.List_tags.listIndex = -1;
    w_.List_tags.visible = !tags.empty();
    w_.lbl_tags.visible = !tags.empty();
}

// --- The series

std::optional<KineticSeries> OfflineSeries::build() const {
    const OpenedItem& item = w_.item();
    SeriesRequest request;
    request.projectFolder = w_.applicationFolder() / item.projectFolder;
    request.tag = tag_;
    for (std::size_t c = 0; c < request.channelGroup.size(); ++c) {
        request.channelGroup[c] = item.setup.channelGroup[c];
    }
    request.relative = w_.mnrel0.checked;
    return buildKineticSeries(request, ui_);
}

void OfflineSeries::openTag() {
    const Control& list = w_.List_tags;
    const OpenedItem& item = w_.item();
    if (!item.isOpen() || list.listIndex < 0 ||
        list.listIndex >= static_cast<int>(list.items.size())) {
        return;
    }
    const std::string picked = list.items[static_cast<std::size_t>(list.listIndex)];
    if (acquisitionsWithTag(w_.applicationFolder() / item.projectFolder, picked).empty()) {
        return;
    }
    tag_ = picked;
    auto built = build();
    if (!built) {
        return;
    }
    series_ = std::move(built);
    w_.mnrel0.visible = true;
    w_.txt_binsize.text = "5";
    w_.txt_binsize.visible = true;
    w_.plots().showSeries();
}

void OfflineSeries::relativeChanged() {
    if (!series_) {
        return;
    }
    if (auto built = build()) {
        series_ = std::move(built);
    }
    w_.plots().redraw();
}

void OfflineSeries::exportPicture() {
    if (series_) {
        w_.plots().exportPicture(PictureExport::Plot);
    }
}

void OfflineSeries::exportData() {
    if (!series_) {
        return;
    }
    const auto exported = build();
    if (!exported || exported->points() == 0) {
        return;
    }
    writeJointReport(w_.applicationFolder() / w_.item().projectFolder, *exported,
                     jointReportSeparatorOf(w_.applicationFolder(), ui_), clock_, ui_);
}

void OfflineSeries::clear() {
    series_.reset();
}

void OfflineSeries::draw(Canvas& canvas) const {
    if (series_) {
        drawKineticsPlot(canvas, *series_);
    }
}

}  // namespace qv
