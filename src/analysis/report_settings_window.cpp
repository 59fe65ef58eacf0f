#include "analysis/report_settings_window.h"

#include <algorithm>

#include "common/field_text.h"
#include "common/rounding.h"

namespace qv {

namespace {

std::int16_t boxValue(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    const auto v = parseNumber(t);
    if (!v || *v < -32768 || *v > 32767) {
        return 0;
    }
    return static_cast<std::int16_t>(roundHalfEven(*v));
}

}  // namespace

std::vector<std::string> reportBinSizes(bool withDay) {
    std::vector<std::string> list{"5", "15", "30", "60", "120", "180", "240", "360", "480", "720"};
    if (withDay) {
        list.push_back("1440");
    }
    return list;
}

ReportSettingsWindow::ReportSettingsWindow(Store& store, Ui& ui)
    : Frm_reportset(controls.add("Frm_reportset", ControlKind::Form, "User Defined Report")),
      Cmb_binsize(controls.add("Cmb_binsize", ControlKind::ComboBox)),
      txt_customspacer(controls.add("txt_customspacer", ControlKind::TextBox)),
      Chk_rawexport(controls.add("Chk_rawexport", ControlKind::CheckBox, "Export Raw")),
      Cmd_generate(controls.add("Cmd_generate", ControlKind::Button, "Apply")),
      Cmd_cancel(controls.add("Cmd_cancel", ControlKind::Button, "Back to Default")),
      store_(store),
      ui_(ui) {
    const char* types[] = {"Excel [.csv]", "Text [.txt]"};
    for (int i = 0; i < 2; ++i) {
        Option_report[i] =
            &controls.add("Option_report_" + std::to_string(i), ControlKind::CheckBox, types[i]);
    }
    const char* layouts[] = {"Rows", "List", "WArray", "CHArray"};
    for (int i = 0; i < 4; ++i) {
        Option_output[i] =
            &controls.add("Option_output_" + std::to_string(i), ControlKind::CheckBox, layouts[i]);
    }
    const char* boxes[] = {"Average", "Median", "Std Error", "Std Dev", "\"N\""};
    for (int i = 0; i < 5; ++i) {
        Chk_statistic[i] =
            &controls.add("Chk_statistic_" + std::to_string(i), ControlKind::CheckBox, boxes[i]);
    }
    Frm_reportset.visible = false;
}

void ReportSettingsWindow::attach(Control& userDefinedMenu, Control& mainForm) {
    userDefinedMenu_ = &userDefinedMenu;
    mainForm_ = &mainForm;
}

void ReportSettingsWindow::Form_Load() {
    fillList(Cmb_binsize, reportBinSizes(false));
    std::string separator = listSeparator ? listSeparator() : ",";
    if (separator.empty()) {
        separator = ",";
    }
    txt_customspacer.text = separator;
    ReportConfig& config = store_.report();
    loadReportConfig(store_.applicationFolder(), 1, config, separator, ui_);
    selectText(Cmb_binsize, std::to_string(config.Bin));
    selectOption(Option_report, config.filetype);
    txt_customspacer.text = config.spacer;
    selectOption(Option_output, config.out_format);
    for (Control* box : Chk_statistic) {
        box->checked = false;
    }
    Chk_statistic[kStdError]->checked = config.stdError == 1;
    Chk_statistic[kStdDev]->checked = config.stdDev == 1;
    Chk_statistic[kCount]->checked = config.n == 1;
    config.rawexport = config.rawexport == 1 ? 1 : 0;
    Chk_rawexport.checked = config.rawexport == 1;
    Frm_reportset.visible = true;
}

void ReportSettingsWindow::Cmd_generate_Click() {
    ReportConfig& config = store_.report();
    config.Bin = boxValue(Cmb_binsize.text);
    config.filetype = static_cast<std::int16_t>(Option_report[1]->checked ? 1 : 0);
    config.spacer = txt_customspacer.text;
    config.out_format = static_cast<std::int16_t>(std::max(selectedOption(Option_output), 0));
    config.stdError = Chk_statistic[kStdError]->checked ? 1 : 0;
    config.stdDev = Chk_statistic[kStdDev]->checked ? 1 : 0;
    config.n = Chk_statistic[kCount]->checked ? 1 : 0;
    config.rawexport = Chk_rawexport.checked ? 1 : 0;
    saveReportConfig(store_.applicationFolder(), 1, config, ui_);
    ui_.message("User Configuration Applied");
    if (userDefinedMenu_ != nullptr) {
        userDefinedMenu_->checked = true;
    }
    leave();
}

void ReportSettingsWindow::Cmd_cancel_Click() {
    if (userDefinedMenu_ != nullptr) {
        userDefinedMenu_->checked = false;
    }
    const std::string separator = listSeparator ? listSeparator() : ",";
    loadReportConfig(store_.applicationFolder(), 0, store_.report(), separator, ui_);
    saveReportConfig(store_.applicationFolder(), 0, store_.report(), ui_);
    ui_.message("Default Report Configuration Applied");
    leave();
}

void ReportSettingsWindow::Form_Unload() {
    Frm_reportset.visible = false;
}

void ReportSettingsWindow::leave() {
    Frm_reportset.visible = false;
    if (mainForm_ != nullptr) {
        mainForm_->visible = true;
    }
}

}  // namespace qv
