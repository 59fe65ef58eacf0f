#include "app/offline_window_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/qt_canvas.h"
#include "app/widget_makers.h"

namespace qv::app {

namespace {

// A menu that is no part of the menu bar, popped up where the logic asks for it; its control
// is the menu's own action.
QMenu* contextMenu(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* menu = new QMenu(parent);
    menu->menuAction()->setObjectName(name);
    for (const char* item : items) {
        menu->addAction(QString())->setObjectName(item);
    }
    return menu;
}

// A caption that is no control shows and hides with the control it names.
class FollowVisibility : public QObject {
  public:
    FollowVisibility(QWidget* partner, QWidget* caption) : QObject(partner), caption_(caption) {
        partner->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            caption_->setVisible(event->type() == QEvent::ShowToParent);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QWidget* caption_;
};

}  // namespace

OfflineWindowView::OfflineWindowView(OfflineWindow& logic) : logic_(logic) {
    setObjectName("Frm_offline");
    buildMenus();
    auto* central = new QWidget;
    auto* columns = new QHBoxLayout(central);
    columns->addWidget(buildListColumn());
    columns->addWidget(buildPlotArea(), 1);
    columns->addWidget(buildGroupColumn());
    setCentralWidget(central);
    resize(1400, 800);
    binding_ = new ControlBinding(logic_.controls, *this);
    // The exports save what the picture shows, in the form the file's extension names.
    logic_.saveBitmap = [this](const std::filesystem::path& file) {
        return picture_->canvas().save(file.string());
    };
    bindList();
    bindPlots();
    bindGroups();
}

void OfflineWindowView::buildMenus() {
    QMenu* watch = menuBar()->addMenu(QString());
    watch->menuAction()->setObjectName("mnwatch");
    for (int i = 0; i < OfflineWindow::kWatchedEntries; ++i) {
        named(watch->addAction(QString()), logic_.txtfolder[i]->name.c_str());
    }
    QMenu* listMenu = contextMenu(this, "mnpj", {"mnrename", "mnfind"});
    QMenu* tags = listMenu->addMenu(QString());
    tags->menuAction()->setObjectName("mntag_jk");
    for (const Control* entry : logic_.tagjk) {
        menuItem(tags, entry->name.c_str());
    }
    menuItem(listMenu, "mnplateconfig");
    menuItem(listMenu, "mndelete");
    contextMenu(this, "MnExporta", {"bmpexporta", "asciiexporta"});
    contextMenu(this, "Mnline", {"mn_linebmp"});
    QMenu* series = contextMenu(this, "MnRelativize", {"mn_jointbmp", "mn_jointexport"});
    auto* relative = named(new QAction(series), "mnrel0");
    relative->setCheckable(true);
    series->insertAction(series->actions().value(0), relative);
    contextMenu(this, "Mnplate", {"mn_platebmp", "mn_plateedit"});
    contextMenu(this, "MnTrack", {"mn_bmptrack", "mn_datatrack"});
}

QWidget* OfflineWindowView::buildListColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(430);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel("Filter by:"));
    filter->addWidget(textBox("txt_search"), 1);
    filter->addWidget(button("cmd_lupa"));
    layout->addLayout(filter);
    auto* heads = new QHBoxLayout;
    for (const char* name : {"lbl_headdate", "lbl_orden", "lbl_headproject"}) {
        auto* head = label(name);
        head->setCursor(Qt::PointingHandCursor);
        head->setStyleSheet("font-weight: bold; padding-right: 12px;");
        heads->addWidget(head);
    }
    heads->addStretch(1);
    layout->addLayout(heads);
    auto* rows = list("Listpj", 16);
    rows->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    rows->setContextMenuPolicy(Qt::CustomContextMenu);
    rows->setToolTip("Double-click a project to open or close it, an acquisition to plot it");
    layout->addWidget(rows, 3);
    layout->addWidget(label("lbl_status"));
    layout->addWidget(label("lbl_tags"));
    layout->addWidget(list("List_tags", 2));
    layout->addWidget(new QLabel("Notes:"));
    auto* notes = named(new QPlainTextEdit, "Txt_description");
    notes->setMinimumHeight(90);
    layout->addWidget(notes, 1);
    layout->addWidget(button("Cmd_report"));
    auto* back = new QHBoxLayout;
    back->addWidget(button("Cmd_main"));
    back->addStretch(1);
    layout->addLayout(back);
    return column;
}

