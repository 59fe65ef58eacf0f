#include "offline/offline_window.h"

#include <exception>

#include "common/scripted_ui.h"
#include "offline/offline_browser.h"
#include "offline/offline_groups.h"
#include "offline/offline_plots.h"
#include "offline/offline_series.h"
#include "offline/offline_tracking.h"
#include "offline/series/kinetic_tags.h"
#include "store/watched_folders.h"

namespace qv {

OfflineWindow::OfflineWindow(std::filesystem::path applicationFolder, Ui& ui, Clock& clock)
    : Frm_offline(controls.add("Frm_offline", ControlKind::Form,
                               "<Quorvel> Acquisition Software  --------> Report analysis")),
      lbl_headdate(controls.add("lbl_headdate", ControlKind::Label, "Date")),
      lbl_orden(controls.add("lbl_orden", ControlKind::Label, "v")),
      lbl_headproject(controls.add("lbl_headproject", ControlKind::Label, "Project")),
      txt_search(controls.add("txt_search", ControlKind::TextBox)),
      cmd_lupa(controls.add("cmd_lupa", ControlKind::Button, "Apply")),
      Listpj(controls.add("Listpj", ControlKind::ListBox)),
      lbl_status(controls.add("lbl_status", ControlKind::Label)),
      lbl_tags(controls.add("lbl_tags", ControlKind::Label, "Tags:")),
      List_tags(controls.add("List_tags", ControlKind::ListBox)),
      Txt_description(controls.add("Txt_description", ControlKind::TextBox)),
      Cmd_report(controls.add("Cmd_report", ControlKind::Button, "Report")),
      Cmd_main(controls.add("Cmd_main", ControlKind::Button, "<< Back")),
      mnpj(controls.add("mnpj", ControlKind::MenuItem, "List")),
      mnrename(controls.add("mnrename", ControlKind::MenuItem, "Rename")),
      mnfind(controls.add("mnfind", ControlKind::MenuItem, "Find in Folder")),
      mnplateconfig(controls.add("mnplateconfig", ControlKind::MenuItem, "Plate Config")),
      mndelete(controls.add("mndelete", ControlKind::MenuItem, "Delete")),
      mnwatch(controls.add("mnwatch", ControlKind::MenuItem, "Watching Folders")),
      mntag_jk(controls.add("mntag_jk", ControlKind::MenuItem, "Kinetic Group TAG")),
      Picreal(controls.add("Picreal", ControlKind::Picture)),
      Cmd_lineplot(controls.add("Cmd_lineplot", ControlKind::Button, "Line Plot")),
      Cmd_barplot(controls.add("Cmd_barplot", ControlKind::Button, "Bar Plot")),
      Cmd_gridplot(controls.add("Cmd_gridplot", ControlKind::Button, "Heatmap PLOT")),
      cmdchannels(controls.add("cmdchannels", ControlKind::Button, "Channel Signal")),
      Cmd_leegroups(controls.add("Cmd_leegroups", ControlKind::Button, "[Group Activity]")),
      txt_binsize(controls.add("txt_binsize", ControlKind::TextBox, "5")),
      cmd_minus(controls.add("cmd_minus", ControlKind::Button, "-")),
      cmd_plus(controls.add("cmd_plus", ControlKind::Button, "+")),
      Combofila(controls.add("Combofila", ControlKind::ComboBox)),
      Combocol(controls.add("Combocol", ControlKind::ComboBox)),
      lblcanal(controls.add("lblcanal", ControlKind::Label)),
      txtsub(controls.add("txtsub", ControlKind::TextBox)),
      scrollpage(controls.add("scrollpage", ControlKind::ScrollBar)),
      Txtpage(controls.add("Txtpage", ControlKind::TextBox, "1/1")),
      cmb_modeanalisis(controls.add("cmb_modeanalisis", ControlKind::ComboBox)),
      frmtxt_threshold(controls.add("frmtxt_threshold", ControlKind::TextBox, "1.8")),
      Cmd_analyze(controls.add("Cmd_analyze", ControlKind::Button, "Analyze")),
      MnExporta(controls.add("MnExporta", ControlKind::MenuItem, "Export")),
      bmpexporta(controls.add("bmpexporta", ControlKind::MenuItem, "Export to BMP...")),
      Mnline(controls.add("Mnline", ControlKind::MenuItem, "Line")),
      mn_linebmp(controls.add("mn_linebmp", ControlKind::MenuItem, "Export .BMP")),
      Mnplate(controls.add("Mnplate", ControlKind::MenuItem, "Plate")),
      mn_platebmp(controls.add("mn_platebmp", ControlKind::MenuItem, "Export .BMP")),
      mn_plateedit(controls.add("mn_plateedit", ControlKind::MenuItem, "Edit Plate Groups")),
      asciiexporta(controls.add("asciiexporta", ControlKind::MenuItem, "Export to ASCII...")),
      MnRelativize(controls.add("MnRelativize", ControlKind::MenuItem, "Kinetics")),
      mnrel0(controls.add("mnrel0", ControlKind::MenuItem, "Relativize to Time0")),
      mn_jointbmp(controls.add("mn_jointbmp", ControlKind::MenuItem, "Export .BMP")),
      mn_jointexport(controls.add("mn_jointexport", ControlKind::MenuItem, "Export Data")),
      cmd_track(controls.add("cmd_track", ControlKind::Button, "Single Animal Path Tracking")),
      chk_bmp(controls.add("chk_bmp", ControlKind::CheckBox, "->.bmp")),
      Timer_play(controls.add("Timer_play", ControlKind::Timer)),
      MnTrack(controls.add("MnTrack", ControlKind::MenuItem, "Tracking")),
      mn_bmptrack(controls.add("mn_bmptrack", ControlKind::MenuItem, "Export .BMP")),
      mn_datatrack(controls.add("mn_datatrack", ControlKind::MenuItem, "Export Data")),
      lstgrup_plot(controls.add("lstgrup_plot", ControlKind::ListBox)),
      Framegrup(controls.add("Framegrup", ControlKind::Frame, "Group Edition")),
      combogrup2(controls.add("combogrup2", ControlKind::ComboBox)),
      lstgrup2(controls.add("lstgrup2", ControlKind::ListBox)),
      lstchgrup2(controls.add("lstchgrup2", ControlKind::ListBox)),
      Combo_sets(controls.add("Combo_sets", ControlKind::ComboBox)),
      cmd_goset(controls.add("cmd_goset", ControlKind::Button, "Go...")),
      Cmd_clear(controls.add("Cmd_clear", ControlKind::Button, "CLEAR LIST")),
      cmdcancelgrups(controls.add("cmdcancelgrups", ControlKind::Button, "EXIT Group Edition")),
      applicationFolder_(std::move(applicationFolder)),
      ui_(ui),
      clock_(clock) {
    for (int i = 0; i < kWatchedEntries; ++i) {
        txtfolder[i] = &controls.add("txtfolder_" + std::to_string(i), ControlKind::MenuItem,
                                     watchedFolderPlaceholder(i + 1));
    }
    for (int i = 0; i < kTagEntries; ++i) {
        tagjk[i] = &controls.add("tagjk_" + std::to_string(i), ControlKind::MenuItem,
                                 i == 0 ? "CLEAR" : kineticTag(i));
    }
    Frm_offline.visible = false;
    mnrel0.visible = false;
    cmd_track.visible = false;
    chk_bmp.visible = false;
    Timer_play.enabled = false;
    Timer_play.intervalMs = OfflineTracking::kPlayIntervalMs;
    Listpj.multiSelect = true;
    lstgrup_plot.multiSelect = true;
    Framegrup.visible = false;
    cmb_modeanalisis.items = {"Mode:0", "Mode:1"};
    cmb_modeanalisis.listIndex = 1;
    browser_ = std::make_unique<OfflineBrowser>(*this, applicationFolder_, ui, clock);
    plots_ = std::make_unique<OfflinePlots>(*this, ui, clock);
    groups_ = std::make_unique<OfflineGroupEditing>(*this, ui, clock);
    series_ = std::make_unique<OfflineSeries>(*this, ui, clock);
    tracking_ = std::make_unique<OfflineTracking>(*this, ui, clock);
}

OfflineWindow::~OfflineWindow() = default;

void OfflineWindow::attach(OfflineNeighbours neighbours) {
    neighbours_ = std::move(neighbours);
}

// A handler that fails ends there, as every handler of the window does; the user is told, so
// that an action that did not happen is not taken for done.
void OfflineWindow::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const UnexpectedQuestion&) {
        throw;  // a test's script did not foresee a question: the test must fail, not go on
    } catch (const std::exception& e) {
        ui_.message(std::string("Offline browser: the action failed (") + e.what() + ")");
    }
}

