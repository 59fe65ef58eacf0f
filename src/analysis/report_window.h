#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/report_writer.h"
#include "common/clock.h"
#include "common/ui.h"
#include "store/report_config.h"

namespace qv {

// The statistics boxes `Chk_statistic`, in their order.
enum StatisticBox { kAverage = 0, kMedian = 1, kStdError = 2, kStdDev = 3, kCount = 4 };

// What the user-defined report settings window (`Frm_reportset`, "User Defined Report") shows
// and does; the Qt window binds its controls to these fields and forwards its clicks.
class ReportSettingsWindow {
  public:
    // The config is the application-wide record the store owns.
    ReportSettingsWindow(std::filesystem::path appFolder, ReportConfig& config, Ui& ui)
        : config(config), appFolder_(std::move(appFolder)), ui_(ui) {}

    // Fills the controls from repoconf.dat (loaded with flag 1) and the system list separator.
    void open(const std::string& listSeparator);
    // "Apply": stores the controls as the user-defined settings.
    void apply();
    // "Back to Default": restores and writes the defaults.
    void backToDefault();

    std::vector<std::string> binList;  // `Cmb_binsize`
    std::string binText;
    int fileType = 0;                  // `Option_report`
    std::string spacer;                // `txt_customspacer`
    int outFormat = 0;                 // `Option_output`
    std::array<bool, 5> statistics{};  // `Chk_statistic`
    bool rawExport = false;            // `Chk_rawexport`
    bool visible = false;
    // The main window's menu entry "User Defined BIN size".
    bool userDefinedChecked = false;
    ReportConfig& config;

  private:
    std::filesystem::path appFolder_;
    Ui& ui_;
    std::string listSeparator_ = ",";
};

// The report window (`frm_report`, "Report Output"): its start values and control rules.
class ReportWindow {
  public:
    ReportWindow(std::filesystem::path appFolder, ReportConfig& config, Ui& ui)
        : config(config), appFolder_(std::move(appFolder)), ui_(ui) {}

    // Fills the lists and the controls from `ReportConfig`, loaded with flag 1 while the menu
    // entry "User Defined BIN size" is checked, else reset to the defaults (flag 0).
    void open(const std::filesystem::path& inputFolder, bool userDefinedChecked,
              const std::string& listSeparator);
    void chooseFileType(int type);
    void setRawExport(bool ticked);
    void setReplaceData(bool ticked);

    // "Generate...": the report of the input folder with the window's choices; the bin-size box
    // shows the bin used.
    std::optional<std::filesystem::path> generate(Clock& clock);
    // The window becoming active: with "Autoreport" ticked it writes the report by itself, runs
    // the raw-data re-analysis when `rawexport` asks for it, says so and hides.
    void activate(Clock& clock, const std::function<void()>& reanalyseWithRawExport);

    // The choices as the report writer takes them, and the bin-size box as a number.
    ReportOptions reportOptions() const;
    std::int32_t bin() const;

    std::filesystem::path inputFolder;  // `Txt_inputfile`
    std::vector<std::string> binList;
    std::string binText;
    int fileType = 0;
    std::string separator;
    int layout = 0;
    bool histogramLayoutVisible = false;
    std::array<bool, 5> statistics{};
    std::vector<std::string> methods;  // `Cmb_dspmethod`
    int method = 1;
    std::vector<std::string> organisms;  // `Cmb_organism`
    int organism = 0;
    std::string thresholdText;  // `frmtxt_threshold`
    bool rawExport = false;
    bool replaceData = false;   // `Chk_replacedata`
    std::string dataLapseText;  // `frmtxt_datalapse`
    bool dataLapseEnabled = true;
    bool autoreport = false;  // `chk_autoreport`
    std::string basalName;    // `cmbbasal`
    bool settingsEnabled = true;
    bool visible = true;
    ReportConfig& config;

  private:
    std::filesystem::path appFolder_;
    Ui& ui_;
    std::string listSeparator_ = ",";
};

}  // namespace qv
