#include "setup/setup_window.h"

#include <exception>
#include <string>

#include "common/scripted_ui.h"
#include "setup/acquisition_parameters.h"
#include "setup/plate_layout.h"
#include "setup/project_management.h"

namespace qv {

SetupWindow::SetupWindow(Store& store, Ui& ui)
    : Frm_setup(controls.add("Frm_setup", ControlKind::Form,
                             "<Quorvel> Acquisition Software  --------> Setup")),
      mn_advanced(controls.add("mn_advanced", ControlKind::MenuItem, "Advanced Tools")),
      txtprj(controls.add("txtprj", ControlKind::TextBox, "0_Default")),
      Txtfolder(controls.add("Txtfolder", ControlKind::TextBox, "C:\\Quorvel\\p00001\\")),
      Cmdnewpj(controls.add("Cmdnewpj", ControlKind::Button, "New...")),
      Cmdsavepj(controls.add("Cmdsavepj", ControlKind::Button, "Save...")),
      cmdLoad(controls.add("cmdLoad", ControlKind::Button, "Load...")),
      frm_project(controls.add("frm_project", ControlKind::Frame, "SELECT PROJECT TO LOAD:")),
      List_project(controls.add("List_project", ControlKind::ListBox)),
      Cmd_cancel(controls.add("Cmd_cancel", ControlKind::Button, "Cancel")),
      Command_main(controls.add("Command_main", ControlKind::Button, "Continue to Run...")),
      Cmdoffline(controls.add("Cmdoffline", ControlKind::Button, "<< Back")),
      Txt_description(controls.add("Txt_description", ControlKind::TextBox)),
      Combowell(controls.add("Combowell", ControlKind::ComboBox)),
      Timerwell(controls.add("Timerwell", ControlKind::Timer)),
      Picwell(controls.add("Picwell", ControlKind::Picture)),
      lblnchannel(controls.add("lblnchannel", ControlKind::Label)),
      combogrup(controls.add("combogrup", ControlKind::ComboBox)),
      lstgrup(controls.add("lstgrup", ControlKind::ListBox)),
      lstchgrup(controls.add("lstchgrup", ControlKind::ListBox)),
      Cmd_auto(controls.add("Cmd_auto", ControlKind::Button, "AUTO-ARRANGE")),
      mngroup(controls.add("mngroup", ControlKind::MenuItem, "AUTO-ARRANGE")),
      Combo_sets(controls.add("Combo_sets", ControlKind::ComboBox)),
      Cmd_clear(controls.add("Cmd_clear", ControlKind::Button, "CLEAR")),
      Cmb_organism(controls.add("Cmb_organism", ControlKind::ComboBox)),
      ComboDSP(controls.add("ComboDSP", ControlKind::ComboBox)),
      txt_snr(controls.add("txt_snr", ControlKind::Label, "SNR")),
      lbl_snr(controls.add("lbl_snr", ControlKind::TextBox, "1.8")),
      Txtlapse(controls.add("Txtlapse", ControlKind::TextBox, "30")),
      Combo_aqmode(controls.add("Combo_aqmode", ControlKind::ComboBox)),
      cmd_advanced(controls.add("cmd_advanced", ControlKind::Button, "[Advanced Tools]    ->")),
      Frame_advanced(controls.add("Frame_advanced", ControlKind::Frame, "Advanced Tools")),
      Txtsample(controls.add("Txtsample", ControlKind::TextBox, "99")),
      Txtbuffer(controls.add("Txtbuffer", ControlKind::TextBox, "500")),
      Txt_dspinterval(controls.add("Txt_dspinterval", ControlKind::TextBox, "30")),
      Combosavecount(controls.add("Combosavecount", ControlKind::ComboBox)),
      Combosavereal(controls.add("Combosavereal", ControlKind::ComboBox)),
      chkcal(controls.add("chkcal", ControlKind::CheckBox, "Calibration Control")),
      chklight(controls.add("chklight", ControlKind::CheckBox, "Light Control*")),
      chktemp(controls.add("chktemp", ControlKind::CheckBox, "Temperature Control*")),
      store_(store),
      ui_(ui) {
    for (int i = 0; i < kArrangeItems; ++i) {
        mnopciongrup[i] = &controls.add("mnopciongrup_" + std::to_string(i), ControlKind::MenuItem);
    }
    for (int k = 4; k <= 6; ++k) {
        const std::string n = std::to_string(k);
        Chk_mn[k - 4] = &controls.add("Chk_mn" + n, ControlKind::CheckBox, "Menu " + n);
    }
    Frm_setup.visible = false;
    frm_project.visible = false;
    Frame_advanced.visible = false;
    Combo_sets.visible = false;
    Timerwell.enabled = false;
    lbl_snr.enabled = false;
    project_ = std::make_unique<ProjectManagement>(*this, store, ui);
    plate_ = std::make_unique<PlateLayout>(*this, store, ui);
    parameters_ = std::make_unique<AcquisitionParameters>(*this, store, ui);
}

SetupWindow::~SetupWindow() = default;

void SetupWindow::attach(SetupNeighbours neighbours) {
    neighbours_ = std::move(neighbours);
}

// A handler that fails ends there, as every handler of the window does; the user is told, so
// that a project command that did not happen is not taken for done.
void SetupWindow::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const UnexpectedQuestion&) {
        throw;  // a test's script did not foresee a question: the test must fail, not go on
    } catch (const std::exception& e) {
        ui_.message(std::string("Setup: the action failed (") + e.what() + ")");
    }
}

