#include "acquisition/calibration.h"

#include <system_error>

#include "common/number_format.h"
#include "common/rounding.h"
#include "device/register_map.h"

namespace qv {

namespace {

constexpr int kEchinococcus = 2;

}  // namespace

CalibrationControls CalibrationControls::of(Controls& c) {
    return {controlOf(c, "frm_autotext", ControlKind::Frame),
            controlOf(c, "lbl_autotext", ControlKind::Label),
            controlOf(c, "lbl_autochannel", ControlKind::Label),
            controlOf(c, "picturecal", ControlKind::Picture),
            controlOf(c, "lblcalibrando", ControlKind::Label),
            controlOf(c, "txt_snr_umbral", ControlKind::TextBox),
            controlOf(c, "Cmb_organism", ControlKind::ComboBox),
            controlOf(c, "CmdPlay", ControlKind::Button),
            controlOf(c, "Timeradq", ControlKind::Timer)};
}

Calibration::Calibration(CareContext& care, CalibrationControls controls)
    : care_(care),
      c_(controls),
      status_(c_.lbl_autochannel, c_.picturecal),
      device_(care_, status_),
      fast_(care_, status_),
      zero_(care_, status_) {}

namespace {

// Marks the calibration as running for the life of the scope, so that a button clicked while
// it lets events through does not start another one on the same line.
class Busy {
  public:
    explicit Busy(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Busy() { flag_ = was_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    bool& flag_;
    bool was_;
};

}  // namespace

DeviceCalibrationResult Calibration::deviceCalibration(const std::filesystem::path& folder) {
    const Busy busy(busy_);
    return device_.run(folder);
}

AutoZeroResult Calibration::autoZero() {
    const Busy busy(busy_);
    return zero_.run();
}

FastCalibrationResult Calibration::fastCalibration() {
    const Busy busy(busy_);
    return fast_.run();
}

// "Fast CALIB" reads the box as a direct conversion does: "1,8" counts as 1.
void Calibration::cmd_calibra_Click() {
    const bool duringRun = care_.state.runState != 0;
    asButtonAction("<FAST CALIBRATION>", [this, duringRun] {
        care_.state.snrThreshold = leadingNumber(c_.txt_snr_umbral.text);
        fast_.run();
        // The calibration's reads leave the instrument in their own form; a run going on
        // needs its acquisition form back.
        if (duringRun) {
            sendPlateMode();
        }
    });
}

void Calibration::Cmd_autozero_Click() {
    if (care_.state.link.offline) {
        care_.ui.message(kOfflineRefusal);
        return;
    }
    asButtonAction("<FAST ZERO>", [this] {
        care_.state.snrThreshold = leadingNumber(commaAsPoint(c_.txt_snr_umbral.text));
        // Outside a run the instrument may still answer in the calibration's form.
        sendPlateMode();
        zero_.run();
    });
}

void Calibration::sendPlateMode() {
    const std::string& plate = care_.store.setup().Plate_format;
    const int mode = plate == "w96" || plate == "w96u" ? 1 : 0;
    for (int i = 0; i < 2; ++i) {
        care_.com.WriteRegister(device::reg::kPlateMode, static_cast<std::int16_t>(mode),
                                device::reg::kBankCommand);
        care_.clock.sleepMs(100);
    }
}

void Calibration::asButtonAction(const std::string& panelText, const std::function<void()>& work) {
    if (busy_) {
        return;  // a second click while it runs
    }
    busy_ = true;
    c_.frm_autotext.visible = true;
    c_.lbl_autotext.text = panelText;
    const bool standalone = care_.state.runState == 0;
    const bool timerWasOn = c_.Timeradq.enabled;
    const bool playWasEnabled = c_.CmdPlay.enabled;
    c_.Timeradq.enabled = false;
    c_.CmdPlay.enabled = false;
    if (standalone) {
        care_.state.runState = 1;
    }
    work();
    if (standalone) {
        care_.state.runState = 0;
    }
    c_.CmdPlay.enabled = playWasEnabled;
    c_.Timeradq.enabled = timerWasOn && care_.state.runState != 0;
    busy_ = false;
}

// The blank is learnt by the acquisition cycle; this prepares the folder it belongs to and
// hands over.
void Calibration::Cmd_readblank_Click() {
    Store& store = care_.store;
    const DateTime now = care_.clock.now();
    const std::filesystem::path working = store.projectPath();
    const std::filesystem::path folder = working / formatFolderStamp(now);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    store.setProjectPath(folder);
    const bool saved = !ec && store.saveProjectSettings();
    store.setProjectPath(working);
    if (!saved) {
        care_.ui.message("<Error Saving Project Settings>");
        return;
    }
    const int samples = store.setup().Threshold_Counter;
    c_.lblcalibrando.text = "Setting Blank.... (" + std::to_string(samples) + " samples)";
    if (startBlank) {
        startBlank(BlankStart{folder, now, samples});
        c_.Timeradq.enabled = true;
    }
}

// Any value typed, valid or replaced, makes the organism "Echinococcus", whose rule keeps the
// typed threshold instead of an organism default.
void Calibration::txt_snr_umbral_LostFocus() {
    Mn& m = care_.store.setup().Mn1;
    const std::optional<double> v = typedNumber(c_.txt_snr_umbral.text);
    if (!v || *v <= 1 || *v > 5) {
        care_.ui.message("Invalid value: 1.1 to 5.0");
        c_.txt_snr_umbral.text = "1.8";
        m[mn1::SNRx10] = 18;
    } else {
        m[mn1::SNRx10] = static_cast<std::int16_t>(roundHalfEven(*v * 10));
        c_.txt_snr_umbral.text = formatNumber(*v, "0.0");
    }
    Control& list = c_.Cmb_organism;
    list.listIndex = kEchinococcus;
    if (static_cast<int>(list.items.size()) > kEchinococcus) {
        list.text = list.items[kEchinococcus];
    }
    if (organismChosen) {
        organismChosen();
    }
}

}  // namespace qv
