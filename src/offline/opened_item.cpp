#include "offline/opened_item.h"

#include <cstdlib>

#include "common/file_util.h"
#include "common/number_format.h"
#include "setup/acquisition_parameters.h"
#include "store/project_load.h"

namespace qv {

namespace fs = std::filesystem;

int projectNumberOf(const std::string& projectFolder) {
    if (projectFolder.size() < 2) {
        return 0;
    }
    int n = 0;
    for (std::size_t i = 1; i < projectFolder.size(); ++i) {
        const char c = projectFolder[i];
        if (c < '0' || c > '9') {
            return 0;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

namespace {

bool loadPlate(OpenedItem& item, const fs::path& applicationFolder, Ui& ui) {
    const std::string& code = item.setup.Plate_format;
    if (loadPlateFormatWithoutFallback(applicationFolder, code, item.plate).ok) {
        return true;
    }
    const fs::path bak = applicationFolder / (code + ".bak");
    if (code.find('/') == std::string::npos && isRegularFile(bak) &&
        loadPlateFormatFile(bak, item.plate).ok) {
        return true;
    }
    ui.message("Multiwell Configuration File " + code + ".dat or .bak not found");
    return false;
}

}  // namespace

void loadItemSettings(OpenedItem& item, const fs::path& applicationFolder, Ui& ui) {
    const auto number = static_cast<std::int16_t>(projectNumberOf(item.projectFolder));
    ProjectLoadRequest request;
    request.projectPath = item.path;
    request.projectNumber = number;
    request.currentProject = number;
    // Browsing never changes what it looks at: a recovery reads the backup where it lies.
    request.repairFiles = false;
    item.setup = ProjectSetup();
    loadProjectSettings(request, item.setup, ui);
    item.plate = PlateFormat();
    item.plateLoaded = loadPlate(item, applicationFolder, ui);
}

bool reloadStoredGroups(OpenedItem& item, Ui& ui) {
    const auto number = static_cast<std::int16_t>(projectNumberOf(item.projectFolder));
    // Read into a fresh record, as opening does, so an entry a short file does not reach
    // cannot keep an edited value.
    ProjectSetup stored;
    const auto defaulted = loadChannelFiles(item.path, number, stored, ui);
    item.setup.groupName = stored.groupName;
    item.setup.channelGroup = stored.channelGroup;
    for (const std::string& file : defaulted) {
        if (file == "groups.dat" || file == "chgroup.dat") {
            return false;
        }
    }
    return true;
}

std::string acquisitionSummary(const std::string& projectRow, const std::string& acquisitionRow,
                               const ProjectSetup& s) {
    const std::string nl = "\r\n\t";
    int snrx10 = s.Mn1[mn1::SNRx10];
    if (snrx10 < 5) {
        snrx10 = 18;
    }
    return "\t***** PROJECT ******" + nl + projectRow + nl + acquisitionRow + nl +
           "***** CONFIG ******" + nl + "Microplate format: [" + s.Plate_format + "]" + nl +
           "Acquisition Lapse = " + std::to_string(s.Aq_lapse) + "min" + nl + "Setting: Mode" +
           std::to_string(s.DSP_Method) + nl + "[" + organismName(s.Mn1[mn1::Organism]) +
           " SNR=" + formatNumber(snrx10 / 10.0, "0.0") + "]";
}

}  // namespace qv