void OfflineWindow::Form_Load() {
    guarded([this] {
        plots_->release();
        groups_->leaveWithoutSaving();
        browser_->load();
    });
}

// Closing the window with groups being edited asks, as "EXIT Group Edition" does, so that
// edits are neither lost nor saved unasked.
void OfflineWindow::Form_Unload() {
    guarded([this] {
        groups_->leave();
        browser_->leave();
    });
}

void OfflineWindow::Cmd_main_Click() {
    guarded([this] { browser_->leave(); });
}

void OfflineWindow::Listpj_DblClick() {
    guarded([this] { browser_->open(); });
}

void OfflineWindow::Listpj_RightClick() {
    guarded([this] { browser_->showMenu(); });
}

void OfflineWindow::lbl_headdate_Click() {
    guarded([this] { browser_->toggleSort(); });
}

void OfflineWindow::lbl_headproject_Click() {
    guarded([this] { browser_->resetView(); });
}

void OfflineWindow::cmd_lupa_Click() {
    guarded([this] { browser_->applyFilter(); });
}

void OfflineWindow::mnrename_Click() {
    guarded([this] { browser_->rename(); });
}

void OfflineWindow::mnfind_Click() {
    guarded([this] { browser_->findInFolder(); });
}

void OfflineWindow::mnplateconfig_Click() {
    guarded([this] {
        if (browser_->openForPlateConfig()) {
            groups_->enter();
        }
    });
}

