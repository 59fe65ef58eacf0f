#include "setup/project_management.h"

#include "setup/acquisition_parameters.h"
#include "setup/group_layout.h"
#include "setup/project_actions.h"
#include "setup/setup_window.h"

namespace qv {

ProjectManagement::ProjectManagement(SetupWindow& window, Store& store, Ui& ui)
    : w_(window), store_(store), ui_(ui) {}

void ProjectManagement::showProject() {
    w_.txtprj.text = projectDisplayName(store_.config().Actual_Project_Number, store_.setup().Name);
    w_.Txtfolder.text = workingFolderText(store_.projectPath());
}

void ProjectManagement::Cmdnewpj_Click() {
    if (ui_.ask("Do you like to Create a New Project?", Buttons::OkCancel) != Answer::Ok) {
        return;
    }
    const int next = nextProjectNumber(store_.config().Last_Project);
    saveUnderNewNumber("Saving <" + std::to_string(next) + "> with a new name");
}

void ProjectManagement::Cmdsavepj_Click() {
    const Answer answer =
        ui_.ask("Do you like to Update <" + w_.txtprj.text + "> values?", Buttons::YesNoCancel);
    if (answer == Answer::Yes) {
        saveInPlace();
    } else if (answer == Answer::No) {
        saveUnderNewNumber("Saving <" + w_.txtprj.text + "> with a new name");
    }
}

// Cancel in the name box ends the operation before a number is taken.
void ProjectManagement::saveUnderNewNumber(const std::string& title) {
    const std::optional<std::string> name = ui_.input("Enter the New Project Name", title, {});
    if (!name) {
        return;
    }
    const Allocation result = allocateProject(store_, ui_, storableName(*name));
    if (result.outcome != AllocationOutcome::Declined) {
        showProject();
    }
}

bool ProjectManagement::saveInPlace() {
    if (!store_.saveProjectSettings()) {
        ui_.message(kSaveProjectFailedMessage);
        return false;
    }
    return true;
}

void ProjectManagement::cmdLoad_Click() {
    const Answer answer =
        ui_.ask("Do you like to save current values before new load?", Buttons::YesNoCancel);
    if (answer == Answer::Cancel || (answer == Answer::Yes && !saveInPlace())) {
        return;
    }
    fillList(w_.List_project, projectListEntries(store_.applicationFolder(), ui_));
    w_.frm_project.visible = true;
}

void ProjectManagement::Cmd_cancel_Click() {
    w_.frm_project.visible = false;
}

void ProjectManagement::List_project_DblClick() {
    const Control& list = w_.List_project;
    if (list.listIndex < 0 || list.listIndex >= static_cast<int>(list.items.size())) {
        return;
    }
    const std::string entry = list.items[list.listIndex];
    if (entry.empty()) {
        return;
    }
    const std::optional<std::int16_t> number = projectNumberOfEntry(entry);
    if (!number) {
        ui_.message("Not a project folder: " + entry);
        return;
    }
    chooseProject(store_, *number,
                  projectFolderOfEntry(store_.applicationFolder(), entry, *number));
    w_.frm_project.visible = false;
    w_.Form_Load();
}

void ProjectManagement::txtprj_DblClick() {
    if (store_.config().Actual_Project_Number == 0) {
        ui_.message("Not possible to rename the Default project. Save it with another Name");
        return;
    }
    const std::optional<std::string> name = ui_.input("Rename Project: Entre New Name", {}, {});
    if (name && !name->empty()) {
        store_.setup().Name = storableName(*name);
    }
    showProject();
}

void ProjectManagement::Command_main_Click() {
    Mn& mn1 = store_.setup().Mn1;
    if (mn1[mn1::SNRx10] == 0) {
        mn1[mn1::SNRx10] = organismSnrDefault(mn1[mn1::Organism]);
    }
    fillMainWindow();
    copyNotes();
    leave();
    w_.Frm_setup.visible = false;
    if (w_.neighbours().showRunWindow) {
        w_.neighbours().showRunWindow();
    }
}

void ProjectManagement::Cmdoffline_Click() {
    fillMainWindow();
    leave();
    if (w_.neighbours().showStartScreen) {
        w_.neighbours().showStartScreen();
    }
    w_.Frm_setup.visible = false;
}

// Closing the window with nothing else on the screen would leave the program running out of
// sight: the start screen comes back then.
void ProjectManagement::Form_Unload() {
    copyNotes();
    w_.Frm_setup.visible = false;
    const SetupNeighbours& main = w_.neighbours();
    const bool mainShown = main.Frm_Main != nullptr && main.Frm_Main->visible;
    if (!mainShown && main.showStartScreen) {
        main.showStartScreen();
    }
}

void ProjectManagement::fillMainWindow() {
    const ProjectSetup& s = store_.setup();
    const int organism = s.Mn1[mn1::Organism];
    const std::string snr = snrText(s.Mn1[mn1::SNRx10]);
    const SetupNeighbours& main = w_.neighbours();
    if (main.lbl_detection != nullptr) {
        main.lbl_detection->text = "Detection Mode" + std::to_string(s.DSP_Method) + ", " +
                                   organismName(organism) + " [snr " + snr + "]";
    }
    if (main.txt_snr_umbral != nullptr) {
        main.txt_snr_umbral->text = snr;
    }
    if (Control* list = main.Cmb_organism) {
        const bool listed = organism >= 0 && organism < static_cast<int>(list->items.size());
        list->listIndex = listed ? organism : -1;
        list->text = listed ? list->items[organism] : std::string();
    }
}

void ProjectManagement::copyNotes() {
    if (w_.neighbours().Txt_description != nullptr) {
        w_.neighbours().Txt_description->text = w_.Txt_description.text;
    }
}

// The advanced tools are put away as the window is left.
void ProjectManagement::leave() {
    w_.cmd_advanced.visible = false;
    w_.Frame_advanced.visible = false;
}

}  // namespace qv
