#pragma once

#include <string>

#include "common/ui.h"
#include "store/store.h"

namespace qv {

class SetupWindow;

// The project section of the setup window: which project the next acquisition goes into.
// New projects start as a copy of the open one; "Save..." updates it in place or moves the
// settings into a new numbered project; "Load..." lists the project folders; a double-click on
// the project renames it in memory until the next save. Leaving fills the main window.
class ProjectManagement {
  public:
    ProjectManagement(SetupWindow& window, Store& store, Ui& ui);

    // The current project as number_name, and its folder.
    void showProject();

    void Cmdnewpj_Click();
    void Cmdsavepj_Click();
    void cmdLoad_Click();
    void Cmd_cancel_Click();
    void List_project_DblClick();
    void txtprj_DblClick();
    void Command_main_Click();
    void Cmdoffline_Click();
    void Form_Unload();

  private:
    // The name of the new project, then its number and folder.
    void saveUnderNewNumber(const std::string& title);
    bool saveInPlace();
    // The detection line, SNR box and organism list of the main window.
    void fillMainWindow();
    void copyNotes();
    void leave();

    SetupWindow& w_;
    Store& store_;
    Ui& ui_;
};

}  // namespace qv
