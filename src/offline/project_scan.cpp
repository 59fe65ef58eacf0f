#include "offline/project_scan.h"

#include <algorithm>
#include <system_error>

#include "common/file_util.h"
#include "offline/browser_rows.h"
#include "store/acquisition_description.h"
#include "store/tags.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

template <typename Keep>
std::vector<std::string> folderNames(const fs::path& folder, Keep keep) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (keep(name) && it->is_directory(typeError)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::string> projectFolderNames(const fs::path& applicationFolder) {
    return folderNames(applicationFolder,
                       [](const std::string& n) { return isProjectFolderName(n); });
}

std::vector<std::string> acquisitionFolderNames(const fs::path& projectFolder) {
    return folderNames(projectFolder,
                       [](const std::string& n) { return isAcquisitionFolderName(n); });
}

bool hasTagsFile(const fs::path& projectFolder) {
    return isRegularFile(projectFolder / "tags_id.dat");
}

std::vector<AcquisitionEntry> listedAcquisitions(const fs::path& projectFolder, bool withTags) {
    std::vector<AcquisitionEntry> out;
    for (const std::string& name : acquisitionFolderNames(projectFolder)) {
        const fs::path folder = projectFolder / name;
        if (!isRegularFile(folder / "counts.bin")) {
            continue;
        }
        AcquisitionEntry e;
        e.folder = name;
        e.description = readAcquisitionName(folder);
        if (withTags) {
            e.tags = tagsOfAcquisition(projectFolder, name);
        }
        out.push_back(std::move(e));
    }
    return out;
}

}  // namespace qv
