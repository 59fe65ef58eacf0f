#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv {

// Lays the installation data (the .dat files of a data folder: config.dat, repoconf.dat,
// calvalue.dat, foldview.dat, the plate formats and project 0's settings) into an
// application folder, so that a fresh installation starts without any message.
enum class InstallStatus {
    Ok,
    NoData,        // the data folder holds no config.dat
    AlreadyThere,  // the application folder already holds installation files (no force)
    WriteFailed,   // a folder or file could not be created
};

struct InstallResult {
    InstallStatus status = InstallStatus::Ok;
    // Ok: the files laid; AlreadyThere: the files that would be overwritten;
    // WriteFailed: the file that failed.
    std::vector<std::string> files;
    // With force: the files that were there with other contents and were replaced.
    std::vector<std::string> replaced;
    // The folder inside the application folder that keeps their previous contents.
    std::filesystem::path keptFolder;
};

// Creates the application folder when needed. Unless `force`, refuses to lay anything when
// any installation file is already present there, so an existing installation and its
// project 0 settings are never overwritten by accident. With `force`, every file about to be
// replaced by other contents (a configuration, calibration values, project 0's settings) is
// first copied into the first free folder of keptFolderName, keptFolderName_2, ... inside the
// application folder; nothing is replaced when that copy fails. Project 0's setup.dat gets the
// application folder as its `Working_folder`.
InstallResult layInstallationData(const std::filesystem::path& dataFolder,
                                  const std::filesystem::path& applicationFolder, bool force,
                                  const std::string& keptFolderName = "previous_installation");

}  // namespace qv
