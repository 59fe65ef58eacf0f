#pragma once

#include <optional>

#include "common/controls.h"
#include "common/ui.h"
#include "setup/group_layout.h"
#include "setup/plate_drawing.h"

namespace qv {

// The controls a group editor works with, whichever window holds them.
struct GroupEditorControls {
    Control& picture;         // the plate picture
    Control& groups;          // group names: "000_Name" entries, the selection is the current group
    Control& assigned;        // channels of the current group
    Control& free;            // free channels
    Control* well = nullptr;  // shows the well under the pointer, where the window has one
};

// Groups wells with the mouse on the plate picture and through the channel lists: a left
// click puts a well's free channels into the current group, a right click frees the well, a
// drag applies the same to every well of the rectangle it spans (a left drag also takes wells
// from other groups). Works on any GroupsModel and plate format, so the project setup and the
// offline browser share it; it changes the tables only, saving is the window's business.
class GroupEditor {
  public:
    GroupEditor(GroupEditorControls controls, GroupsModel model, const PlateFormat& plate, Ui& ui);

    // The group list with group 0 selected, both channel lists and the picture; enables the
    // editor.
    void refresh();
    // The picture again (its widget was resized, or the tables changed elsewhere).
    void redraw();

    // A mouse event on the plate picture, in its user coordinates (plate units).
    void mouse(const MouseEvent& e);

    // The group list's choice was made: the assigned list follows it.
    void groupChosen();
    // Double-click (or Enter) on the group list: asks for the group's new name.
    void renameGroup();
    // Double-click (or Enter) on a free channel: its whole well joins the current group.
    void freeChannelChosen();
    // Double-click (or Enter) on an assigned channel: its whole well becomes free.
    void assignedChannelChosen();

    // "Do you like to Clear Group lists?"; true when the groups were cleared.
    bool clearAfterQuestion();
    // Every channel free, every group "Free", without asking.
    void clear();
    void arrange(BlockSize size);

    // The number of the selected group entry; 0 when nothing is selected.
    int currentGroup() const;

    // Mouse events are ignored while the editor is not enabled (the window is busy elsewhere).
    bool enabled = true;

  private:
    void rebuild(int group);
    void fillGroups(int group);
    void fillChannelLists();
    void mouseDown(const MouseEvent& e);
    void mouseMove(const MouseEvent& e);
    void mouseUp(const MouseEvent& e);
    void showWell(const std::optional<WellCell>& cell);
    void applyRange(const CellRange& range, int button);
    void moveWellOfListEntry(Control& list, bool join);

    GroupEditorControls c_;
    GroupsModel model_;
    const PlateFormat& plate_;
    Ui& ui_;

    // A button is down on the plate: where it went down and which button it is.
    bool pressed_ = false;
    int button_ = 0;
    WellCell start_;
    // The pointer has reached another well while the button is held: the release applies the
    // rectangle.
    bool dragging_ = false;
    // The pointer is outside the plate during a drag: nothing is drawn, a release there
    // applies nothing.
    bool busy_ = false;
    std::optional<CellRange> marks_;
};

}  // namespace qv
