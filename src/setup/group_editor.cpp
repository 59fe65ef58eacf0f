#include "setup/group_editor.h"

#include <algorithm>

namespace qv {

namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;

std::vector<std::string> labels(const PlateFormat& plate, const std::vector<int>& channels) {
    std::vector<std::string> out;
    out.reserve(channels.size());
    for (int c : channels) {
        out.push_back(channelLabel(plate, c));
    }
    return out;
}

// New items for a list, keeping the selection at the same position (the last entry when the
// list got shorter, none when it is empty).
void refill(Control& list, std::vector<std::string> items) {
    const int size = static_cast<int>(items.size());
    list.items = std::move(items);
    list.listIndex = std::clamp(list.listIndex, -1, size - 1);
}

bool sameCell(WellCell a, WellCell b) {
    return a.row == b.row && a.column == b.column;
}

bool sameRange(const CellRange& a, const CellRange& b) {
    return a.firstRow == b.firstRow && a.lastRow == b.lastRow && a.firstColumn == b.firstColumn &&
           a.lastColumn == b.lastColumn;
}

}  // namespace

GroupEditor::GroupEditor(GroupEditorControls controls, GroupsModel model, const PlateFormat& plate,
                         Ui& ui)
    : c_(controls), model_(model), plate_(plate), ui_(ui) {}

void GroupEditor::refresh() {
    enabled = true;
    pressed_ = false;
    dragging_ = false;
    busy_ = false;
    marks_.reset();
    c_.assigned.listIndex = -1;
    c_.free.listIndex = -1;
    rebuild(0);
}

void GroupEditor::redraw() {
    if (c_.picture.canvas != nullptr) {
        drawPlate(*c_.picture.canvas, plate_, model_);
    }
}

int GroupEditor::currentGroup() const {
    const Control& groups = c_.groups;
    if (groups.listIndex < 0 || groups.listIndex >= static_cast<int>(groups.items.size())) {
        return 0;
    }
    return std::max(groupOfEntry(groups.items[groups.listIndex]), 0);
}

void GroupEditor::rebuild(int group) {
    fillGroups(group);
    fillChannelLists();
    redraw();
}

void GroupEditor::fillGroups(int group) {
    Control& groups = c_.groups;
    groups.items = groupListEntries(model_);
    auto it = std::find_if(groups.items.begin(), groups.items.end(),
                           [&](const std::string& e) { return groupOfEntry(e) == group; });
    groups.listIndex = it == groups.items.end() ? 0 : static_cast<int>(it - groups.items.begin());
    groups.text = groups.items.empty() ? std::string() : groups.items[groups.listIndex];
}

void GroupEditor::fillChannelLists() {
    refill(c_.assigned, labels(plate_, channelsInGroup(model_, plate_, currentGroup())));
    refill(c_.free, labels(plate_, channelsInGroup(model_, plate_, kFreeGroup)));
}

void GroupEditor::groupChosen() {
    const Control& groups = c_.groups;
    if (groups.listIndex >= 0 && groups.listIndex < static_cast<int>(groups.items.size())) {
        c_.groups.text = groups.items[groups.listIndex];
    }
    c_.assigned.listIndex = -1;
    fillChannelLists();
}

void GroupEditor::renameGroup() {
    Control& groups = c_.groups;
    const int index = groups.listIndex;
    if (index < 0 || index >= static_cast<int>(groups.items.size())) {
        return;
    }
    const int group = currentGroup();
    const std::optional<std::string> answer = ui_.input(
        "Enter New Group (" + std::to_string(group) + ") Name", {}, model_.groupName[group]);
    if (!answer || answer->empty()) {
        return;
    }
    model_.groupName[group] = storableName(*answer);
    groups.items[index] = groupEntry(group, model_.groupName[group]);
    groups.text = groups.items[index];
}

void GroupEditor::freeChannelChosen() {
    moveWellOfListEntry(c_.free, true);
}

void GroupEditor::assignedChannelChosen() {
    moveWellOfListEntry(c_.assigned, false);
}

