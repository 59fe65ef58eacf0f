#include "analysis/report_window.h"

#include <algorithm>
#include <set>

#include "analysis/reanalysis_panel.h"
#include "analysis/report_generate.h"
#include "analysis/report_histogram.h"
#include "analysis/well_export.h"
#include "common/date_time.h"
#include "common/field_text.h"
#include "common/number_format.h"
#include "common/rounding.h"
#include "store/acquisition_description.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr int kHistogramLayout = 4;

std::int32_t boxValue(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    const auto v = parseNumber(t);
    if (!v || *v < -32768 || *v > 32767) {
        return 0;
    }
    return static_cast<std::int32_t>(roundHalfEven(*v));
}

void selectIndex(Control& list, int index) {
    if (index >= 0 && index < static_cast<int>(list.items.size())) {
        selectText(list, list.items[static_cast<std::size_t>(index)]);
    }
}

template <std::size_t N>
void addArray(Controls& controls, std::array<Control*, N>& array, const std::string& name,
              const std::array<const char*, N>& captions) {
    for (std::size_t i = 0; i < N; ++i) {
        array[i] =
            &controls.add(name + "_" + std::to_string(i), ControlKind::CheckBox, captions[i]);
    }
}

}  // namespace

ReportWindow::ReportWindow(Store& store, Ui& ui, Clock& clock)
    : frm_report(controls.add("frm_report", ControlKind::Form, "Report Output")),
      mn_analyzeraw(controls.add("mn_analyzeraw", ControlKind::MenuItem, "Analyze Raw Data")),
      mn_exportwells(controls.add("mn_exportwells", ControlKind::MenuItem, "Export Well Files")),
      Txt_inputfile(controls.add("Txt_inputfile", ControlKind::TextBox)),
      Frame_settings(controls.add("Frame_settings", ControlKind::Frame, "Report Settings")),
      Cmb_binsize(controls.add("Cmb_binsize", ControlKind::ComboBox)),
      txt_customspacer(controls.add("txt_customspacer", ControlKind::TextBox)),
      cmbbasal(controls.add("cmbbasal", ControlKind::ComboBox)),
      chk_autoreport(controls.add("chk_autoreport", ControlKind::CheckBox, "Autoreport")),
      Cmd_generate(controls.add("Cmd_generate", ControlKind::Button, "Generate...")),
      Frame_reanalysis(controls.add("Frame_reanalysis", ControlKind::Frame, "Analyze Raw Data")),
      Cmb_dspmethod(controls.add("Cmb_dspmethod", ControlKind::ComboBox)),
      Cmb_organism(controls.add("Cmb_organism", ControlKind::ComboBox)),
      frmtxt_threshold(controls.add("frmtxt_threshold", ControlKind::TextBox)),
      frmtxt_datalapse(controls.add("frmtxt_datalapse", ControlKind::TextBox, "533")),
      Chk_replacedata(controls.add("Chk_replacedata", ControlKind::CheckBox, "Replace old data")),
      Chk_rawexport(controls.add("Chk_rawexport", ControlKind::CheckBox, "Export Raw")),
      frmlbl_status(controls.add("frmlbl_status", ControlKind::Label, "Block xx/xx")),
      cmd_runframe(controls.add("cmd_runframe", ControlKind::Button, "RUN")),
      cmd_stopframe(controls.add("cmd_stopframe", ControlKind::Button, "STOP")),
      store_(store),
      ui_(ui),
      clock_(clock) {
    addArray<2>(controls, Option_report, "Option_report", {"Excel [.csv]", "Text [.txt]"});
    addArray<5>(controls, Option_output, "Option_output",
                {"Rows", "List", "W.Array", "CH.Array", "Histogram Body_bends (experimental)"});
    addArray<5>(controls, Chk_statistic, "Chk_statistic",
                {"Average", "Median", "Std Error", "Std Dev", "\"N\""});
    frm_report.visible = false;
    Frame_reanalysis.visible = false;
    panel_ = std::make_unique<ReanalysisPanel>(*this, store, ui, clock);
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::attach(Control& userDefinedMenu) {
    userDefinedMenu_ = &userDefinedMenu;
}

std::string ReportWindow::systemSeparator() const {
    std::string separator = listSeparator ? listSeparator() : ",";
    return separator.empty() ? "," : separator;
}

// Opening the report window: lists, the system separator, then the start values of
// `ReportConfig` (the user's while "User Defined BIN size" is ticked, else the defaults).
void ReportWindow::Form_Load() {
    fillList(Cmb_binsize, reportBinSizes(true));
    fillList(Cmb_dspmethod, reanalysisMethodItems());
    fillList(Cmb_organism, reanalysisOrganismItems());
    const std::string separator = systemSeparator();
    txt_customspacer.text = separator;
    const bool userDefined = userDefinedMenu_ != nullptr && userDefinedMenu_->checked;
    ReportConfig& config = store_.report();
    loadReportConfig(store_.applicationFolder(), userDefined ? 1 : 0, config, separator, ui_);
    const std::string bin = std::to_string(config.Bin);
    if (std::find(Cmb_binsize.items.begin(), Cmb_binsize.items.end(), bin) ==
        Cmb_binsize.items.end()) {
        Cmb_binsize.items.push_back(bin);
    }
    selectText(Cmb_binsize, bin);
    selectOption(Option_report, config.filetype);
    txt_customspacer.text = config.spacer;
    selectOption(Option_output, config.out_format);
    for (Control* box : Chk_statistic) {
        box->checked = false;
    }
    Chk_statistic[kStdError]->checked = config.stdError == 1;
    Chk_statistic[kStdDev]->checked = config.stdDev == 1;
    Chk_statistic[kCount]->checked = config.n == 1;
    selectIndex(Cmb_dspmethod, config.method);
    selectIndex(Cmb_organism, config.organism);
    frmtxt_threshold.text = formatFixed(config.threshold / 10.0, 1);
    std::replace(frmtxt_threshold.text.begin(), frmtxt_threshold.text.end(), ',', '.');
    Chk_rawexport.checked = config.rawexport == 1;
    Option_output[kHistogramLayout]->visible = highestHistogramFile(inputFolder()).has_value();
    frmlbl_status.text = "Block xx/xx";
    Frame_reanalysis.visible = false;
    loaded_ = true;
}

void ReportWindow::showMyReport(const fs::path& acquisitionFolder, bool autoreport) {
    if (!loaded_) {
        Form_Load();
    }
    setFolder(acquisitionFolder);
    const bool histogram = highestHistogramFile(acquisitionFolder).has_value();
    Option_output[kHistogramLayout]->visible = histogram;
    selectOption(Option_output, histogram ? kHistogramLayout : 0);
    chk_autoreport.checked = autoreport;
    frm_report.visible = true;
    Form_Activate();
}

void ReportWindow::openOn(const fs::path& acquisitionFolder) {
    if (!loaded_) {
        Form_Load();
    }
    setFolder(acquisitionFolder);
    frm_report.visible = true;
}

void ReportWindow::setFolder(const fs::path& folder) {
    Txt_inputfile.text = folder.string();
    const bool histogram = highestHistogramFile(folder).has_value();
    Option_output[kHistogramLayout]->visible = histogram;
    if (!histogram && Option_output[kHistogramLayout]->checked) {
        selectOption(Option_output, 0);
    }
    fillBasalList();
}

// The other acquisitions of the same project, as "yyyymmdd_hhmm name", after "-" (none).
void ReportWindow::fillBasalList() {
    std::vector<std::string> items{"-"};
    const fs::path folder = inputFolder();
    std::set<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name != folder.filename().string() && parseFolderStamp(name) &&
            fs::exists(it->path() / "counts.bin")) {
            names.insert(name);
        }
    }
    for (const std::string& name : names) {
        const std::string described = readAcquisitionName(folder.parent_path() / name);
        items.push_back(described.empty() ? name : name + " " + described);
    }
    fillList(cmbbasal, items);
    selectText(cmbbasal, "-");
}

