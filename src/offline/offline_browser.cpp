#include "offline/offline_browser.h"

#include <algorithm>
#include <system_error>

#include "common/file_util.h"
#include "offline/browser_rows.h"
#include "offline/offline_groups.h"
#include "offline/offline_plots.h"
#include "offline/offline_tracking.h"
#include "offline/offline_window.h"
#include "offline/project_scan.h"
#include "offline/series/kinetic_tags.h"
#include "setup/group_layout.h"
#include "store/acquisition_description.h"
#include "store/project_files.h"
#include "store/tags.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

// After this long a listing shows how far it got and lets the window breathe.
constexpr std::int64_t kQuietListingMs = 300;

std::vector<std::string> inOrder(std::vector<std::string> names, bool descending) {
    if (descending) {
        std::reverse(names.begin(), names.end());
    }
    return names;
}

}  // namespace

OfflineBrowser::OfflineBrowser(OfflineWindow& window, fs::path applicationFolder, Ui& ui,
                               Clock& clock)
    : w_(window), app_(std::move(applicationFolder)), ui_(ui), clock_(clock) {}

void OfflineBrowser::load() {
    descending_ = true;
    w_.lbl_orden.text = "v";
    expanded_.clear();
    filterOn_ = false;
    kept_.clear();
    w_.txt_search.text.clear();
    watched_ = readWatchedFolders(app_);
    for (int i = 0; i < OfflineWindow::kWatchedEntries; ++i) {
        w_.txtfolder[i]->text = watched_.captions[i];
    }
    closeItem();
    w_.Listpj.listIndex = -1;
    rebuild();
}

void OfflineBrowser::leave() {
    w_.plots().release();
    w_.Frm_offline.visible = false;
    if (w_.neighbours().showStartScreen) {
        w_.neighbours().showStartScreen();
    }
}

bool OfflineBrowser::expanded(const std::string& projectFolder) const {
    const auto it = expanded_.find(projectFolder);
    return it != expanded_.end() && it->second;
}

std::optional<OfflineBrowser::Row> OfflineBrowser::selectedRow() const {
    const int i = w_.Listpj.listIndex;
    if (i < 0 || i >= static_cast<int>(rows_.size())) {
        return std::nullopt;
    }
    return rows_[static_cast<std::size_t>(i)];
}

// --- Listing

std::string OfflineBrowser::projectText(const std::string& folder) const {
    const fs::path path = app_ / folder;
    const std::string title = readProjectTitle(path, ui_);
    const std::vector<std::string> acquisitions = acquisitionFolderNames(path);
    return projectRow(acquisitions.empty() ? std::string() : acquisitions.front(), folder,
                      projectNameOfTitle(title));
}

void OfflineBrowser::addProject(Listing& out, const std::string& folder) {
    const fs::path path = app_ / folder;
    if (!isRegularFile(path / "setup.dat")) {
        return;
    }
    std::string text = projectText(folder);
    if (filterOn_ && kept_.count(text) == 0) {
        return;
    }
    out.texts.push_back(std::move(text));
    out.rows.push_back({true, folder, {}});
    if (!expanded(folder)) {
        return;
    }
    const bool tags = hasTagsFile(path);
    std::vector<AcquisitionEntry> acquisitions = listedAcquisitions(path, tags);
    if (descending_) {
        std::reverse(acquisitions.begin(), acquisitions.end());
    }
    for (const AcquisitionEntry& a : acquisitions) {
        out.texts.push_back(acquisitionRow(a.folder, a.description, tags, a.tags));
        out.rows.push_back({false, folder, a.folder});
    }
}

void OfflineBrowser::showProgress(std::size_t done, std::size_t total, std::int64_t started) {
    if (clock_.monotonicMs() - started < kQuietListingMs) {
        return;
    }
    w_.lbl_status.text =
        "Listing projects... " + std::to_string(done) + "/" + std::to_string(total);
    ui_.processEvents();
}

