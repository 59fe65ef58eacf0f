#pragma once

#include <filesystem>
#include <string>

#include "common/ui.h"
#include "store/plate_format.h"
#include "store/project_setup.h"

namespace qv {

// The project or acquisition opened in the browser, with its own copy of the settings read
// from its folder: independent of the current project of the other windows, and the copy that
// offline group editing changes.
struct OpenedItem {
    // The project folder ("p00003") and, for an acquisition, its folder ("20240614_1530").
    std::string projectFolder;
    std::string acquisition;
    // Application folder / project folder [/ acquisition folder].
    std::filesystem::path path;
    ProjectSetup setup;
    PlateFormat plate;
    // False when neither the plate's ".dat" nor its ".bak" file could be read: the views that
    // need wells say so again instead of drawing a wrong plate.
    bool plateLoaded = false;
    // The summary held for the reports and printed beside the bar plot.
    std::string summary;

    bool isOpen() const { return !projectFolder.empty(); }
    bool isAcquisition() const { return !acquisition.empty(); }
};

// The project number a project folder name stands for ("p00003" gives 3); 0 when none.
int projectNumberOf(const std::string& projectFolder);

// setup.dat (with its recovery, but writing nothing into the folder), status.dat, threshld.dat,
// groups.dat and chgroup.dat of item.path, then the plate format named there from the
// application folder (".dat", else ".bak"). Shows "Multiwell Configuration File " + name +
// ".dat or .bak not found" when neither exists.
void loadItemSettings(OpenedItem& item, const std::filesystem::path& applicationFolder, Ui& ui);

// Only groups.dat and chgroup.dat of the folder again (the stored groups after an edit was not
// saved). False when either took its defaults.
bool reloadStoredGroups(OpenedItem& item, Ui& ui);

// The summary of an opened acquisition, lines joined by CR LF, every line after the first
// starting with a tab: the project and acquisition rows, the plate, lapse, method and the
// organism with its SNR (an SNRx10 below 5 counts as 18).
std::string acquisitionSummary(const std::string& projectRow, const std::string& acquisitionRow,
                               const ProjectSetup& setup);

}  // namespace qv
