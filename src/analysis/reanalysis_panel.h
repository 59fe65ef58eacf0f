#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/reanalysis.h"
#include "common/clock.h"
#include "common/controls.h"
#include "common/ui.h"
#include "store/store.h"

namespace qv {

class ReportWindow;

// The re-analysis panel of the report window ("Analyze Raw Data"): its control rules, RUN and
// STOP. A run holds the window's thread but shows "Block n/H" for every record and lets the
// window's events through, so STOP ends it at the next record boundary.
class ReanalysisPanel {
  public:
    ReanalysisPanel(ReportWindow& window, Store& store, Ui& ui, Clock& clock);

    // "Analyze Raw Data": the panel, when no run is active and the acquisition kept raw data.
    void show();
    // "Export Raw" ticked: "Replace old data" unticked and the data lapse set to 533 hours.
    void rawExportChanged();
    // "Replace old data" takes the whole acquisition: the data lapse box is disabled.
    void replaceDataChanged();
    // An organism's presets of method and SNR.
    void organismChosen();
    // The SNR box, on leaving it: a value outside the organism's range becomes its default.
    void validateThreshold();
    void run();
    void stop() { stop_ = true; }
    bool running() const { return running_; }

  private:
    std::optional<ReanalysisChoice> choice();
    std::optional<std::int32_t> limitMinutes();
    ReanalysisHooks hooks();
    void passEvents(bool now);
    void lockControls(bool locked);

    ReportWindow& w_;
    Store& store_;
    Ui& ui_;
    Clock& clock_;
    bool stop_ = false;
    bool running_ = false;
    std::int64_t lastEventPass_ = 0;
    std::string lastBlock_;
    std::vector<std::pair<Control*, bool>> locked_;
};

}  // namespace qv
