#include "app/setup_window_view.h"

#include <array>
#include <functional>
#include <utility>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "acquisition/main_window.h"
#include "acquisition/start_screen.h"
#include "app/qt_canvas.h"
#include "app/widget_makers.h"

namespace qv::app {

namespace {

// A row of widgets in a form: a box and the unit after it.
QWidget* withUnit(QWidget* box, const char* unit) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    layout->addWidget(caption(unit));
    layout->addStretch(1);
    return row;
}

}  // namespace

SetupWindowView::SetupWindowView(SetupWindow& logic) : logic_(logic) {
    setObjectName("Frm_setup");
    QMenu* tools = menuBar()->addMenu("&Tools");
    named(tools->addAction(QString()), "mn_advanced");
    auto* central = new QWidget;
    auto* columns = new QHBoxLayout(central);
    columns->addWidget(buildLeftColumn());
    columns->addWidget(buildPlateArea(), 1);
    columns->addWidget(buildGroupColumn());
    setCentralWidget(central);
    resize(1260, 760);
    binding_ = new ControlBinding(logic_.controls, *this);
    bindProject();
    bindPlate();
    bindParameters();
}

QWidget* SetupWindowView::buildLeftColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(360);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildProjectBox());
    layout->addWidget(buildProjectList());
    layout->addWidget(buildParameters());
    layout->addWidget(buildAdvanced());
    layout->addStretch(1);
    auto* leave = new QHBoxLayout;
    leave->addWidget(button("Cmdoffline"));
    leave->addStretch(1);
    auto* run = button("Command_main");
    run->setDefault(true);
    leave->addWidget(run);
    layout->addLayout(leave);
    return column;
}

QGroupBox* SetupWindowView::buildProjectBox() {
    auto* box = new QGroupBox("Project");
    auto* form = new QFormLayout(box);
    auto* project = textBox("txtprj", 0, true);
    project->setToolTip("DblClick to Rename");
    form->addRow("Project:", project);
    form->addRow("Folder:", textBox("Txtfolder", 0, true));
    auto* commands = new QHBoxLayout;
    for (const char* name : {"Cmdnewpj", "Cmdsavepj", "cmdLoad"}) {
        commands->addWidget(button(name));
    }
    form->addRow(commands);
    form->addRow("Notes:", textBox("Txt_description"));
    return box;
}

QGroupBox* SetupWindowView::buildProjectList() {
    auto* box = named(new QGroupBox, "frm_project");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(list("List_project", 6));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button("Cmd_cancel"));
    layout->addLayout(row);
    return box;
}

QGroupBox* SetupWindowView::buildParameters() {
    auto* box = new QGroupBox("Detection algorithm");
    auto* form = new QFormLayout(box);
    form->addRow("organism", comboBox("Cmb_organism"));
    form->addRow("Mode:", comboBox("ComboDSP"));
    auto* snrLabel = named(new QLabel, "txt_snr");
    snrLabel->setToolTip("Double click to enable edition");
    form->addRow(snrLabel, textBox("lbl_snr", 50));
    form->addRow("Acquisition lapse:", withUnit(textBox("Txtlapse", 70), "min"));
    form->addRow("   Acq Mode:", comboBox("Combo_aqmode"));
    form->addRow(button("cmd_advanced"));
    return box;
}

QGroupBox* SetupWindowView::buildAdvanced() {
    auto* box = named(new QGroupBox, "Frame_advanced");
    auto* form = new QFormLayout(box);
    form->addRow("Sample rate:", withUnit(textBox("Txtsample", 60), "/sec"));
    form->addRow("Real-time Buffer:", withUnit(textBox("Txtbuffer", 60), "bytes"));
    form->addRow("DSP Interval:", textBox("Txt_dspinterval", 60));
    form->addRow("Save Counts/minute", comboBox("Combosavecount"));
    form->addRow("Save Real-Time Data", comboBox("Combosavereal"));
    auto* tools = new QGridLayout;
    tools->addWidget(named(new QCheckBox, "chkcal"), 0, 0);
    tools->addWidget(named(new QCheckBox, "chklight"), 1, 0);
    tools->addWidget(named(new QCheckBox, "chktemp"), 2, 0);
    tools->addWidget(named(new QCheckBox, "Chk_mn4"), 0, 1);
    tools->addWidget(named(new QCheckBox, "Chk_mn5"), 1, 1);
    tools->addWidget(named(new QCheckBox, "Chk_mn6"), 2, 1);
    form->addRow(tools);
    auto* note = caption("*Available only in some Hardware versions!");
    note->setStyleSheet("color: #804000;");
    form->addRow(note);
    return box;
}

