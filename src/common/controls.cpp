#include "common/controls.h"

#include <algorithm>

namespace qv {

Control& Controls::add(std::string name, ControlKind kind, std::string text) {
    Control c;
    c.name = std::move(name);
    c.kind = kind;
    c.text = std::move(text);
    return all_.emplace_back(std::move(c));
}

Control* Controls::find(std::string_view name) {
    auto it =
        std::find_if(all_.begin(), all_.end(), [&](const Control& c) { return c.name == name; });
    return it == all_.end() ? nullptr : &*it;
}

const Control* Controls::find(std::string_view name) const {
    return const_cast<Controls*>(this)->find(name);
}

void selectText(Control& combo, std::string_view text) {
    auto it = std::find(combo.items.begin(), combo.items.end(), text);
    combo.listIndex = it == combo.items.end() ? -1 : static_cast<int>(it - combo.items.begin());
    combo.text = std::string(text);
}

void fillList(Control& combo, std::vector<std::string> items) {
    combo.items = std::move(items);
    combo.listIndex = -1;
    combo.text.clear();
}

}  // namespace qv