void ReportWindow::Form_Activate() {
    if (!chk_autoreport.checked) {
        return;
    }
    Frame_settings.enabled = false;
    Cmd_generate_Click();
    clock_.sleepMs(1500);
    if (store_.report().rawexport == 1) {
        clock_.sleepMs(1000);
        Chk_rawexport.checked = true;
        Chk_rawexport_Click();
        cmd_runframe_Click();
        clock_.sleepMs(500);
    }
    ui_.message("Report File AutoGenerated");
    chk_autoreport.checked = false;
    Frame_settings.enabled = true;
    frm_report.visible = false;
}

void ReportWindow::Form_Unload() {
    cmd_stopframe_Click();
    frm_report.visible = false;
    loaded_ = false;
}

void ReportWindow::Txt_inputfile_LostFocus() {
    setFolder(inputFolder());
}

void ReportWindow::Option_report_Click(int index) {
    selectOption(Option_report, index);
    txt_customspacer.text = index == 0 ? systemSeparator() : " ";
}

void ReportWindow::Cmd_generate_Click() {
    ReportRequest request;
    request.folder = inputFolder();
    request.appFolder = store_.applicationFolder();
    request.bin = bin();
    request.options = reportOptions();
    request.basalName = cmbbasal.text;
    const ReportOutcome outcome = generateReport(request, ui_, clock_);
    Cmb_binsize.text = std::to_string(outcome.bin);
    lastReport = outcome.path;
}

void ReportWindow::mn_exportwells_Click() {
    exportWells(inputFolder(), store_.applicationFolder(), bin(), ui_, clock_);
}

void ReportWindow::mn_analyzeraw_Click() {
    panel_->show();
}

void ReportWindow::Chk_rawexport_Click() {
    panel_->rawExportChanged();
}

void ReportWindow::Chk_replacedata_Click() {
    panel_->replaceDataChanged();
}

void ReportWindow::Cmb_organism_Click() {
    panel_->organismChosen();
}

void ReportWindow::frmtxt_threshold_LostFocus() {
    panel_->validateThreshold();
}

void ReportWindow::cmd_runframe_Click() {
    panel_->run();
}

void ReportWindow::cmd_stopframe_Click() {
    panel_->stop();
}

ReportOptions ReportWindow::reportOptions() const {
    ReportOptions o;
    o.layout = static_cast<ReportLayout>(std::clamp(selectedOption(Option_output), 0, 4));
    o.csv = !Option_report[1]->checked;
    o.separator = txt_customspacer.text;
    o.stdError = Chk_statistic[kStdError]->checked;
    o.stdDev = Chk_statistic[kStdDev]->checked;
    o.count = Chk_statistic[kCount]->checked;
    o.autoreport = chk_autoreport.checked;
    return o;
}

std::int32_t ReportWindow::bin() const {
    return boxValue(Cmb_binsize.text);
}

fs::path ReportWindow::inputFolder() const {
    return Txt_inputfile.text;
}

}  // namespace qv