OfflineBrowser::Listing OfflineBrowser::scan() {
    Listing out;
    const std::vector<std::string> folders = projectFolderNames(app_);
    foldersFound_ = static_cast<int>(folders.size());
    const std::int64_t started = clock_.monotonicMs();
    // Events pass while a long listing runs: the list must not be used until it is rebuilt.
    w_.Listpj.enabled = false;
    std::size_t done = 0;
    for (const std::string& folder : inOrder(folders, descending_)) {
        addProject(out, folder);
        showProgress(++done, folders.size(), started);
    }
    w_.Listpj.enabled = !w_.Framegrup.visible;
    w_.lbl_status.text.clear();
    return out;
}

void OfflineBrowser::showListing(Listing listing, int selection) {
    rows_ = std::move(listing.rows);
    w_.Listpj.items = std::move(listing.texts);
    const int last = static_cast<int>(rows_.size()) - 1;
    w_.Listpj.listIndex = std::clamp(selection, -1, last);
    w_.Listpj.selectedRows.clear();
    if (w_.Listpj.listIndex >= 0) {
        w_.Listpj.selectedRows.push_back(w_.Listpj.listIndex);
    }
}

void OfflineBrowser::rebuild() {
    const int selection = w_.Listpj.listIndex;
    showListing(scan(), selection);
}

// --- Opening

void OfflineBrowser::open() {
    const auto row = selectedRow();
    if (!row || w_.Framegrup.visible) {
        return;
    }
    if (row->project) {
        openProject(*row);
    } else {
        openAcquisition(*row, w_.Listpj.items[static_cast<std::size_t>(w_.Listpj.listIndex)]);
    }
}

void OfflineBrowser::openProject(const Row& row) {
    const int found = static_cast<int>(projectFolderNames(app_).size());
    if (found < foldersFound_) {
        // Project folders went away since the list was made: what it shows is out of date.
        ui_.message("ERROR:#pj " + std::to_string(found) + " < " + std::to_string(foldersFound_));
        rebuild();
        return;
    }
    expanded_[row.projectFolder] = !expanded(row.projectFolder);
    OpenedItem& item = w_.item();
    item.projectFolder = row.projectFolder;
    item.acquisition.clear();
    item.path = app_ / row.projectFolder;
    item.summary.clear();
    loadSettings(row);
    w_.tracking().itemOpened();
    rebuild();
    w_.cmdchannels.enabled = false;
    w_.Cmd_analyze.enabled = false;
}

void OfflineBrowser::openAcquisition(const Row& row, const std::string& acquisitionText) {
    OpenedItem& item = w_.item();
    item.projectFolder = row.projectFolder;
    item.acquisition = row.acquisition;
    item.path = app_ / row.projectFolder / row.acquisition;
    for (Control* c : {&w_.cmdchannels, &w_.Cmd_analyze, &w_.Cmd_report, &w_.Cmd_leegroups}) {
        c->enabled = true;
    }
    w_.plots().reset();
    loadSettings(row);
    showAcquisitionDetails(row, acquisitionText);
    w_.tracking().itemOpened();
}

void OfflineBrowser::loadSettings(const Row&) {
    loadItemSettings(w_.item(), app_, ui_);
    w_.groups().fillPlotList();
}

void OfflineBrowser::showAcquisitionDetails(const Row& row, const std::string& acquisitionText) {
    OpenedItem& item = w_.item();
    std::string projectLine;
    for (int i = w_.Listpj.listIndex; i >= 0; --i) {
        if (rows_[static_cast<std::size_t>(i)].project) {
            projectLine = w_.Listpj.items[static_cast<std::size_t>(i)];
            break;
        }
    }
    item.summary = acquisitionSummary(projectLine, acquisitionText, item.setup);
    const std::string comments = readAcquisitionComments(item.path);
    w_.Txt_description.text = comments.empty() ? "Protocol Comments:" : comments;
    commentsChanged_ = false;
    w_.Cmd_report.text = reportCaption(acquisitionText);
    const std::string tags = tagsOfAcquisition(app_ / row.projectFolder, row.acquisition);
    w_.List_tags.items = tagListEntries(tags);
    w_.List_tags.listIndex = -1;
    w_.List_tags.visible = !tags.empty();
    w_.lbl_tags.visible = !tags.empty();
    for (Control* c : {&w_.mnrename, &w_.bmpexporta, &w_.mn_linebmp, &w_.mn_platebmp}) {
        c->visible = true;
    }
}