QWidget* OfflineWindowView::buildPlotArea() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    for (const char* name :
         {"Cmd_lineplot", "Cmd_barplot", "Cmd_gridplot", "cmdchannels", "Cmd_leegroups"}) {
        buttons->addWidget(button(name));
    }
    buttons->addStretch(1);
    auto* binCaption = new QLabel("Bin_size:");
    buttons->addWidget(binCaption);
    auto* binSize = textBox("txt_binsize", 50);
    new FollowVisibility(binSize, binCaption);
    buttons->addWidget(binSize);
    for (const char* name : {"cmd_minus", "cmd_plus"}) {
        auto* step = button(name);
        step->setFixedWidth(32);
        buttons->addWidget(step);
    }
    buttons->addWidget(button("cmd_track"));
    auto* frames = named(new QCheckBox, "chk_bmp");
    frames->setToolTip("Export .bmp track files");
    buttons->addWidget(frames);
    layout->addLayout(buttons);
    picture_ = named(new CanvasWidget, "Picreal");
    picture_->setMinimumSize(640, 420);
    picture_->setToolTip("Right click to export the plot");
    layout->addWidget(picture_, 1);
    layout->addWidget(buildSignalRow());
    return area;
}

QWidget* OfflineWindowView::buildSignalRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("Well:"));
    layout->addWidget(comboBox("Combofila"));
    layout->addWidget(comboBox("Combocol"));
    layout->addWidget(new QLabel("Channel:"));
    auto* channel = label("lblcanal");
    channel->setMinimumWidth(30);
    layout->addWidget(channel);
    layout->addWidget(new QLabel("Beam:"));
    layout->addWidget(textBox("txtsub", 30, true));
    auto* pages = named(new QScrollBar(Qt::Horizontal), "scrollpage");
    pages->setMinimumWidth(160);
    layout->addWidget(pages, 1);
    layout->addWidget(textBox("Txtpage", 60, true));
    layout->addSpacing(16);
    layout->addWidget(comboBox("cmb_modeanalisis"));
    layout->addWidget(new QLabel("SNR:"));
    layout->addWidget(textBox("frmtxt_threshold", 40));
    layout->addWidget(button("Cmd_analyze"));
    return row;
}

QWidget* OfflineWindowView::buildGroupColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(240);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* groupsCaption = new QLabel("Groups (double-click to plot):");
    layout->addWidget(groupsCaption);
    auto* groups = list("lstgrup_plot", 8);
    new FollowVisibility(groups, groupsCaption);
    groups->setToolTip("Select the groups to plot, then double-click or press Enter");
    layout->addWidget(groups, 1);
    layout->addWidget(buildGroupFrame(), 3);
    return column;
}

QGroupBox* OfflineWindowView::buildGroupFrame() {
    auto* frame = named(new QGroupBox, "Framegrup");
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(new QLabel("Group Names:"));
    auto* names = list("combogrup2", 6);
    names->setToolTip("Dblclick to Rename");
    layout->addWidget(names, 1);
    layout->addWidget(new QLabel("Assigned channels:"));
    layout->addWidget(list("lstgrup2", 6), 1);
    layout->addWidget(new QLabel("Free channels:"));
    layout->addWidget(list("lstchgrup2", 6), 1);
    auto* sets = new QHBoxLayout;
    sets->addWidget(comboBox("Combo_sets"), 1);
    sets->addWidget(button("cmd_goset"));
    layout->addLayout(sets);
    layout->addWidget(button("Cmd_clear"));
    layout->addWidget(button("cmdcancelgrups"));
    return frame;
}

