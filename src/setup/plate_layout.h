#pragma once

#include <string>

#include "common/ui.h"
#include "setup/group_editor.h"
#include "store/store.h"

namespace qv {

class SetupWindow;

// The plate half of the setup window: the plate choice (through a one-shot timer, as the list
// reports its click before it has closed), the auto-arrange menu and "CLEAR" around the group
// editor, which works on the project's own groups and plate.
class PlateLayout {
  public:
    PlateLayout(SetupWindow& window, Store& store, Ui& ui);

    // The plate list, the auto-arrange menu and block sizes, and the editor with group 0.
    void fill();

    void Combowell_Click();
    void Timerwell_Timer();
    void Cmd_clear_Click();
    void mnopciongrup_Click(int index);

    GroupEditor& editor() { return editor_; }

  private:
    void fillPlateList();
    void fillArrangeMenu();
    void showCurrentPlate();
    void choosePlate(const std::string& name);

    SetupWindow& w_;
    Store& store_;
    Ui& ui_;
    GroupEditor editor_;
};

// The plate names the setup window offers, from the w*.dat files of the application folder.
std::vector<std::string> offeredPlates(const std::filesystem::path& applicationFolder);

// The description and adapter advice shown when a plate is chosen, lines joined by CR LF;
// empty for plates that have none.
std::string plateAdvice(const std::string& name);

}  // namespace qv
