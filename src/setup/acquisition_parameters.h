#pragma once

#include <cstdint>
#include <string>

#include "common/ui.h"
#include "store/store.h"

namespace qv {

class SetupWindow;

// The organisms of the setup window's list, by their stored code (0..3): the name shown, the
// detection method chosen with it and its SNR default (times ten).
std::string organismName(int organism);
std::int16_t organismMethod(int organism);
std::int16_t organismSnrDefault(int organism);
// SNRx10 as the boxes show it: "1.8".
std::string snrText(int snrx10);

// The acquisition parameters of the setup window: organism, detection method and its SNR,
// lapse, acquisition mode and, behind "[Advanced Tools]", sampling, buffer, real-time saving
// and the tool flags. Every control writes straight into the in-memory project settings;
// values out of range are put right as the box loses the focus.
class AcquisitionParameters {
  public:
    AcquisitionParameters(SetupWindow& window, Store& store, Ui& ui);

    // Every control from the project settings (the window's load step).
    void fill();

    void Cmb_organism_Click();
    void ComboDSP_Click();
    void Combo_aqmode_Click();
    void txt_snr_DblClick();
    void lbl_snr_LostFocus();
    void Txtlapse_LostFocus();
    void Txtsample_LostFocus();
    void Txt_dspinterval_LostFocus();
    void Txtbuffer_LostFocus();
    void Combosavecount_Click();
    void Combosavereal_Click();
    void chkcal_Click();
    void chklight_Click();
    void chktemp_Click();
    void Chk_mn_Click(int k);
    // The button and the menu item both show or hide the advanced panel.
    void toggleAdvanced();
    void hideAdvanced();

  private:
    void fillLists();
    void fillSnr();
    void rejectSnr(int organism);

    SetupWindow& w_;
    Store& store_;
    Ui& ui_;
};

}  // namespace qv
