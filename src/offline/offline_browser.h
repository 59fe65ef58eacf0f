#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/ui.h"
#include "store/watched_folders.h"

namespace qv {

class OfflineWindow;

// The list half of the offline browser: every project of the application folder and, under
// each expanded one, its acquisitions; opening one of them (the window's settings copy, the
// summary, notes and tags), sorting, the word filter, renaming, archiving, the folder view,
// the notes box and the watched folders.
class OfflineBrowser {
  public:
    // What a row of the list stands for.
    struct Row {
        bool project = true;
        std::string projectFolder;  // "p00003"
        std::string acquisition;    // "20240614_1530" on acquisition rows
    };

    OfflineBrowser(OfflineWindow& window, std::filesystem::path applicationFolder, Ui& ui,
                   Clock& clock);

    // The window's load step: menus of an open item hidden, newest first, nothing expanded,
    // the watched folders read, the list built.
    void load();
    // "<< Back" and closing: the plots let go, the start screen again.
    void leave();

    // The list again from the folder tree, in the current order and filter, keeping the
    // selected position.
    void rebuild();
    // Double-click or Enter on the selected row.
    void open();
    // Opens the selected acquisition row for "Plate Config" unless it is open already; false
    // (after saying so) on a project row.
    bool openForPlateConfig();
    void showMenu();
    void toggleSort();
    void resetView();
    void applyFilter();
    void rename();
    void findInFolder();
    void archive();
    void report();
    void commentsChanged();
    void commentsLeft();
    void chooseWatchedFolder(int index);

    const std::vector<Row>& rows() const { return rows_; }
    std::optional<Row> selectedRow() const;
    bool descending() const { return descending_; }
    bool filterOn() const { return filterOn_; }
    bool expanded(const std::string& projectFolder) const;
    // Project folders found by the last full listing.
    int projectFoldersFound() const { return foldersFound_; }
    const WatchedFolders& watchedFolders() const { return watched_; }

  private:
    struct Listing {
        std::vector<std::string> texts;
        std::vector<Row> rows;
    };
    Listing scan();
    void addProject(Listing& out, const std::string& folder);
    void showListing(Listing listing, int selection);
    void showProgress(std::size_t done, std::size_t total, std::int64_t started);
    bool projectMatches(const std::string& folder, const std::string& row,
                        const std::string& lowerTerm) const;
    void narrow(const std::string& lowerTerm);
    void openProject(const Row& row);
    void openAcquisition(const Row& row, const std::string& acquisitionText);
    void loadSettings(const Row& row);
    void showAcquisitionDetails(const Row& row, const std::string& acquisitionText);
    void closeItem();
    std::string projectText(const std::string& folder) const;
    void renameRow(const Row& row);

    OfflineWindow& w_;
    std::filesystem::path app_;
    Ui& ui_;
    Clock& clock_;

    std::vector<Row> rows_;
    std::map<std::string, bool> expanded_;
    bool descending_ = true;
    int foldersFound_ = 0;
    bool filterOn_ = false;
    // The rows the filter kept: a project row is listed only when its text is here.
    std::set<std::string> kept_;
    bool commentsChanged_ = false;
    WatchedFolders watched_;
};

}  // namespace qv