void GroupEditor::moveWellOfListEntry(Control& list, bool join) {
    if (list.items.empty()) {
        return;
    }
    const int index = std::clamp(list.listIndex, 0, static_cast<int>(list.items.size()) - 1);
    const int well = wellOfLabel(plate_, list.items[index]);
    if (well < 0) {
        return;
    }
    const int group = currentGroup();
    if (join) {
        assignWell(model_, plate_, well, group, false);
    } else {
        freeWell(model_, plate_, well);
    }
    list.listIndex = index;
    rebuild(group);
}

bool GroupEditor::clearAfterQuestion() {
    if (ui_.ask("Do you like to Clear Group lists?", Buttons::YesNo) != Answer::Yes) {
        return false;
    }
    clear();
    return true;
}

void GroupEditor::clear() {
    clearGroups(model_);
    c_.assigned.listIndex = -1;
    c_.free.listIndex = -1;
    rebuild(0);
}

void GroupEditor::arrange(BlockSize size) {
    autoArrange(model_, plate_, size);
    c_.assigned.listIndex = -1;
    c_.free.listIndex = -1;
    rebuild(0);
}

void GroupEditor::mouse(const MouseEvent& e) {
    switch (e.kind) {
        case MouseEvent::Kind::Down:
            mouseDown(e);
            break;
        case MouseEvent::Kind::Move:
            mouseMove(e);
            break;
        case MouseEvent::Kind::Up:
            mouseUp(e);
            break;
        case MouseEvent::Kind::DoubleClick:
            break;
    }
}

void GroupEditor::showWell(const std::optional<WellCell>& cell) {
    if (c_.well != nullptr) {
        c_.well->text = cell ? std::to_string(wellAt(plate_, *cell)) : std::string();
    }
}

// A press outside the wells starts nothing: the well index it would compute can name a well
// elsewhere on the plate.
void GroupEditor::mouseDown(const MouseEvent& e) {
    if (!enabled || (e.button != kLeft && e.button != kRight)) {
        return;
    }
    const std::optional<WellCell> cell = cellAtPoint(plate_, e.x, e.y);
    showWell(cell);
    if (!cell) {
        return;
    }
    pressed_ = true;
    button_ = e.button;
    start_ = *cell;
    dragging_ = false;
    busy_ = false;
    marks_.reset();
    const int group = currentGroup();
    const int well = wellAt(plate_, *cell);
    if (button_ == kLeft) {
        assignWell(model_, plate_, well, group, true);
    } else {
        freeWell(model_, plate_, well);
    }
    rebuild(group);
}

void GroupEditor::mouseMove(const MouseEvent& e) {
    if (!enabled) {
        return;
    }
    const std::optional<WellCell> cell = cellAtPoint(plate_, e.x, e.y);
    showWell(cell);
    if (!pressed_) {
        return;
    }
    busy_ = !cell;
    if (busy_) {
        return;
    }
    dragging_ = dragging_ || !sameCell(*cell, start_);
    if (!dragging_) {
        return;
    }
    const CellRange range = cellRange(start_, *cell);
    if (marks_ && sameRange(*marks_, range)) {
        return;
    }
    if (c_.picture.canvas != nullptr) {
        drawDragMarks(*c_.picture.canvas, plate_, marks_ ? &*marks_ : nullptr, range);
    }
    marks_ = range;
}

void GroupEditor::mouseUp(const MouseEvent& e) {
    if (!pressed_) {
        return;
    }
    pressed_ = false;
    const std::optional<WellCell> cell = cellAtPoint(plate_, e.x, e.y);
    const bool apply = enabled && dragging_ && !busy_ && cell.has_value();
    dragging_ = false;
    busy_ = false;
    marks_.reset();
    if (apply) {
        applyRange(cellRange(start_, *cell), button_);
    }
    rebuild(currentGroup());
}

void GroupEditor::applyRange(const CellRange& range, int button) {
    const int group = currentGroup();
    for (int r = range.firstRow; r <= range.lastRow; ++r) {
        for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
            const int well = wellAt(plate_, {r, c});
            if (button == kLeft) {
                assignWell(model_, plate_, well, group, false);
            } else {
                freeWell(model_, plate_, well);
            }
        }
    }
}

}  // namespace qv
