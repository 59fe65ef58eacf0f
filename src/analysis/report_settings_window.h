#pragma once

#include <array>
#include <functional>
#include <string>

#include "common/controls.h"
#include "common/ui.h"
#include "store/store.h"

namespace qv {

// The statistics boxes `Chk_statistic_0..4`, in their order.
enum StatisticBox { kAverage = 0, kMedian = 1, kStdError = 2, kStdDev = 3, kCount = 4 };

// The bin sizes of the report windows' lists; the report window adds a day.
std::vector<std::string> reportBinSizes(bool withDay);

// The user-defined report settings window (`Frm_reportset`, "User Defined Report"): it edits
// the stored defaults of `ReportConfig` that the report window starts from while the main
// window's "User Defined BIN size" carries its check mark.
class ReportSettingsWindow {
  public:
    ReportSettingsWindow(Store& store, Ui& ui);

    // The main window's menu entry "User Defined BIN size", whose check mark Apply sets and
    // Back to Default removes, and the main window's form, shown again when this one hides.
    void attach(Control& userDefinedMenu, Control& mainForm);

    // Opening: the lists, the system's list separator, then repoconf.dat loaded with flag 1.
    void Form_Load();
    // "Apply": the controls become the user-defined settings.
    void Cmd_generate_Click();
    // "Back to Default": the defaults, written, and the check mark removed.
    void Cmd_cancel_Click();
    void Form_Unload();

    // The system list separator; tests give their own.
    std::function<std::string()> listSeparator = reportListSeparator;

    Controls controls;
    Control& Frm_reportset;
    Control& Cmb_binsize;
    std::array<Control*, 2> Option_report{};
    Control& txt_customspacer;
    std::array<Control*, 4> Option_output{};
    std::array<Control*, 5> Chk_statistic{};
    Control& Chk_rawexport;
    Control& Cmd_generate;
    Control& Cmd_cancel;

  private:
    void leave();

    Store& store_;
    Ui& ui_;
    Control* userDefinedMenu_ = nullptr;
    Control* mainForm_ = nullptr;
};

}  // namespace qv
