#include "offline/offline_groups.h"

#include <algorithm>

#include "common/file_util.h"
#include "common/number_format.h"
#include "offline/offline_plots.h"
#include "offline/offline_window.h"
#include "setup/plate_drawing.h"

namespace qv {

namespace fs = std::filesystem;

std::string groupBackupStamp(const DateTime& t) {
    return formatPadded(t.year, 4) + formatPadded(t.month, 2) + formatPadded(t.day, 2) +
           formatPadded(t.hour, 2) + formatPadded(t.minute, 2);
}

namespace {

// name.dat to name.bak and to name + stamp + ".bak". A file that is not there has nothing to
// keep (the acquisition was read with the default groups).
bool keepBackups(const fs::path& folder, const std::string& name, const std::string& stamp) {
    const fs::path file = folder / (name + ".dat");
    if (!isRegularFile(file)) {
        return true;
    }
    if (!copyFileOver(file, folder / (name + ".bak"))) {
        return false;
    }
    const fs::path dated = folder / (name + stamp + ".bak");
    return isRegularFile(dated) || copyFileOver(file, dated);
}

}  // namespace

bool saveAcquisitionGroups(const fs::path& folder, const ProjectSetup& setup, Ui& ui,
                           Clock& clock) {
    const std::string stamp = groupBackupStamp(clock.now());
    if (!keepBackups(folder, "chgroup", stamp) || !keepBackups(folder, "groups", stamp)) {
        return false;
    }
    // A short pause, the window kept alive, before the files are written.
    for (int step = 0; step < 21; ++step) {
        clock.sleepMs(10);
        ui.processEvents();
    }
    return writeGroupNamesFile(folder, setup) && writeChannelGroupsFile(folder, setup);
}

OfflineGroupEditing::OfflineGroupEditing(OfflineWindow& window, Ui& ui, Clock& clock)
    : w_(window),
      ui_(ui),
      clock_(clock),
      editor_({window.Picreal, window.combogrup2, window.lstgrup2, window.lstchgrup2, nullptr},
              GroupsModel::of(window.item().setup), window.item().plate, ui) {}

void OfflineGroupEditing::fillPlotList() {
    const ProjectSetup& s = w_.item().setup;
    std::array<bool, kChannels> used{};
    for (int c = 0; c < kChannels; ++c) {
        if (isGroupNumber(s.channelGroup[c])) {
            used[s.channelGroup[c]] = true;
        }
    }
    std::vector<std::string> items{"999_Free"};
    for (int g = 0; g < kChannels; ++g) {
        if (used[g]) {
            items.push_back(groupEntry(g, s.groupName[g]));
        }
    }
    w_.lstgrup_plot.items = std::move(items);
    w_.lstgrup_plot.listIndex = -1;
    w_.lstgrup_plot.selectedRows.clear();
}

void OfflineGroupEditing::lockWindow(bool editing) {
    for (Control* c :
         {&w_.Cmd_lineplot, &w_.Cmd_barplot, &w_.Cmd_gridplot, &w_.cmdchannels, &w_.Cmd_leegroups,
          &w_.Cmd_analyze, &w_.txt_binsize, &w_.cmd_minus, &w_.cmd_plus, &w_.lstgrup_plot}) {
        c->visible = !editing;
    }
    w_.Framegrup.visible = editing;
    if (editing) {
        locked_.clear();
        for (Control* c :
             {&w_.Listpj, &w_.Cmd_main, &w_.Cmd_report, &w_.Cmd_leegroups, &w_.cmdchannels,
              &w_.Cmd_analyze, &w_.scrollpage, &w_.Txtpage, &w_.Combofila, &w_.Combocol, &w_.txtsub,
              &w_.frmtxt_threshold, &w_.cmb_modeanalisis, &w_.txt_search, &w_.cmd_lupa}) {
            locked_.emplace_back(c, c->enabled);
            c->enabled = false;
        }
    } else {
        for (auto& [c, was] : locked_) {
            c->enabled = was;
        }
        locked_.clear();
    }
}

void OfflineGroupEditing::enter() {
    if (editing_) {
        return;
    }
    const OpenedItem& item = w_.item();
    if (!item.isAcquisition()) {
        ui_.message("Only possible for SubProjects");
        return;
    }
    if (!item.plateLoaded) {
        ui_.message("Multiwell Configuration File " + item.setup.Plate_format +
                    ".dat or .bak not found");
        return;
    }
    w_.Combo_sets.items = blockSizeEntries(item.plate);
    // The third block size where there is one (2 x 1 wells on most plates), else the first.
    w_.Combo_sets.listIndex = w_.Combo_sets.items.size() >= 3 ? 2 : 0;
    w_.Combo_sets.text =
        w_.Combo_sets.items.empty() ? std::string() : w_.Combo_sets.items[w_.Combo_sets.listIndex];
    editing_ = true;
    lockWindow(true);
    w_.plots().setMode(PlotMode::GroupEditing);
    editor_.refresh();
}

void OfflineGroupEditing::leave() {
    if (!editing_) {
        return;
    }
    OpenedItem& item = w_.item();
    if (ui_.ask("Do you like to Save Changes?", Buttons::YesNo) == Answer::Yes) {
        if (saveAcquisitionGroups(item.path, item.setup, ui_, clock_)) {
            ui_.message("New Groups applied and saved");
        } else {
            ui_.message("Error updating group files at " + item.path.string());
        }
    } else {
        reloadStoredGroups(item, ui_);
        ui_.message("Original groups restored");
    }
    clock_.sleepMs(100);
    leaveWithoutSaving();
}

void OfflineGroupEditing::leaveWithoutSaving() {
    if (!editing_) {
        return;
    }
    editing_ = false;
    editor_.enabled = false;
    lockWindow(false);
    w_.plots().setMode(PlotMode::Bars);
    fillPlotList();
    w_.plots().groupsChanged();
}

void OfflineGroupEditing::mouse(const MouseEvent& e) {
    editor_.mouse(e);
}

void OfflineGroupEditing::redraw() {
    editor_.redraw();
}

void OfflineGroupEditing::arrange() {
    const Control& sets = w_.Combo_sets;
    if (sets.listIndex < 0 || sets.listIndex >= static_cast<int>(sets.items.size())) {
        return;
    }
    if (const auto size = parseBlockSize(sets.items[static_cast<std::size_t>(sets.listIndex)])) {
        editor_.arrange(*size);
    }
}

void OfflineGroupEditing::clear() {
    editor_.clearAfterQuestion();
}

}  // namespace qv