void OfflineWindow::mndelete_Click() {
    guarded([this] { browser_->archive(); });
}

void OfflineWindow::Cmd_report_Click() {
    guarded([this] { browser_->report(); });
}

void OfflineWindow::Txt_description_Change() {
    guarded([this] { browser_->commentsChanged(); });
}

void OfflineWindow::Txt_description_LostFocus() {
    guarded([this] { browser_->commentsLeft(); });
}

void OfflineWindow::txtfolder_Click(int index) {
    guarded([this, index] { browser_->chooseWatchedFolder(index); });
}

void OfflineWindow::tagjk_Click(int index) {
    guarded([this, index] { series_->tag(index); });
}

void OfflineWindow::List_tags_DblClick() {
    guarded([this] { series_->openTag(); });
}

void OfflineWindow::Cmd_lineplot_Click() {
    guarded([this] { plots_->linePlot(); });
}

void OfflineWindow::Cmd_barplot_Click() {
    guarded([this] { plots_->barPlot(); });
}

void OfflineWindow::Cmd_gridplot_Click() {
    guarded([this] { plots_->heatMap(); });
}

void OfflineWindow::cmdchannels_Click() {
    guarded([this] { plots_->channelSignal(); });
}

void OfflineWindow::Cmd_leegroups_Click() {
    guarded([this] { plots_->groupActivity(); });
}

void OfflineWindow::Cmd_analyze_Click() {
    guarded([this] { plots_->analyze(); });
}

void OfflineWindow::cmd_plus_Click() {
    guarded([this] { plots_->binSizeStep(true); });
}

void OfflineWindow::cmd_minus_Click() {
    guarded([this] { plots_->binSizeStep(false); });
}

void OfflineWindow::scrollpage_Change() {
    guarded([this] { plots_->pageChosen(); });
}

void OfflineWindow::Combofila_Click() {
    guarded([this] { plots_->wellChosen(); });
}

void OfflineWindow::Combocol_Click() {
    guarded([this] { plots_->wellChosen(); });
}

void OfflineWindow::Picreal_Mouse(const MouseEvent& e) {
    guarded([&] {
        if (groups_->editing()) {
            groups_->mouse(e);
        } else {
            plots_->mouse(e);
        }
    });
}

void OfflineWindow::Picreal_Resize() {
    guarded([this] {
        if (groups_->editing()) {
            groups_->redraw();
        } else {
            plots_->redraw();
        }
    });
}

void OfflineWindow::bmpexporta_Click() {
    guarded([this] { plots_->exportPicture(PictureExport::Plot); });
}

void OfflineWindow::mn_linebmp_Click() {
    guarded([this] { plots_->exportPicture(PictureExport::LinePlot); });
}

void OfflineWindow::mn_platebmp_Click() {
    guarded([this] { plots_->exportPicture(PictureExport::Plate); });
}

void OfflineWindow::mn_plateedit_Click() {
    guarded([this] {
        if (item_.isAcquisition()) {
            groups_->enter();
        } else {
            ui_.message("Only possible for SubProjects");
        }
    });
}

void OfflineWindow::asciiexporta_Click() {
    guarded([this] { plots_->exportSignalPage(); });
}

void OfflineWindow::mnrel0_Click() {
    guarded([this] { series_->relativeChanged(); });
}

void OfflineWindow::mn_jointbmp_Click() {
    guarded([this] { series_->exportPicture(); });
}

void OfflineWindow::mn_jointexport_Click() {
    guarded([this] { series_->exportData(); });
}

void OfflineWindow::cmd_track_Click() {
    guarded([this] { tracking_->press(); });
}

// A tick that fails stops the timer: the failure is said once, not at every tick.
void OfflineWindow::Timer_play_Timer() {
    bool ticked = false;
    guarded([this, &ticked] {
        tracking_->tick();
        ticked = true;
    });
    if (!ticked) {
        Timer_play.enabled = false;
    }
}

void OfflineWindow::mn_bmptrack_Click() {
    guarded([this] { tracking_->exportPicture(); });
}

void OfflineWindow::mn_datatrack_Click() {
    guarded([this] { tracking_->exportData(); });
}

void OfflineWindow::combogrup2_Click() {
    guarded([this] { groups_->editor().groupChosen(); });
}

void OfflineWindow::combogrup2_DblClick() {
    guarded([this] { groups_->editor().renameGroup(); });
}

void OfflineWindow::lstgrup2_DblClick() {
    guarded([this] { groups_->editor().assignedChannelChosen(); });
}

void OfflineWindow::lstchgrup2_DblClick() {
    guarded([this] { groups_->editor().freeChannelChosen(); });
}

void OfflineWindow::cmd_goset_Click() {
    guarded([this] { groups_->arrange(); });
}

void OfflineWindow::Cmd_clear_Click() {
    guarded([this] { groups_->clear(); });
}

void OfflineWindow::cmdcancelgrups_Click() {
    guarded([this] { groups_->leave(); });
}

void OfflineWindow::lstgrup_plot_DblClick() {
    guarded([this] { plots_->redrawForChosenGroups(); });
}

}  // namespace qv
