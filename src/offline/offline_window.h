#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "common/clock.h"
#include "common/controls.h"
#include "common/ui.h"
#include "offline/archive.h"
#include "offline/opened_item.h"

namespace qv {

class OfflineBrowser;
class OfflinePlots;
class OfflineGroupEditing;
class OfflineSeries;
class OfflineTracking;

// What the browser reaches in the other windows, given by the program; either may be missing
// (tests, the command line).
struct OfflineNeighbours {
    std::function<void()> showStartScreen;
    // The report window on an acquisition folder.
    std::function<void(const std::filesystem::path&)> showReport;
};

// The offline browser Frm_offline: the list of projects and acquisitions, the plots of the
// opened acquisition, the group editing on its own copies of the group files, the kinetic
// series of tagged acquisitions and single-animal path tracking. Each part lives in a class of
// its own (OfflineBrowser, OfflinePlots, OfflineGroupEditing, OfflineSeries, OfflineTracking);
// this class holds the controls and the opened item and forwards every event.
class OfflineWindow {
  public:
    static constexpr int kWatchedEntries = 5;
    // "CLEAR", "[K1]".."[K4]" of the "Kinetic Group TAG" menu.
    static constexpr int kTagEntries = 5;

    OfflineWindow(std::filesystem::path applicationFolder, Ui& ui, Clock& clock);
    ~OfflineWindow();

    void attach(OfflineNeighbours neighbours);
    OfflineNeighbours& neighbours() { return neighbours_; }
    const std::filesystem::path& applicationFolder() const { return applicationFolder_; }

    // --- The list (projects and acquisitions).
    void Form_Load();
    void Form_Unload();
    void Cmd_main_Click();
    void Listpj_DblClick();
    // The right button on the list, with the row under the pointer selected: the list menu.
    void Listpj_RightClick();
    void lbl_headdate_Click();
    void lbl_headproject_Click();
    void cmd_lupa_Click();
    void mnrename_Click();
    void mnfind_Click();
    void mnplateconfig_Click();
    void mndelete_Click();
    void Cmd_report_Click();
    void Txt_description_Change();
    void Txt_description_LostFocus();
    void txtfolder_Click(int index);
    // An entry of the list menu's "Kinetic Group TAG" (0 "CLEAR", 1..4 "[K1]".."[K4]").
    void tagjk_Click(int index);
    void List_tags_DblClick();

    // --- The plots.
    void Cmd_lineplot_Click();
    void Cmd_barplot_Click();
    void Cmd_gridplot_Click();
    void cmdchannels_Click();
    void Cmd_leegroups_Click();
    void Cmd_analyze_Click();
    void cmd_plus_Click();
    void cmd_minus_Click();
    void scrollpage_Change();
    void Combofila_Click();
    void Combocol_Click();
    void Picreal_Mouse(const MouseEvent& e);
    // The picture was resized: what it shows is drawn again.
    void Picreal_Resize();
    void bmpexporta_Click();
    void mn_linebmp_Click();
    void mn_platebmp_Click();
    void mn_plateedit_Click();
    void asciiexporta_Click();

    // --- Kinetic series and path tracking.
    // "Relativize to Time0", a checkable entry: its tick has already been toggled.
    void mnrel0_Click();
    void mn_jointbmp_Click();
    void mn_jointexport_Click();
    void cmd_track_Click();
    void Timer_play_Timer();
    void mn_bmptrack_Click();
    void mn_datatrack_Click();

    // --- Group editing and the plot group list.
    void combogrup2_Click();
    void combogrup2_DblClick();
    void lstgrup2_DblClick();
    void lstchgrup2_DblClick();
    void cmd_goset_Click();
    void Cmd_clear_Click();
    void cmdcancelgrups_Click();
    void lstgrup_plot_DblClick();

    OpenedItem& item() { return item_; }
    OfflineBrowser& browser() { return *browser_; }
    OfflinePlots& plots() { return *plots_; }
    OfflineGroupEditing& groups() { return *groups_; }
    OfflineSeries& series() { return *series_; }
    OfflineTracking& tracking() { return *tracking_; }

    // The menu to show at the pointer after the last handler (its control's name); empty when
    // none. The window pops it up and clears it.
    std::string popupMenu;
    // How archiving renames a folder; tests put failures in its place.
    FolderRename renameFolder = renameWithoutReplacing;
    // Saves the picture as the window shows it, as a bitmap file (.bmp or .png); set by the
    // window. The SVG beside it is drawn by the core.
    std::function<bool(const std::filesystem::path&)> saveBitmap;
    // Size in pixels the SVG copy of the picture is drawn at (the window gives its own).
    int pictureWidth = 1000;
    int pictureHeight = 640;

    Controls controls;
    Control& Frm_offline;
    // The list.
    Control& lbl_headdate;
    Control& lbl_orden;
    Control& lbl_headproject;
    Control& txt_search;
    Control& cmd_lupa;
    Control& Listpj;
    Control& lbl_status;
    Control& lbl_tags;
    Control& List_tags;
    Control& Txt_description;
    Control& Cmd_report;
    Control& Cmd_main;
    Control& mnpj;
    Control& mnrename;
    Control& mnfind;
    Control& mnplateconfig;
    Control& mndelete;
    Control& mnwatch;
    std::array<Control*, kWatchedEntries> txtfolder{};
    Control& mntag_jk;
    std::array<Control*, kTagEntries> tagjk{};
    // The plots.
    Control& Picreal;
    Control& Cmd_lineplot;
    Control& Cmd_barplot;
    Control& Cmd_gridplot;
    Control& cmdchannels;
    Control& Cmd_leegroups;
    Control& txt_binsize;
    Control& cmd_minus;
    Control& cmd_plus;
    Control& Combofila;
    Control& Combocol;
    Control& lblcanal;
    Control& txtsub;
    Control& scrollpage;
    Control& Txtpage;
    Control& cmb_modeanalisis;
    Control& frmtxt_threshold;
    Control& Cmd_analyze;
    Control& MnExporta;
    Control& bmpexporta;
    Control& Mnline;
    Control& mn_linebmp;
    Control& Mnplate;
    Control& mn_platebmp;
    Control& mn_plateedit;
    Control& asciiexporta;
    // The kinetic series' menu and path tracking.
    Control& MnRelativize;
    Control& mnrel0;
    Control& mn_jointbmp;
    Control& mn_jointexport;
    Control& cmd_track;
    Control& chk_bmp;
    Control& Timer_play;
    Control& MnTrack;
    Control& mn_bmptrack;
    Control& mn_datatrack;
    // Group editing and the plot group list.
    Control& lstgrup_plot;
    Control& Framegrup;
    Control& combogrup2;
    Control& lstgrup2;
    Control& lstchgrup2;
    Control& Combo_sets;
    Control& cmd_goset;
    Control& Cmd_clear;
    Control& cmdcancelgrups;

  private:
    void guarded(const std::function<void()>& handler);

    std::filesystem::path applicationFolder_;
    Ui& ui_;
    Clock& clock_;
    OfflineNeighbours neighbours_;
    OpenedItem item_;
    std::unique_ptr<OfflineBrowser> browser_;
    std::unique_ptr<OfflinePlots> plots_;
    std::unique_ptr<OfflineGroupEditing> groups_;
    std::unique_ptr<OfflineSeries> series_;
    std::unique_ptr<OfflineTracking> tracking_;
};

}  // namespace qv
