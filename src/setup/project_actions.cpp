#include "setup/project_actions.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "common/file_util.h"
#include "common/number_format.h"
#include "store/project_files.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFolderNameLength = 6;

bool isProjectFolderName(const std::string& name) {
    return name.size() == kFolderNameLength && (name[0] == 'p' || name[0] == 'P') &&
           name.find('.') == std::string::npos;
}

// The title reader returns "<Project> p00003: Name"; the list shows what follows ": ". A
// title without a colon is an error text and is shown whole.
std::string titleText(const std::string& title) {
    const std::size_t colon = title.find(':');
    if (colon == std::string::npos) {
        return title;
    }
    return title.substr(std::min(colon + 2, title.size()));
}

// The numeric value of the digits a text starts with (blanks before them skipped); 0 when
// there are none.
long leadingValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    long value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + (s[i] - '0');
    }
    return value;
}

// Step 3 of the allocation: the folder exists (and the user lets it be overwritten) or is
// made. Anything but a folder in its place, or a folder that cannot be made, fails.
AllocationOutcome prepareFolder(const fs::path& folder, Ui& ui) {
    if (isDirectory(folder)) {
        const std::string question = "The project number to generate (" +
                                     folder.filename().string() +
                                     "already exists. do you like to overwrite?";
        return ui.ask(question, Buttons::YesNo) == Answer::Yes ? AllocationOutcome::Created
                                                               : AllocationOutcome::Declined;
    }
    std::error_code ec;
    if (!fs::create_directory(folder, ec) || ec) {
        ui.message("Cannot create the project folder " + folder.string());
        return AllocationOutcome::Failed;
    }
    return AllocationOutcome::Created;
}

}  // namespace

std::string projectDisplayName(int number, const std::string& name) {
    return std::to_string(number) + "_" + name;
}

std::string projectFolderName(int number) {
    return "p" + formatPadded(number, 5);
}

Allocation allocateProject(Store& store, Ui& ui, const std::string& name) {
    AppConfig& config = store.config();
    config.Last_Project = nextProjectNumber(config.Last_Project);
    Allocation result{AllocationOutcome::Failed, config.Last_Project};
    const fs::path folder = store.projectFolder(result.number);
    result.outcome = prepareFolder(folder, ui);
    if (result.outcome != AllocationOutcome::Created) {
        return result;
    }
    ProjectSetup& setup = store.setup();
    config.Actual_Project_Number = result.number;
    setup.Num_proj = std::to_string(result.number);
    setup.Name = name;
    setup.Working_folder = workingFolderText(folder);
    store.setProjectPath(folder);
    if (!store.saveProjectSettings()) {
        ui.message(kSaveProjectFailedMessage);
        result.outcome = AllocationOutcome::Failed;
        return result;
    }
    if (!store.saveConfiguration()) {
        result.outcome = AllocationOutcome::Failed;
    }
    return result;
}

std::vector<std::string> projectListEntries(const fs::path& applicationFolder, Ui& ui) {
    std::vector<std::string> folders;
    std::error_code ec;
    for (fs::directory_iterator it(applicationFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (isProjectFolderName(name) && isDirectory(it->path())) {
            folders.push_back(name);
        }
    }
    std::sort(folders.begin(), folders.end());
    std::vector<std::string> entries;
    for (const std::string& name : folders) {
        const fs::path folder = applicationFolder / name;
        if (isRegularFile(folder / "setup.dat")) {
            entries.push_back(name + "_" + titleText(readProjectTitle(folder, ui)));
        }
    }
    return entries;
}

std::optional<std::int16_t> projectNumberOfEntry(std::string_view entry) {
    if (entry.size() < kFolderNameLength) {
        return std::nullopt;
    }
    const std::string_view folder = entry.substr(0, kFolderNameLength);
    const bool digit = std::isdigit(static_cast<unsigned char>(folder[1])) != 0;
    const long value = leadingValue(digit ? folder.substr(1) : folder.substr(2));
    if (value > 32767) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

fs::path projectFolderOfEntry(const fs::path& applicationFolder, std::string_view entry,
                              std::int16_t number) {
    if (number < 1) {
        return applicationFolder;
    }
    return applicationFolder / std::string(entry.substr(0, kFolderNameLength));
}

bool chooseProject(Store& store, std::int16_t number, const fs::path& folder) {
    AppConfig& config = store.config();
    config.Actual_Project_Number = number;
    // What the next start would make of config.dat: the last number handed out is never
    // below the current project.
    config.Last_Project = std::max(config.Last_Project, number);
    store.setProjectPath(folder);
    const bool saved = store.saveConfiguration();
    store.loadProjectSettings(number);
    return saved;
}

}  // namespace qv
