#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/date_time.h"
#include "common/ui.h"
#include "setup/group_editor.h"
#include "store/project_setup.h"

namespace qv {

class OfflineWindow;

// Group editing after the fact: the setup window's group editor on the opened acquisition's
// own copies of its groups, on the picture Picreal, saved into that acquisition's groups.dat
// and chgroup.dat with dated backups; and the plot group list that chooses what the plots show.
class OfflineGroupEditing {
  public:
    OfflineGroupEditing(OfflineWindow& window, Ui& ui, Clock& clock);

    // "999_Free", then every group with at least one channel, "000_Name".
    void fillPlotList();

    // "Plate Config" and "Edit Plate Groups": the editor on the opened acquisition, the rest of
    // the window locked.
    void enter();
    // "EXIT Group Edition": "Do you like to Save Changes?", then saved or the stored groups
    // read again, and the window as before.
    void leave();
    // The window is loaded again while an edit was open: it ends, nothing is asked or saved.
    void leaveWithoutSaving();

    bool editing() const { return editing_; }
    GroupEditor& editor() { return editor_; }
    void mouse(const MouseEvent& e);
    void redraw();
    // "Go...": the auto-arrange with the block size chosen in Combo_sets.
    void arrange();
    // "CLEAR LIST".
    void clear();

  private:
    void lockWindow(bool editing);
    bool save();

    OfflineWindow& w_;
    Ui& ui_;
    Clock& clock_;
    GroupEditor editor_;
    bool editing_ = false;
    // What the editing locked, and whether each control was enabled before.
    std::vector<std::pair<Control*, bool>> locked_;
};

// "yyyymmddhhmm": the minute a backup of the group files was taken, in an order that sorts by
// time.
std::string groupBackupStamp(const DateTime& t);

// Saves an acquisition's groups as group editing does: chgroup.dat and groups.dat kept as .bak
// and as a backup dated to the minute, a short pause for the window, then both files written.
// A dated backup already taken in the same minute is kept: it holds the groups from before the
// first save of that minute. False (after the backups that were made) when a copy or a write
// failed.
bool saveAcquisitionGroups(const std::filesystem::path& folder, const ProjectSetup& setup, Ui& ui,
                           Clock& clock);

}  // namespace qv