QWidget* SetupWindowView::buildPlateArea() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->addWidget(caption("Microplate:"));
    auto* plates = comboBox("Combowell");
    plates->setEditable(true);
    plates->lineEdit()->setReadOnly(true);
    plates->setMinimumWidth(130);
    top->addWidget(plates);
    top->addStretch(1);
    top->addWidget(caption("Well:"));
    auto* well = named(new QLabel, "lblnchannel");
    well->setMinimumWidth(40);
    top->addWidget(well);
    layout->addLayout(top);
    layout->addWidget(caption("Plate Layout Window"));
    plate_ = named(new CanvasWidget, "Picwell");
    plate_->setToolTip("Click wells to assign/remove groups");
    plate_->setMinimumSize(560, 380);
    plate_->setCursor(Qt::CrossCursor);
    layout->addWidget(plate_, 1);
    return area;
}

QWidget* SetupWindowView::buildGroupColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(220);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(caption("Group Names:"));
    auto* groups = list("combogrup", 8);
    groups->setToolTip("Dblclick to Rename");
    layout->addWidget(groups, 1);
    layout->addWidget(caption("Assigned channels:"));
    layout->addWidget(list("lstgrup", 8), 1);
    layout->addWidget(caption("Free channels:"));
    layout->addWidget(list("lstchgrup", 8), 1);
    auto* arrange = button("Cmd_auto");
    auto* menu = new QMenu(arrange);
    menu->menuAction()->setObjectName("mngroup");
    for (int i = 0; i < SetupWindow::kArrangeItems; ++i) {
        menu->addAction(QString())->setObjectName(QStringLiteral("mnopciongrup_%1").arg(i));
    }
    arrange->setMenu(menu);
    layout->addWidget(arrange);
    layout->addWidget(button("Cmd_clear"));
    auto* sets = comboBox("Combo_sets");
    sets->hide();
    layout->addWidget(sets);
    return column;
}

void SetupWindowView::bindProject() {
    ControlBinding& b = *binding_;
    SetupWindow& w = logic_;
    b.on("Cmdnewpj", [&w] { w.Cmdnewpj_Click(); });
    b.on("Cmdsavepj", [&w] { w.Cmdsavepj_Click(); });
    b.on("cmdLoad", [&w] { w.cmdLoad_Click(); });
    b.on("Cmd_cancel", [&w] { w.Cmd_cancel_Click(); });
    b.onDoubleClick("List_project", [&w] { w.List_project_DblClick(); });
    b.onDoubleClick("txtprj", [&w] { w.txtprj_DblClick(); });
    b.on("Command_main", [&w] { w.Command_main_Click(); });
    b.on("Cmdoffline", [&w] { w.Cmdoffline_Click(); });
}

