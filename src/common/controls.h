#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class Canvas;

// A mouse event on a picture, in the user coordinates of the picture's last scale().
struct MouseEvent {
    enum class Kind { Down, Move, Up, DoubleClick };
    Kind kind = Kind::Down;
    double x = 0;
    double y = 0;
    int button = 1;  // 1 left, 2 right, 4 middle; 0 for a move with no button held
};

// What a window logic class says about one of its controls. The Qt window builds a widget (or
// menu action, or timer) per control, gives it the control's name as objectName and copies
// this state onto it after every handler; the fields a kind does not use are ignored.
enum class ControlKind {
    Form,       // the window itself: text = title, visible = shown, enabled
    Frame,      // a panel or framed group of controls: text = caption
    Label,      // text
    TextBox,    // text (what the user typed is written back before a handler runs)
    Button,     // text = caption
    CheckBox,   // text = caption, checked
    MenuItem,   // text = caption, checked (a tick), visible, enabled
    ComboBox,   // items, listIndex (-1 none) and text (the edit part, may hold text not in items)
    ListBox,    // items, listIndex (-1 none); with multiSelect, selectedRows holds every row chosen
    Picture,    // a drawing surface: the logic draws on `canvas` (set by the window or a test)
    Shape,      // a drawn outline or lamp: visible, backColor
    Timer,      // enabled, intervalMs
    ScrollBar,  // value within minimum..maximum (what the user moved it to is written back)
};

struct Control {
    std::string name;
    ControlKind kind;
    std::string text;  // Windows-1252, as the rest of the core
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::vector<std::string> items;
    int listIndex = -1;
    bool multiSelect = false;
    std::vector<int> selectedRows;
    int intervalMs = 0;
    // Scroll bars only.
    int value = 0;
    int minimum = 0;
    int maximum = 0;
    // Fill colour of a shape, button or label, packed as Color::packed() (r + 256 g + 65536 b);
    // -1 leaves the widget's own colour.
    std::int32_t backColor = -1;
    // Pictures only: where the logic draws. The Qt window puts its widget's canvas here; tests
    // put a RecordingCanvas. Null until someone does: drawing code checks.
    Canvas* canvas = nullptr;
};

// The controls of one window, in creation order. Addresses stay valid for the life of the set,
// so a logic class keeps a reference per control under the control's own name.
class Controls {
  public:
    Control& add(std::string name, ControlKind kind, std::string text = {});

    // nullptr for a name the window does not have.
    Control* find(std::string_view name);
    const Control* find(std::string_view name) const;

    using iterator = std::deque<Control>::iterator;
    using const_iterator = std::deque<Control>::const_iterator;
    iterator begin() { return all_.begin(); }
    iterator end() { return all_.end(); }
    const_iterator begin() const { return all_.begin(); }
    const_iterator end() const { return all_.end(); }
    std::size_t size() const { return all_.size(); }

  private:
    std::deque<Control> all_;
};

// Combo box helpers shared by every window: select by text (none when absent) and the text of
// the selection.
void selectText(Control& combo, std::string_view text);
void fillList(Control& combo, std::vector<std::string> items);

// Option groups (a control array of option buttons, `Option_output_0`, `Option_output_1`, ...):
// select one, unselecting the others, and the index of the selected one (-1 when none).
template <typename Group>
void selectOption(Group& group, int index) {
    int i = 0;
    for (Control* option : group) {
        option->checked = i++ == index;
    }
}
template <typename Group>
int selectedOption(const Group& group) {
    int i = 0;
    for (const Control* option : group) {
        if (option->checked) {
            return i;
        }
        ++i;
    }
    return -1;
}

}  // namespace qv