void OfflineWindowView::onEnter(const char* name, const std::function<void()>& handler) {
    QWidget* w = findChild<QWidget*>(name);
    w->installEventFilter(new EnterFilter(w, [this, handler] {
        binding_->handle(handler);
        popUpRequestedMenu();
    }));
}

void OfflineWindowView::popUpRequestedMenu() {
    if (logic_.popupMenu.empty()) {
        return;
    }
    const QString name = QString::fromStdString(logic_.popupMenu);
    logic_.popupMenu.clear();
    for (auto* menu : findChildren<QMenu*>()) {
        if (menu->menuAction()->objectName() == name) {
            lastPopup_ = menu;
            menu->popup(QCursor::pos());
            return;
        }
    }
}

void OfflineWindowView::bindList() {
    ControlBinding& b = *binding_;
    OfflineWindow& w = logic_;
    b.on("Cmd_main", [&w] { w.Cmd_main_Click(); });
    b.onDoubleClick("Listpj", [&w] { w.Listpj_DblClick(); });
    onEnter("Listpj", [&w] { w.Listpj_DblClick(); });
    auto* rows = findChild<QListWidget*>("Listpj");
    connect(rows, &QListWidget::customContextMenuRequested, this, [this, rows](const QPoint& at) {
        const int row = rows->indexAt(at).row();
        if (row < 0) {
            return;
        }
        rows->setCurrentRow(row);
        binding_->handle([this] { logic_.Listpj_RightClick(); });
        popUpRequestedMenu();
    });
    b.on("lbl_headdate", [&w] { w.lbl_headdate_Click(); });
    b.on("lbl_orden", [&w] { w.lbl_headdate_Click(); });
    b.on("lbl_headproject", [&w] { w.lbl_headproject_Click(); });
    b.on("cmd_lupa", [&w] { w.cmd_lupa_Click(); });
    onEnter("txt_search", [&w] { w.cmd_lupa_Click(); });
    b.on("mnrename", [&w] { w.mnrename_Click(); });
    b.on("mnfind", [&w] { w.mnfind_Click(); });
    b.on("mnplateconfig", [&w] { w.mnplateconfig_Click(); });
    b.on("mndelete", [&w] { w.mndelete_Click(); });
    b.on("Cmd_report", [&w] { w.Cmd_report_Click(); });
    auto* notes = findChild<QPlainTextEdit*>("Txt_description");
    // Only the user's typing changes the box: the logic's own text arrives with signals held.
    connect(notes, &QPlainTextEdit::textChanged, this, [&w] { w.Txt_description_Change(); });
    b.on("Txt_description", [&w] { w.Txt_description_LostFocus(); });
    for (int i = 0; i < OfflineWindow::kWatchedEntries; ++i) {
        b.on(w.txtfolder[i]->name.c_str(), [&w, i] { w.txtfolder_Click(i); });
    }
}

