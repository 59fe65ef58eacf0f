#include "analysis/reanalysis_panel.h"

#include <algorithm>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "analysis/report_window.h"
#include "common/field_text.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {

namespace {

// Repaints at this pace at most: a pass over every window costs more than a record takes to
// analyse, and 25 a second keep the counter moving and STOP at hand.
constexpr std::int64_t kEventPassMs = 40;
constexpr std::int32_t kShortestLapseMinutes = 5;

std::optional<double> typedNumber(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    return parseNumber(t);
}

}  // namespace

ReanalysisPanel::ReanalysisPanel(ReportWindow& window, Store& store, Ui& ui, Clock& clock)
    : w_(window), store_(store), ui_(ui), clock_(clock) {}

void ReanalysisPanel::show() {
    if (w_.runActive && w_.runActive()) {
        return;
    }
    if (!isRegularFile(rawFilePath(w_.inputFolder(), 0))) {
        ui_.message("Real Time Data Not Found");
        return;
    }
    w_.Frame_reanalysis.visible = true;
}

void ReanalysisPanel::rawExportChanged() {
    if (w_.Chk_rawexport.checked) {
        w_.Chk_replacedata.checked = false;
        replaceDataChanged();
        w_.frmtxt_datalapse.text = "533";
    }
}

void ReanalysisPanel::replaceDataChanged() {
    w_.frmtxt_datalapse.enabled = !w_.Chk_replacedata.checked;
}

void ReanalysisPanel::organismChosen() {
    const int organism = w_.Cmb_organism.listIndex;
    auto method = [this](int m) {
        w_.Cmb_dspmethod.listIndex = m;
        w_.Cmb_dspmethod.text = w_.Cmb_dspmethod.items[static_cast<std::size_t>(m)];
    };
    static constexpr const char* kSnr[] = {"1.8", "2.8", "1.8", "0.8"};
    if (organism < 0 || organism > kOrganismDrosophila) {
        return;
    }
    if (organism == 2) {
        method(kMethodMotilityIndex);
    } else if (organism == kOrganismDrosophila) {
        method(kMethodDrosophila);
    }
    w_.frmtxt_threshold.text = kSnr[organism];
}

void ReanalysisPanel::validateThreshold() {
    const int organism = w_.Cmb_organism.listIndex;
    const auto v = typedNumber(w_.frmtxt_threshold.text);
    if (!v || !snrInRange(*v, organism)) {
        w_.frmtxt_threshold.text = formatFixed(snrDefault(organism), 1);
    }
}

// Hours typed in the data lapse box, as whole minutes of the 16-bit limit.
std::optional<std::int32_t> ReanalysisPanel::limitMinutes() {
    if (w_.Chk_replacedata.checked) {
        return kWholeAcquisitionMinutes;
    }
    const auto hours = typedNumber(w_.frmtxt_datalapse.text);
    const std::int64_t minutes = hours ? roundHalfEven(*hours * 60) : -1;
    if (minutes < 0 || minutes > 32767) {
        ui_.message("Invalid value: 0.08 to 546");
        return std::nullopt;
    }
    if (minutes < kShortestLapseMinutes) {
        // The box says what is analysed: five minutes, in hours.
        w_.frmtxt_datalapse.text = formatFixed(kShortestLapseMinutes / 60.0, 2);
        return kShortestLapseMinutes;
    }
    return static_cast<std::int32_t>(minutes);
}

std::optional<ReanalysisChoice> ReanalysisPanel::choice() {
    const auto limit = limitMinutes();
    if (!limit) {
        return std::nullopt;
    }
    if (w_.bin() < 2) {
        w_.Cmb_binsize.text = "2";
    }
    validateThreshold();
    ReanalysisChoice c;
    c.folder = w_.inputFolder();
    c.appFolder = store_.applicationFolder();
    c.method = static_cast<std::int16_t>(std::clamp(w_.Cmb_dspmethod.listIndex, 0, 3));
    c.organism = static_cast<std::int16_t>(std::clamp(w_.Cmb_organism.listIndex, 0, 3));
    c.snrText = w_.frmtxt_threshold.text;
    c.snr = typedNumber(c.snrText).value_or(snrDefault(c.organism));
    c.limitMinutes = *limit;
    c.bin = w_.bin();
    c.replace = w_.Chk_replacedata.checked;
    c.exportRaw = w_.Chk_rawexport.checked;
    c.options = w_.reportOptions();
    c.basalName = w_.cmbbasal.text;
    return c;
}

ReanalysisHooks ReanalysisPanel::hooks() {
    ReanalysisHooks h;
    h.started = [this](std::size_t records, std::int32_t bin) {
        w_.Cmb_binsize.text = std::to_string(bin);
        w_.frmlbl_status.text = "Block 0/" + std::to_string(records);
        passEvents(true);
    };
    h.record = [this](std::size_t n, std::size_t total) {
        w_.frmlbl_status.text = "Block " + std::to_string(n) + "/" + std::to_string(total);
        lastBlock_ = w_.frmlbl_status.text;
        passEvents(n == total);
    };
    h.stopRequested = [this] { return stop_; };
    h.saving = [this] {
        w_.frmlbl_status.text = "Saving...";
        passEvents(true);
    };
    return h;
}

void ReanalysisPanel::passEvents(bool now) {
    const std::int64_t t = clock_.monotonicMs();
    if (now || t - lastEventPass_ >= kEventPassMs) {
        lastEventPass_ = t;
        ui_.processEvents();
    }
}

// While a run lets events through, nothing else of the window may start: only STOP works.
void ReanalysisPanel::lockControls(bool locked) {
    if (!locked) {
        for (auto& [control, enabled] : locked_) {
            control->enabled = enabled;
        }
        locked_.clear();
        return;
    }
    for (Control* c :
         {&w_.cmd_runframe, &w_.Cmd_generate, &w_.mn_analyzeraw, &w_.mn_exportwells,
          &w_.Frame_settings, &w_.Cmb_dspmethod, &w_.Cmb_organism, &w_.frmtxt_threshold,
          &w_.frmtxt_datalapse, &w_.Chk_replacedata, &w_.Chk_rawexport, &w_.Txt_inputfile}) {
        locked_.emplace_back(c, c->enabled);
        c->enabled = false;
    }
}

void ReanalysisPanel::run() {
    if (running_) {
        return;
    }
    w_.frmlbl_status.visible = true;
    stop_ = false;
    const auto c = choice();
    if (!c) {
        return;
    }
    running_ = true;
    lockControls(true);
    lastBlock_.clear();
    runReanalysis(*c, hooks(), ui_, clock_);
    if (w_.frmlbl_status.text == "Saving..." && !lastBlock_.empty()) {
        // Saved: the label says again how far the run went.
        w_.frmlbl_status.text = lastBlock_;
    }
    lockControls(false);
    running_ = false;
}

}  // namespace qv