void SetupWindow::Form_Load() {
    guarded([this] {
        if (store_.setup().Name.empty()) {
            store_.loadProjectSettings(store_.config().Actual_Project_Number);
        }
        frm_project.visible = false;
        project_->showProject();
        parameters_->fill();
        plate_->fill();
    });
}

void SetupWindow::Form_Unload() {
    guarded([this] { project_->Form_Unload(); });
}

void SetupWindow::Cmdnewpj_Click() {
    guarded([this] { project_->Cmdnewpj_Click(); });
}

void SetupWindow::Cmdsavepj_Click() {
    guarded([this] { project_->Cmdsavepj_Click(); });
}

void SetupWindow::cmdLoad_Click() {
    guarded([this] { project_->cmdLoad_Click(); });
}

void SetupWindow::Cmd_cancel_Click() {
    guarded([this] { project_->Cmd_cancel_Click(); });
}

void SetupWindow::List_project_DblClick() {
    guarded([this] { project_->List_project_DblClick(); });
}

void SetupWindow::txtprj_DblClick() {
    guarded([this] { project_->txtprj_DblClick(); });
}

void SetupWindow::Command_main_Click() {
    guarded([this] { project_->Command_main_Click(); });
}

void SetupWindow::Cmdoffline_Click() {
    guarded([this] { project_->Cmdoffline_Click(); });
}

void SetupWindow::Combowell_Click() {
    guarded([this] { plate_->Combowell_Click(); });
}

void SetupWindow::Timerwell_Timer() {
    guarded([this] { plate_->Timerwell_Timer(); });
}

void SetupWindow::Picwell_Mouse(const MouseEvent& e) {
    guarded([&] { plate_->editor().mouse(e); });
}

void SetupWindow::Picwell_Paint() {
    guarded([this] { plate_->editor().redraw(); });
}

void SetupWindow::combogrup_Click() {
    guarded([this] { plate_->editor().groupChosen(); });
}

void SetupWindow::combogrup_DblClick() {
    guarded([this] { plate_->editor().renameGroup(); });
}

void SetupWindow::lstgrup_DblClick() {
    guarded([this] { plate_->editor().assignedChannelChosen(); });
}

void SetupWindow::lstchgrup_DblClick() {
    guarded([this] { plate_->editor().freeChannelChosen(); });
}

void SetupWindow::Cmd_clear_Click() {
    guarded([this] { plate_->Cmd_clear_Click(); });
}

void SetupWindow::mnopciongrup_Click(int index) {
    guarded([&] { plate_->mnopciongrup_Click(index); });
}

void SetupWindow::Cmb_organism_Click() {
    guarded([this] { parameters_->Cmb_organism_Click(); });
}

void SetupWindow::ComboDSP_Click() {
    guarded([this] { parameters_->ComboDSP_Click(); });
}

void SetupWindow::Combo_aqmode_Click() {
    guarded([this] { parameters_->Combo_aqmode_Click(); });
}

void SetupWindow::txt_snr_DblClick() {
    guarded([this] { parameters_->txt_snr_DblClick(); });
}

void SetupWindow::lbl_snr_LostFocus() {
    guarded([this] { parameters_->lbl_snr_LostFocus(); });
}

void SetupWindow::Txtlapse_LostFocus() {
    guarded([this] { parameters_->Txtlapse_LostFocus(); });
}

void SetupWindow::Txtsample_LostFocus() {
    guarded([this] { parameters_->Txtsample_LostFocus(); });
}

void SetupWindow::Txt_dspinterval_LostFocus() {
    guarded([this] { parameters_->Txt_dspinterval_LostFocus(); });
}

void SetupWindow::Txtbuffer_LostFocus() {
    guarded([this] { parameters_->Txtbuffer_LostFocus(); });
}

void SetupWindow::Combosavecount_Click() {
    guarded([this] { parameters_->Combosavecount_Click(); });
}

void SetupWindow::Combosavereal_Click() {
    guarded([this] { parameters_->Combosavereal_Click(); });
}

void SetupWindow::chkcal_Click() {
    guarded([this] { parameters_->chkcal_Click(); });
}

void SetupWindow::chklight_Click() {
    guarded([this] { parameters_->chklight_Click(); });
}

void SetupWindow::chktemp_Click() {
    guarded([this] { parameters_->chktemp_Click(); });
}

void SetupWindow::Chk_mn_Click(int k) {
    guarded([&] { parameters_->Chk_mn_Click(k); });
}

void SetupWindow::cmd_advanced_Click() {
    guarded([this] { parameters_->toggleAdvanced(); });
}

void SetupWindow::mn_advanced_Click() {
    guarded([this] { parameters_->toggleAdvanced(); });
}

}  // namespace qv
