#include "setup/plate_layout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>
#include <utility>

#include "common/file_util.h"
#include "setup/setup_window.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

// The plate choice is held back until the list has closed: any short delay serves.
constexpr int kPlateChoiceDelayMs = 100;

const std::array<const char*, 3> kOfferedPlates = {"w96", "w96u", "w32_flytube"};

struct Advice {
    const char* name;
    const char* lines;
};

const std::array<Advice, 7> kAdvice = {{
    {"w384", "384 Well microplate [1microbeams/well]\r\nUSE 'W384' plate Adapter"},
    {"w96f", "96 Wells flat bottom [2microbeams/well]\r\nUSE 'W96F' plate Adapter"},
    {"w24", "24 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W24' plate Adapter"},
    {"w48", "48 Wells flat bottom [1-3microbeams/well]\r\nUSE 'W384' or 'W48' plate Adapter"},
    {"w6", "6 Wells flat bottom [30-32microbeams/well]\r\nUSE 'W384' or 'W6' plate Adapter"},
    {"w96u", "96 Wells U shape bottom [1microbeam/well]\r\nUSE 'W96U' plate Adapter"},
    {"w96flat",
     "96 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W96x4' plate "
     "Adapter\r\nNOTE: DISCONTINUED. Contact provider"},
}};

std::string lowerCase(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

}  // namespace

std::vector<std::string> offeredPlates(const fs::path& applicationFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(applicationFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string file = lowerCase(it->path().filename().string());
        if (file.size() < 5 || file[0] != 'w' || !file.ends_with(".dat")) {
            continue;
        }
        const std::string name = file.substr(0, file.size() - 4);
        if (std::find(kOfferedPlates.begin(), kOfferedPlates.end(), name) != kOfferedPlates.end()) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string plateAdvice(const std::string& name) {
    for (const Advice& a : kAdvice) {
        if (name == a.name) {
            return a.lines;
        }
    }
    return {};
}

PlateLayout::PlateLayout(SetupWindow& window, Store& store, Ui& ui)
    : w_(window),
      store_(store),
      ui_(ui),
      editor_(
          {window.Picwell, window.combogrup, window.lstgrup, window.lstchgrup, &window.lblnchannel},
          GroupsModel::of(store.setup()), store.plate(), ui) {}

void PlateLayout::fill() {
    fillPlateList();
    fillArrangeMenu();
    editor_.refresh();
}

void PlateLayout::fillPlateList() {
    fillList(w_.Combowell, offeredPlates(store_.applicationFolder()));
    showCurrentPlate();
}

// The project's plate is shown even when the list does not offer it.
void PlateLayout::showCurrentPlate() {
    selectText(w_.Combowell, store_.setup().Plate_format);
}

void PlateLayout::fillArrangeMenu() {
    const std::vector<std::string> entries = blockSizeEntries(store_.plate());
    for (int i = 0; i < SetupWindow::kArrangeItems; ++i) {
        Control& item = *w_.mnopciongrup[i];
        const bool shown = i < static_cast<int>(entries.size());
        item.text = shown ? entries[i] : std::string();
        item.visible = shown;
    }
    fillList(w_.Combo_sets, entries);
    if (!entries.empty()) {
        w_.Combo_sets.listIndex = entries.size() >= 3 ? 2 : 0;
        w_.Combo_sets.text = entries[w_.Combo_sets.listIndex];
    }
}

void PlateLayout::Combowell_Click() {
    w_.Timerwell.intervalMs = kPlateChoiceDelayMs;
    w_.Timerwell.enabled = true;
}

void PlateLayout::Timerwell_Timer() {
    w_.Timerwell.enabled = false;
    const Control& list = w_.Combowell;
    const bool picked = list.listIndex >= 0 && list.listIndex < static_cast<int>(list.items.size());
    choosePlate(picked ? list.items[list.listIndex] : list.text);
}

// The new plate is read before anything changes, so that a plate file that cannot be read
// costs the project neither its groups nor its plate.
void PlateLayout::choosePlate(const std::string& name) {
    const fs::path applicationFolder = store_.applicationFolder();
    if (name.empty() || !isRegularFile(applicationFolder / (name + ".dat"))) {
        ui_.message("Selection Error");
        showCurrentPlate();
        return;
    }
    if (ui_.ask("Load New Plate configuration?", Buttons::YesNo) != Answer::Yes) {
        showCurrentPlate();
        return;
    }
    PlateFormat next;
    if (!loadPlateFormatWithoutFallback(applicationFolder, name, next).ok) {
        ui_.message("Selection Error");
        showCurrentPlate();
        return;
    }
    editor_.clear();
    const std::string advice = plateAdvice(name);
    if (!advice.empty()) {
        ui_.message(advice);
    }
    store_.setup().Plate_format = name;
    store_.plate() = std::move(next);
    w_.Form_Load();
}

void PlateLayout::Cmd_clear_Click() {
    editor_.clearAfterQuestion();
}

void PlateLayout::mnopciongrup_Click(int index) {
    if (index < 0 || index >= SetupWindow::kArrangeItems) {
        return;
    }
    if (const std::optional<BlockSize> size = parseBlockSize(w_.mnopciongrup[index]->text)) {
        editor_.arrange(*size);
    }
}

}  // namespace qv
