// The browser's housekeeping on the list: rename, find in folder, archive, the report, the
// notes box and the watched folders.
#include <system_error>

#include "common/file_util.h"
#include "offline/archive.h"
#include "offline/browser_rows.h"
#include "offline/offline_browser.h"
#include "offline/offline_plots.h"
#include "offline/offline_window.h"
#include "setup/group_layout.h"
#include "store/acquisition_description.h"
#include "store/project_files.h"

namespace qv {

namespace fs = std::filesystem;

void OfflineBrowser::rename() {
    const auto row = selectedRow();
    if (!row) {
        return;
    }
    renameRow(*row);
    rebuild();
}

void OfflineBrowser::renameRow(const Row& row) {
    const fs::path project = app_ / row.projectFolder;
    std::string renamed;
    fs::path file;
    if (row.project) {
        file = project / "setup.dat";
        if (!isRegularFile(file)) {
            return;
        }
        const std::string current = projectNameOfTitle(readProjectTitle(project, ui_));
        const auto answer = ui_.input("Enter Name of project", "Rename", current);
        if (!answer || answer->empty()) {
            return;
        }
        renamed = renameStoredName(project, storableName(*answer), ui_);
    } else {
        const fs::path folder = project / row.acquisition;
        file = folder / "subproj.dat";
        const auto answer =
            ui_.input("Enter Name of acquisition", "Rename", readAcquisitionName(folder));
        if (!answer || answer->empty()) {
            return;
        }
        renamed = renameAcquisition(folder, storableName(*answer), ui_);
    }
    if (renamed.empty()) {
        ui_.message("Error Renaming\r\n\r\nThe new name could not be written into " +
                    file.string() + ". The name stored before is unchanged.");
    }
}

void OfflineBrowser::findInFolder() {
    const auto row = selectedRow();
    if (!row) {
        return;
    }
    const fs::path project = app_ / row->projectFolder;
    ui_.openExternal(row->project ? project.string() + "/" : (project / row->acquisition).string(),
                     ExternalKind::FileBrowser);
}

// Archiving renames the folder out of the list; nothing is deleted, and a rename that cannot
// be made leaves the acquisition exactly where it was.
void OfflineBrowser::archive() {
    const auto row = selectedRow();
    if (!row || w_.Framegrup.visible) {
        return;
    }
    if (row->project) {
        ui_.message("Remove function only available for subprojects");
        return;
    }
    if (ui_.ask("Remove folder from the list?", Buttons::YesNo) != Answer::Yes ||
        ui_.ask("Files are going to be archived!", Buttons::OkCancel) != Answer::Ok) {
        return;
    }
    const fs::path from = app_ / row->projectFolder / row->acquisition;
    const fs::path to = archivedPath(from, clock_.now());
    const std::error_code ec = isDirectory(from)
                                   ? w_.renameFolder(from, to)
                                   : std::make_error_code(std::errc::no_such_file_or_directory);
    if (ec) {
        ui_.message("Error\r\n\r\nThe acquisition " + row->acquisition +
                    " was not archived: " + renameFailureText(ec, to) +
                    "\r\nNothing was moved or deleted; it is still in " + from.string());
        rebuild();
        return;
    }
    const OpenedItem& item = w_.item();
    if (item.projectFolder == row->projectFolder && item.acquisition == row->acquisition) {
        closeItem();
    }
    rebuild();
}

void OfflineBrowser::report() {
    const fs::path folder = w_.item().path;
    if (!w_.item().isAcquisition() || !isRegularFile(folder / "counts.bin")) {
        ui_.message("Activity file not Found");
        return;
    }
    if (w_.neighbours().showReport) {
        w_.neighbours().showReport(folder);
    }
}

void OfflineBrowser::commentsChanged() {
    commentsChanged_ = true;
}

void OfflineBrowser::commentsLeft() {
    if (!commentsChanged_ || !w_.item().isAcquisition()) {
        return;
    }
    const fs::path folder = w_.item().path;
    std::error_code ec;
    fs::remove(folder / "subproj.bak", ec);
    if (setAcquisitionComments(folder, w_.Txt_description.text, ui_).empty()) {
        ui_.message("The comments could not be saved in " + (folder / "subproj.dat").string() +
                    "; the comments stored before are unchanged.");
    }
    commentsChanged_ = false;
}

void OfflineBrowser::chooseWatchedFolder(int index) {
    if (index < 0 || index >= OfflineWindow::kWatchedEntries) {
        return;
    }
    qv::chooseWatchedFolder(app_, watched_, index + 1, ui_);
    for (int i = 0; i < OfflineWindow::kWatchedEntries; ++i) {
        w_.txtfolder[i]->text = watched_.captions[i];
    }
}

}  // namespace qv
