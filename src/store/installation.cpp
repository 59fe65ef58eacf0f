#include "store/installation.h"

#include <algorithm>
#include <system_error>

#include "common/field_text.h"
#include "common/file_util.h"
#include "store/project_setup.h"
#include "store/stored_text.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> dataFiles(const fs::path& dataFolder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(dataFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".dat" && isRegularFile(it->path())) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Line 2 of setup.dat is `Num_proj`, `Name`, `Working_folder`, `Plate_format`; the folder
// written there is where the installation actually lives, with its trailing separator.
bool setWorkingFolder(const fs::path& setupFile, const fs::path& applicationFolder) {
    auto bytes = readFile(setupFile);
    if (!bytes) {
        return false;
    }
    std::vector<std::string> lines = splitLines(*bytes);
    if (lines.size() < 2) {
        return false;
    }
    FieldReader r(lines[1]);
    std::int64_t number = 0;
    std::string name, folder, plate;
    if (!r.integer(number) || !r.text(name) || !r.text(folder) || !r.text(plate)) {
        return false;
    }
    FieldWriter w;
    w.number(number).text(name);
    w.text(storableText(workingFolderText(applicationFolder))).text(plate);
    lines[1] = w.str();
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return writeFileAtomic(setupFile, text);
}

// The files of the data folder that stand in the application folder with other contents.
std::vector<fs::path> filesToReplace(const std::vector<fs::path>& files, const fs::path& target) {
    std::vector<fs::path> replaced;
    for (const fs::path& f : files) {
        const fs::path there = target / f.filename();
        if (isRegularFile(there) && readFile(there) != readFile(f)) {
            replaced.push_back(there);
        }
    }
    return replaced;
}

// Copies the files into the first free folder named after `name` inside the target.
bool keepPreviousFiles(const std::vector<fs::path>& files, const fs::path& target,
                       const std::string& name, InstallResult& result) {
    std::error_code ec;
    fs::path keep = target / name;
    for (int k = 2; fs::exists(fs::symlink_status(keep, ec)); ++k) {
        keep = target / (name + "_" + std::to_string(k));
    }
    if (!fs::create_directories(keep, ec)) {
        return false;
    }
    for (const fs::path& f : files) {
        if (!copyFileOver(f, keep / f.filename())) {
            return false;
        }
        result.replaced.push_back(f.filename().string());
    }
    result.keptFolder = keep;
    return true;
}

}  // namespace

InstallResult layInstallationData(const fs::path& dataFolder, const fs::path& applicationFolder,
                                  bool force, const std::string& keptFolderName) {
    InstallResult result;
    if (!isRegularFile(dataFolder / "config.dat")) {
        result.status = InstallStatus::NoData;
        return result;
    }
    const std::vector<fs::path> files = dataFiles(dataFolder);
    std::error_code ec;
    const fs::path target = fs::absolute(applicationFolder, ec).lexically_normal();
    for (const fs::path& f : files) {
        if (!force && fs::exists(target / f.filename(), ec)) {
            result.files.push_back(f.filename().string());
        }
    }
    if (!result.files.empty()) {
        result.status = InstallStatus::AlreadyThere;
        return result;
    }
    fs::create_directories(target, ec);
    if (const auto replaced = filesToReplace(files, target); !replaced.empty()) {
        if (!keepPreviousFiles(replaced, target, keptFolderName, result)) {
            result.status = InstallStatus::WriteFailed;
            result.files = {(target / keptFolderName).filename().string()};
            return result;
        }
    }
    for (const fs::path& f : files) {
        if (!copyFileOver(f, target / f.filename())) {
            result.status = InstallStatus::WriteFailed;
            result.files = {f.filename().string()};
            return result;
        }
        result.files.push_back(f.filename().string());
    }
    if (isRegularFile(target / "setup.dat") && !setWorkingFolder(target / "setup.dat", target)) {
        result.status = InstallStatus::WriteFailed;
        result.files = {"setup.dat"};
    }
    return result;
}

}  // namespace qv
