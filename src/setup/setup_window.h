#pragma once

#include <array>
#include <functional>
#include <memory>

#include "common/controls.h"
#include "common/ui.h"
#include "store/store.h"

namespace qv {

class AcquisitionParameters;
class PlateLayout;
class ProjectManagement;

// What the setup window reaches in the other windows: the main window's controls it fills
// when the user leaves, and the ways to the main window and the start screen. Given by the
// program, so that this folder needs neither window; any of them may be missing (tests, the
// command line).
struct SetupNeighbours {
    Control* Frm_Main = nullptr;
    Control* lbl_detection = nullptr;
    Control* txt_snr_umbral = nullptr;
    Control* Cmb_organism = nullptr;
    Control* Txt_description = nullptr;
    // Tool panels of the main window and the boxes that go with them.
    Control* frm_mn1 = nullptr;
    Control* Frame_light = nullptr;
    Control* frm_pulse = nullptr;
    Control* Chk_lenabled = nullptr;
    Control* Frame_temp = nullptr;
    Control* Chk_tenabled = nullptr;
    // Shows the main window, running the Connect action when the instrument is not connected.
    std::function<void()> showRunWindow;
    std::function<void()> showStartScreen;
};

// The project setup window Frm_setup: the project section (new, save, load, rename, leaving),
// the plate layout and group editor, and the acquisition parameters. Each part's behaviour
// lives in a class of its own; this class holds the controls and forwards the events. Every
// control writes into the store's in-memory project settings; only the project commands
// write files.
class SetupWindow {
  public:
    static constexpr int kArrangeItems = 24;

    SetupWindow(Store& store, Ui& ui);
    ~SetupWindow();

    void attach(SetupNeighbours neighbours);
    SetupNeighbours& neighbours() { return neighbours_; }

    // The window's load step: every control from the in-memory settings (loading the current
    // project first when the settings hold no name). The view runs it whenever the window is
    // shown, so it always shows what the other windows may have changed.
    void Form_Load();
    // Closing the window: the notes go to the main window.
    void Form_Unload();

    // Project section.
    void Cmdnewpj_Click();
    void Cmdsavepj_Click();
    void cmdLoad_Click();
    void Cmd_cancel_Click();
    void List_project_DblClick();
    void txtprj_DblClick();
    void Command_main_Click();
    void Cmdoffline_Click();

    // Plate layout and groups.
    void Combowell_Click();
    void Timerwell_Timer();
    void Picwell_Mouse(const MouseEvent& e);
    void Picwell_Paint();
    void combogrup_Click();
    void combogrup_DblClick();
    void lstgrup_DblClick();
    void lstchgrup_DblClick();
    void Cmd_clear_Click();
    void mnopciongrup_Click(int index);

    // Acquisition parameters.
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
    // Chk_mn4..Chk_mn6: k = 4..6.
    void Chk_mn_Click(int k);
    void cmd_advanced_Click();
    void mn_advanced_Click();

    Controls controls;
    Control& Frm_setup;
    Control& mn_advanced;
    // Project section.
    Control& txtprj;
    Control& Txtfolder;
    Control& Cmdnewpj;
    Control& Cmdsavepj;
    Control& cmdLoad;
    Control& frm_project;
    Control& List_project;
    Control& Cmd_cancel;
    Control& Command_main;
    Control& Cmdoffline;
    Control& Txt_description;
    // Plate layout and groups.
    Control& Combowell;
    Control& Timerwell;
    Control& Picwell;
    Control& lblnchannel;
    Control& combogrup;
    Control& lstgrup;
    Control& lstchgrup;
    Control& Cmd_auto;
    Control& mngroup;
    std::array<Control*, kArrangeItems> mnopciongrup{};
    Control& Combo_sets;
    Control& Cmd_clear;
    // Acquisition parameters.
    Control& Cmb_organism;
    Control& ComboDSP;
    Control& txt_snr;
    Control& lbl_snr;
    Control& Txtlapse;
    Control& Combo_aqmode;
    Control& cmd_advanced;
    Control& Frame_advanced;
    Control& Txtsample;
    Control& Txtbuffer;
    Control& Txt_dspinterval;
    Control& Combosavecount;
    Control& Combosavereal;
    Control& chkcal;
    Control& chklight;
    Control& chktemp;
    std::array<Control*, 3> Chk_mn{};  // Chk_mn4, Chk_mn5, Chk_mn6

  private:
    void guarded(const std::function<void()>& handler);

    Store& store_;
    Ui& ui_;
    SetupNeighbours neighbours_;
    std::unique_ptr<ProjectManagement> project_;
    std::unique_ptr<PlateLayout> plate_;
    std::unique_ptr<AcquisitionParameters> parameters_;
};

}  // namespace qv