void SetupWindowView::bindPlate() {
    ControlBinding& b = *binding_;
    SetupWindow& w = logic_;
    b.on("Combowell", [&w] { w.Combowell_Click(); });
    b.on("Timerwell", [&w] { w.Timerwell_Timer(); });
    b.onMouse("Picwell", [&w](const MouseEvent& e) { w.Picwell_Mouse(e); });
    b.on("Picwell", [&w] { w.Picwell_Paint(); });
    b.on("combogrup", [&w] { w.combogrup_Click(); });
    const std::array<std::pair<const char*, void (SetupWindow::*)()>, 3> lists = {
        {{"combogrup", &SetupWindow::combogrup_DblClick},
         {"lstgrup", &SetupWindow::lstgrup_DblClick},
         {"lstchgrup", &SetupWindow::lstchgrup_DblClick}}};
    for (const auto& [name, handler] : lists) {
        b.onDoubleClick(name, [&w, handler] { (w.*handler)(); });
        QWidget* list = findChild<QWidget*>(name);
        list->installEventFilter(new EnterFilter(
            list, [&b, &w, handler] { b.handle([&w, handler] { (w.*handler)(); }); }));
    }
    b.on("Cmd_clear", [&w] { w.Cmd_clear_Click(); });
    for (int i = 0; i < SetupWindow::kArrangeItems; ++i) {
        const std::string name = "mnopciongrup_" + std::to_string(i);
        b.on(name.c_str(), [&w, i] { w.mnopciongrup_Click(i); });
    }
}

void SetupWindowView::bindParameters() {
    ControlBinding& b = *binding_;
    SetupWindow& w = logic_;
    b.on("Cmb_organism", [&w] { w.Cmb_organism_Click(); });
    b.on("ComboDSP", [&w] { w.ComboDSP_Click(); });
    b.on("Combo_aqmode", [&w] { w.Combo_aqmode_Click(); });
    b.onDoubleClick("txt_snr", [&w] { w.txt_snr_DblClick(); });
    b.on("lbl_snr", [&w] { w.lbl_snr_LostFocus(); });
    b.on("Txtlapse", [&w] { w.Txtlapse_LostFocus(); });
    b.on("Txtsample", [&w] { w.Txtsample_LostFocus(); });
    b.on("Txt_dspinterval", [&w] { w.Txt_dspinterval_LostFocus(); });
    b.on("Txtbuffer", [&w] { w.Txtbuffer_LostFocus(); });
    b.on("Combosavecount", [&w] { w.Combosavecount_Click(); });
    b.on("Combosavereal", [&w] { w.Combosavereal_Click(); });
    b.on("chkcal", [&w] { w.chkcal_Click(); });
    b.on("chklight", [&w] { w.chklight_Click(); });
    b.on("chktemp", [&w] { w.chktemp_Click(); });
    for (int k = 4; k <= 6; ++k) {
        const std::string name = "Chk_mn" + std::to_string(k);
        b.on(name.c_str(), [&w, k] { w.Chk_mn_Click(k); });
    }
    b.on("cmd_advanced", [&w] { w.cmd_advanced_Click(); });
    b.on("mn_advanced", [&w] { w.mn_advanced_Click(); });
}

// Shown counts as loaded: the window shows the project as it stands now, whatever the other
// windows changed while it was hidden.
void SetupWindowView::showEvent(QShowEvent* event) {
    binding_->handle([this] { logic_.Form_Load(); });
    QMainWindow::showEvent(event);
}

void SetupWindowView::closeEvent(QCloseEvent* event) {
    if (logic_.Frm_setup.visible) {
        binding_->handle([this] { logic_.Form_Unload(); });
    }
    event->accept();
}

SetupNeighbours setupNeighbours(MainWindow& main, StartScreen& init) {
    SetupNeighbours n;
    n.Frm_Main = &main.Frm_Main;
    n.lbl_detection = &main.lbl_detection;
    n.txt_snr_umbral = &main.txt_snr_umbral;
    n.Cmb_organism = &main.Cmb_organism;
    n.Txt_description = &main.Txt_description;
    n.frm_mn1 = &main.frm_mn1;
    n.Frame_light = &main.Frame_light;
    n.frm_pulse = &main.frm_pulse;
    n.Chk_lenabled = &main.Chk_lenabled;
    n.Frame_temp = &main.Frame_temp;
    n.Chk_tenabled = &main.Chk_tenabled;
    n.showRunWindow = [&main] { main.showForAcquisition(); };
    n.showStartScreen = [&init] { init.show(); };
    return n;
}

}  // namespace qv::app