void OfflineBrowser::closeItem() {
    w_.item().projectFolder.clear();
    w_.item().acquisition.clear();
    w_.item().path.clear();
    w_.item().summary.clear();
    for (Control* c : {&w_.cmdchannels, &w_.Cmd_analyze, &w_.Cmd_report, &w_.Cmd_leegroups}) {
        c->enabled = false;
    }
    for (Control* c : {&w_.mnrename, &w_.bmpexporta, &w_.mn_linebmp, &w_.mn_platebmp}) {
        c->visible = false;
    }
    w_.Cmd_report.text = "Report";
    w_.Txt_description.text.clear();
    commentsChanged_ = false;
    w_.List_tags.items.clear();
    w_.List_tags.visible = false;
    w_.lbl_tags.visible = false;
    w_.lstgrup_plot.items.clear();
    w_.plots().reset();
    w_.tracking().itemOpened();
}

bool OfflineBrowser::openForPlateConfig() {
    const auto row = selectedRow();
    if (!row) {
        return false;
    }
    if (row->project) {
        ui_.message("Only possible for SubProjects");
        return false;
    }
    const OpenedItem& item = w_.item();
    if (item.projectFolder != row->projectFolder || item.acquisition != row->acquisition) {
        openAcquisition(*row, w_.Listpj.items[static_cast<std::size_t>(w_.Listpj.listIndex)]);
    }
    return w_.item().isAcquisition();
}

void OfflineBrowser::showMenu() {
    const auto row = selectedRow();
    if (row && !w_.Framegrup.visible) {
        w_.mntag_jk.enabled = !row->project;
        w_.popupMenu = w_.mnpj.name;
    }
}

// --- Order and filter

void OfflineBrowser::toggleSort() {
    descending_ = !descending_;
    w_.lbl_orden.text = descending_ ? "v" : "^";
    rebuild();
}

void OfflineBrowser::resetView() {
    filterOn_ = false;
    kept_.clear();
    w_.txt_search.text.clear();
    expanded_.clear();
    rebuild();
}

bool OfflineBrowser::projectMatches(const std::string& folder, const std::string& row,
                                    const std::string& lowerTerm) const {
    if (containsTerm(row, lowerTerm)) {
        return true;
    }
    for (const AcquisitionEntry& a : listedAcquisitions(app_ / folder, false)) {
        if (containsTerm(acquisitionRow(a.folder, a.description, false, {}), lowerTerm)) {
            return true;
        }
    }
    return false;
}

void OfflineBrowser::narrow(const std::string& lowerTerm) {
    std::set<std::string> kept;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::string& text = w_.Listpj.items[i];
        const bool match = rows_[i].project
                               ? projectMatches(rows_[i].projectFolder, text, lowerTerm)
                               : containsTerm(text, lowerTerm);
        if (match) {
            kept.insert(text);
        }
    }
    kept_ = std::move(kept);
    rebuild();
}

void OfflineBrowser::applyFilter() {
    const std::vector<std::string> terms = filterTerms(w_.txt_search.text);
    filterOn_ = false;
    kept_.clear();
    rebuild();
    if (terms.empty()) {
        return;
    }
    filterOn_ = true;
    for (const std::string& term : terms) {
        narrow(lowerCase(term));
    }
}

}  // namespace qv
