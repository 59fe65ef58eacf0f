#include "setup/acquisition_parameters.h"

#include <array>
#include <optional>

#include "common/field_text.h"
#include "common/number_format.h"
#include "common/rounding.h"
#include "setup/setup_window.h"

namespace qv {

namespace {

constexpr int kDrosophila = 3;
constexpr std::int16_t kLongestLapse = 32000;
constexpr std::int16_t kShortLapse = 2;
constexpr int kSmallestBuffer = 200;
constexpr int kLargestBuffer = 10000;

const std::array<const char*, 4> kOrganisms = {"C.elegans", "Zebrafish", "Echinococcus",
                                               "Drosophila"};
const std::array<std::int16_t, 4> kOrganismMethods = {1, 1, 2, 3};
const std::array<std::int16_t, 4> kOrganismSnr = {18, 28, 18, 8};
const std::vector<std::string> kMethods = {
    "0_Threshold+Binary (Old Method.w/filters)", "1_Threshold Avrg (Default.Agar&Liquid)",
    "2_Motility Index(ameboid movement)", "3_Drosophila (Threshold)"};
const std::vector<std::string> kModes = {"0_Offline",     "1_Default",     "2_Fast(0.31)",
                                         "3_Fast(32.63)", "4_Fast(64.95)", "5_Fast(96.127)"};
const std::vector<std::string> kNoYes = {"NO", "YES"};

constexpr const char* kAdvancedClosed = "[Advanced Tools]    ->";
constexpr const char* kAdvancedOpen = "[Advanced Tools]    <-";

bool isOrganism(int organism) {
    return organism >= 0 && organism < static_cast<int>(kOrganisms.size());
}

// A number typed in a box, "," read as the decimal point; nullopt for text that is none.
std::optional<double> typedValue(const std::string& text) {
    std::string t = text;
    for (char& c : t) {
        if (c == ',') {
            c = '.';
        }
    }
    return parseNumber(t);
}

// A typed value as a 16-bit field: nearest integer, ties to even; text that is no number
// counts as 0; nullopt when the value does not fit.
std::optional<std::int16_t> typedInt16(const std::string& text) {
    const double v = typedValue(text).value_or(0.0);
    if (!(v > -32768.5 && v < 32767.5)) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(roundHalfEven(v));
}

void select(Control& combo, const std::vector<std::string>& items, int index) {
    fillList(combo, items);
    if (index >= 0 && index < static_cast<int>(items.size())) {
        combo.listIndex = index;
        combo.text = items[index];
    }
}

std::string plain(int v) {
    return std::to_string(v);
}

void show(Control* c, bool visible) {
    if (c != nullptr) {
        c->visible = visible;
    }
}

}  // namespace

std::string organismName(int organism) {
    return isOrganism(organism) ? kOrganisms[organism] : "";
}

std::int16_t organismMethod(int organism) {
    return isOrganism(organism) ? kOrganismMethods[organism] : 1;
}

std::int16_t organismSnrDefault(int organism) {
    return isOrganism(organism) ? kOrganismSnr[organism] : 18;
}

std::string snrText(int snrx10) {
    return formatNumber(snrx10 / 10.0, "0.0");
}

AcquisitionParameters::AcquisitionParameters(SetupWindow& window, Store& store, Ui& ui)
    : w_(window), store_(store), ui_(ui) {}

void AcquisitionParameters::fill() {
    const ProjectSetup& s = store_.setup();
    fillLists();
    w_.Txtlapse.text = plain(s.Aq_lapse);
    w_.Txtsample.text = plain(s.Sample_Rate);
    w_.Txtbuffer.text = plain(s.RT_Buffer);
    w_.Txt_dspinterval.text = plain(s.DSP_Interval);
    fillSnr();
    w_.chkcal.checked = true;
    w_.chkcal.enabled = false;
    show(w_.neighbours().frm_mn1, true);
    w_.chklight.checked = s.Menu2 != 0;
    w_.chktemp.checked = s.Menu3 != 0;
    const std::array<std::int16_t, 3> reserved = {s.Menu4, s.Menu5, s.Menu6};
    for (std::size_t i = 0; i < reserved.size(); ++i) {
        w_.Chk_mn[i]->checked = reserved[i] != 0;
    }
    hideAdvanced();
}

void AcquisitionParameters::fillLists() {
    const ProjectSetup& s = store_.setup();
    select(w_.Combo_aqmode, kModes, s.Aq_mode);
    select(w_.ComboDSP, kMethods, s.DSP_Method);
    std::vector<std::string> organisms(kOrganisms.begin(), kOrganisms.end());
    select(w_.Cmb_organism, organisms, s.Mn1[mn1::Organism]);
    select(w_.Combosavecount, kNoYes, 1);
    select(w_.Combosavereal, kNoYes, s.Save_real != 0 ? 1 : 0);
}

// A project without a threshold shows its organism's default and takes it; Drosophila keeps
// 0 until the user continues to the main window.
void AcquisitionParameters::fillSnr() {
    std::int16_t& snrx10 = store_.setup().Mn1[mn1::SNRx10];
    const int organism = store_.setup().Mn1[mn1::Organism];
    if (snrx10 == 0) {
        w_.lbl_snr.text = snrText(organismSnrDefault(organism));
        if (organism != kDrosophila) {
            snrx10 = organismSnrDefault(organism);
        }
    } else {
        w_.lbl_snr.text = snrText(snrx10);
    }
    w_.lbl_snr.enabled = false;
}

void AcquisitionParameters::Cmb_organism_Click() {
    const int organism = w_.Cmb_organism.listIndex;
    if (!isOrganism(organism)) {
        return;
    }
    ProjectSetup& s = store_.setup();
    s.Mn1[mn1::Organism] = static_cast<std::int16_t>(organism);
    s.DSP_Method = organismMethod(organism);
    select(w_.ComboDSP, kMethods, s.DSP_Method);
    s.Mn1[mn1::SNRx10] = organismSnrDefault(organism);
    w_.lbl_snr.text = snrText(s.Mn1[mn1::SNRx10]);
}

void AcquisitionParameters::ComboDSP_Click() {
    if (w_.ComboDSP.listIndex >= 0) {
        store_.setup().DSP_Method = static_cast<std::int16_t>(w_.ComboDSP.listIndex);
    }
}

void AcquisitionParameters::Combo_aqmode_Click() {
    if (w_.Combo_aqmode.listIndex >= 0) {
        store_.setup().Aq_mode = static_cast<std::int16_t>(w_.Combo_aqmode.listIndex);
    }
}

void AcquisitionParameters::txt_snr_DblClick() {
    w_.lbl_snr.enabled = true;
}

void AcquisitionParameters::lbl_snr_LostFocus() {
    const int organism = store_.setup().Mn1[mn1::Organism];
    const std::optional<double> typed = typedValue(w_.lbl_snr.text);
    const double v = typed.value_or(0.0);
    const bool valid = organism == kDrosophila ? (v >= 0.5 && v < 1.0) : (v >= 1.4 && v <= 5.0);
    if (!valid) {
        rejectSnr(organism);
        return;
    }
    store_.setup().Mn1[mn1::SNRx10] = static_cast<std::int16_t>(roundHalfEven(v * 10));
    w_.lbl_snr.text = snrText(store_.setup().Mn1[mn1::SNRx10]);
}

void AcquisitionParameters::rejectSnr(int organism) {
    std::int16_t& snrx10 = store_.setup().Mn1[mn1::SNRx10];
    if (organism == kDrosophila) {
        ui_.message("Enter a valid SNR: 0.5 to 0.9");
        snrx10 = 8;
    } else {
        ui_.message("Enter a valid SNR: 1.4 to 5.0");
        snrx10 = organism == 1 ? 28 : 18;
    }
    w_.lbl_snr.text = snrText(snrx10);
}

// The box shows what was stored, so a rounded or corrected value is seen at once.
void AcquisitionParameters::Txtlapse_LostFocus() {
    const double v = typedValue(w_.Txtlapse.text).value_or(0.0);
    std::int16_t& lapse = store_.setup().Aq_lapse;
    if (v >= kLongestLapse) {
        lapse = kLongestLapse;
    } else if (!(v > 0)) {
        lapse = kShortLapse;
    } else {
        lapse = static_cast<std::int16_t>(roundHalfEven(v));
        // Less than half a minute rounds to no lapse at all.
        if (lapse <= 0) {
            lapse = kShortLapse;
        }
    }
    w_.Txtlapse.text = plain(lapse);
}

void AcquisitionParameters::Txtsample_LostFocus() {
    std::int16_t& field = store_.setup().Sample_Rate;
    field = typedInt16(w_.Txtsample.text).value_or(field);
    w_.Txtsample.text = plain(field);
}

void AcquisitionParameters::Txt_dspinterval_LostFocus() {
    std::int16_t& field = store_.setup().DSP_Interval;
    field = typedInt16(w_.Txt_dspinterval.text).value_or(field);
    w_.Txt_dspinterval.text = plain(field);
}

void AcquisitionParameters::Txtbuffer_LostFocus() {
    const double v = typedValue(w_.Txtbuffer.text).value_or(0.0);
    const std::int16_t buffer = v < kSmallestBuffer || v > kLargestBuffer
                                    ? kSmallestBuffer
                                    : static_cast<std::int16_t>(roundHalfEven(v));
    store_.setup().RT_Buffer = buffer;
    w_.Txtbuffer.text = plain(buffer);
}

// Counts per minute are always stored; the list shows so again whatever was picked.
void AcquisitionParameters::Combosavecount_Click() {
    store_.setup().Save_counts = 1;
    select(w_.Combosavecount, kNoYes, 1);
}

void AcquisitionParameters::Combosavereal_Click() {
    store_.setup().Save_real = w_.Combosavereal.text == "YES" ? -1 : 0;
}

void AcquisitionParameters::chkcal_Click() {
    show(w_.neighbours().frm_mn1, w_.chkcal.checked);
}

void AcquisitionParameters::chklight_Click() {
    const bool on = w_.chklight.checked;
    store_.setup().Menu2 = on ? 1 : 0;
    const SetupNeighbours& main = w_.neighbours();
    show(main.Frame_light, on);
    show(main.frm_pulse, on);
    if (main.Chk_lenabled != nullptr) {
        main.Chk_lenabled->checked = on;
    }
}

void AcquisitionParameters::chktemp_Click() {
    const bool on = w_.chktemp.checked;
    store_.setup().Menu3 = on ? 1 : 0;
    const SetupNeighbours& main = w_.neighbours();
    show(main.Frame_temp, on);
    if (main.Chk_tenabled != nullptr) {
        main.Chk_tenabled->checked = on;
    }
}

void AcquisitionParameters::Chk_mn_Click(int k) {
    if (k < 4 || k > 6) {
        return;
    }
    const std::int16_t flag = w_.Chk_mn[k - 4]->checked ? 1 : 0;
    ProjectSetup& s = store_.setup();
    (k == 4 ? s.Menu4 : k == 5 ? s.Menu5 : s.Menu6) = flag;
}

void AcquisitionParameters::toggleAdvanced() {
    w_.Frame_advanced.visible = !w_.Frame_advanced.visible;
    w_.cmd_advanced.text = w_.Frame_advanced.visible ? kAdvancedOpen : kAdvancedClosed;
}

void AcquisitionParameters::hideAdvanced() {
    w_.Frame_advanced.visible = false;
    w_.cmd_advanced.text = kAdvancedClosed;
}

}  // namespace qv