void OfflineWindowView::bindPlots() {
    ControlBinding& b = *binding_;
    OfflineWindow& w = logic_;
    b.on("Cmd_lineplot", [&w] { w.Cmd_lineplot_Click(); });
    b.on("Cmd_barplot", [&w] { w.Cmd_barplot_Click(); });
    b.on("Cmd_gridplot", [&w] { w.Cmd_gridplot_Click(); });
    b.on("cmdchannels", [&w] { w.cmdchannels_Click(); });
    b.on("Cmd_leegroups", [&w] { w.Cmd_leegroups_Click(); });
    b.on("Cmd_analyze", [&w] { w.Cmd_analyze_Click(); });
    b.on("cmd_plus", [&w] { w.cmd_plus_Click(); });
    b.on("cmd_minus", [&w] { w.cmd_minus_Click(); });
    b.on("scrollpage", [&w] { w.scrollpage_Change(); });
    b.on("Combofila", [&w] { w.Combofila_Click(); });
    b.on("Combocol", [&w] { w.Combocol_Click(); });
    b.on("Picreal", [this, &w] {
        w.pictureWidth = picture_->width();
        w.pictureHeight = picture_->height();
        w.Picreal_Resize();
    });
    b.onMouse("Picreal", [this, &w](const MouseEvent& e) {
        w.Picreal_Mouse(e);
        // After the handler has run through the binding, the menu it asked for.
        QMetaObject::invokeMethod(
            this, [this] { popUpRequestedMenu(); }, Qt::QueuedConnection);
    });
    b.on("bmpexporta", [&w] { w.bmpexporta_Click(); });
    b.on("mn_linebmp", [&w] { w.mn_linebmp_Click(); });
    b.on("mn_platebmp", [&w] { w.mn_platebmp_Click(); });
    b.on("mn_plateedit", [&w] { w.mn_plateedit_Click(); });
    b.on("asciiexporta", [&w] { w.asciiexporta_Click(); });
    b.onDoubleClick("List_tags", [&w] { w.List_tags_DblClick(); });
    onEnter("List_tags", [&w] { w.List_tags_DblClick(); });
    for (int i = 0; i < OfflineWindow::kTagEntries; ++i) {
        b.on(w.tagjk[i]->name.c_str(), [&w, i] { w.tagjk_Click(i); });
    }
    b.on("mnrel0", [&w] { w.mnrel0_Click(); });
    b.on("mn_jointbmp", [&w] { w.mn_jointbmp_Click(); });
    b.on("mn_jointexport", [&w] { w.mn_jointexport_Click(); });
    b.on("cmd_track", [&w] { w.cmd_track_Click(); });
    b.on("Timer_play", [&w] { w.Timer_play_Timer(); });
    b.on("mn_bmptrack", [&w] { w.mn_bmptrack_Click(); });
    b.on("mn_datatrack", [&w] { w.mn_datatrack_Click(); });
}

void OfflineWindowView::bindGroups() {
    ControlBinding& b = *binding_;
    OfflineWindow& w = logic_;
    b.on("combogrup2", [&w] { w.combogrup2_Click(); });
    b.onDoubleClick("combogrup2", [&w] { w.combogrup2_DblClick(); });
    onEnter("combogrup2", [&w] { w.combogrup2_DblClick(); });
    b.onDoubleClick("lstgrup2", [&w] { w.lstgrup2_DblClick(); });
    onEnter("lstgrup2", [&w] { w.lstgrup2_DblClick(); });
    b.onDoubleClick("lstchgrup2", [&w] { w.lstchgrup2_DblClick(); });
    onEnter("lstchgrup2", [&w] { w.lstchgrup2_DblClick(); });
    b.on("cmd_goset", [&w] { w.cmd_goset_Click(); });
    b.on("Cmd_clear", [&w] { w.Cmd_clear_Click(); });
    b.on("cmdcancelgrups", [&w] { w.cmdcancelgrups_Click(); });
    b.onDoubleClick("lstgrup_plot", [&w] { w.lstgrup_plot_DblClick(); });
    onEnter("lstgrup_plot", [&w] { w.lstgrup_plot_DblClick(); });
}

// Shown counts as loaded: the list is read again from the folders, which other windows and
// programs may have changed while it was hidden.
void OfflineWindowView::showEvent(QShowEvent* event) {
    binding_->handle([this] { logic_.Form_Load(); });
    QMainWindow::showEvent(event);
}

void OfflineWindowView::closeEvent(QCloseEvent* event) {
    if (logic_.Frm_offline.visible) {
        binding_->handle([this] { logic_.Form_Unload(); });
    }
    event->accept();
}

}  // namespace qv::app
