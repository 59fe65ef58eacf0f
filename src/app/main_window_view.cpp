#include "app/main_window_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/qt_canvas.h"
#include "app/widget_makers.h"

namespace qv::app {

MainWindowView::MainWindowView(MainWindow& logic) : logic_(logic) {
    setObjectName("Frm_Main");
    buildMenus();
    auto* central = new QWidget;
    auto* columns = new QHBoxLayout(central);
    columns->addWidget(buildLeftColumn());
    columns->addWidget(buildPlotArea(), 1);
    setCentralWidget(central);
    buildAbout();
    auto* device = named(new QLabel, "lbl_devicestatus");
    statusBar()->addPermanentWidget(device);
    resize(1100, 700);
    binding_ = new ControlBinding(logic_.controls, *this);
    bindHandlers();
}

void MainWindowView::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    menuItem(file, "mnexit");
    QMenu* tools = menuBar()->addMenu("&Tools");
    menuItem(tools, "mnstatustest");
    menuItem(tools, "mn_arena");
    menuItem(tools, "mn_factory");
    menuItem(tools, "lght_ctl");
    menuItem(tools, "temp_ctl");
    QMenu* calibration = tools->addMenu("Calibration Control");
    menuItem(calibration, "mncal_on", true);
    menuItem(calibration, "mncal_off", true);
    QMenu* com = menuBar()->addMenu(QString());
    com->menuAction()->setObjectName("mncom1");
    for (int n = 1; n <= device::kSearchPorts; ++n) {
        menuItem(com, nullptr, true)->setObjectName(QStringLiteral("mncom1_%1").arg(n));
    }
    QMenu* report = menuBar()->addMenu("&Report");
    menuItem(report, "mn_userbin", true);
    menuItem(report, "mn_reportwindow");
    menuItem(report, "mn_quickreport");
    QMenu* help = menuBar()->addMenu("&Help");
    menuItem(help, "mncontent");
    menuItem(help, "mnabout");
}

QWidget* MainWindowView::buildLeftColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(330);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildProjectBox());
    layout->addWidget(buildRunBox());
    layout->addWidget(buildCalibrationPanel());
    layout->addWidget(buildLightPanel());
    layout->addWidget(buildTemperaturePanel());
    layout->addStretch(1);
    return column;
}

QGroupBox* MainWindowView::buildProjectBox() {
    auto* box = new QGroupBox("Project");
    auto* form = new QFormLayout(box);
    form->addRow("Project", textBox("txt_projecto", 220, true));
    form->addRow("Lapse (min)", textBox("txt_acqlapse", 70, true));
    form->addRow("Plate", textBox("txt_wellformat", 70, true));
    auto* navigate = new QHBoxLayout;
    navigate->addWidget(button("Cmdsetup"));
    navigate->addWidget(button("Cmdoffline"));
    form->addRow(navigate);
    form->addRow(named(new QLabel, "lbl_detection"));
    form->addRow("Experiment", textBox("txt_subproject", 220, true));
    form->addRow("Notes", textBox("Txt_description", 220));
    return box;
}

QGroupBox* MainWindowView::buildRunBox() {
    auto* box = new QGroupBox("Acquisition");
    auto* grid = new QGridLayout(box);
    grid->addWidget(button("CmdPlay"), 0, 0);
    grid->addWidget(button("CmdPause"), 0, 1);
    grid->addWidget(button("CmdStop"), 0, 2);
    grid->addWidget(button("cmd_connect"), 1, 0);
    grid->addWidget(button("Cmd_disconnect"), 1, 1);
    grid->addWidget(caption("Elapsed"), 2, 0);
    grid->addWidget(textBox("txt_time", 110, true), 2, 1, 1, 2);
    auto* progress = named(new CanvasWidget, "picturetime");
    progress->setFixedHeight(10);
    grid->addWidget(progress, 3, 0, 1, 3);
    grid->addWidget(button("Cmd_showreport"), 1, 2);
    return box;
}

QGroupBox* MainWindowView::buildCalibrationPanel() {
    auto* box = named(new QGroupBox, "frm_mn1");
    auto* grid = new QGridLayout(box);
    auto* organism = named(new QComboBox, "Cmb_organism");
    organism->setEditable(true);
    organism->setInsertPolicy(QComboBox::NoInsert);
    grid->addWidget(caption("Organism"), 0, 0);
    grid->addWidget(organism, 0, 1, 1, 2);
    grid->addWidget(caption("SNR"), 1, 0);
    auto* umbral = named(new QLabel, "lbl_umbral");
    umbral->setCursor(Qt::PointingHandCursor);
    umbral->setToolTip("Click to show or hide the threshold");
    grid->addWidget(umbral, 1, 1);
    grid->addWidget(textBox("txt_snr_umbral", 50), 1, 2);
    grid->addWidget(named(new QCheckBox, "mnCalibra"), 2, 0, 1, 2);
    grid->addWidget(button("cmd_calibra"), 2, 2);
    grid->addWidget(named(new QCheckBox, "mnZero"), 3, 0, 1, 2);
    grid->addWidget(button("Cmd_autozero"), 3, 2);
    grid->addWidget(button("Cmd_readblank"), 4, 2);
    return box;
}

QGroupBox* MainWindowView::buildLightPanel() {
    auto* box = named(new QGroupBox, "Frame_light");
    auto* grid = new QGridLayout(box);
    grid->addWidget(named(new QCheckBox, "Chk_lenabled"), 0, 0);
    grid->addWidget(caption("ON (h)"), 0, 1);
    grid->addWidget(textBox("txt_lon", 40), 0, 2);
    grid->addWidget(caption("OFF (h)"), 0, 3);
    grid->addWidget(textBox("txt_loff", 40), 0, 4);
    auto* pulse = named(new QGroupBox, "frm_pulse");
    auto* pulses = new QGridLayout(pulse);
    pulses->addWidget(caption("Cycles"), 0, 0);
    pulses->addWidget(textBox("txt_pulsetimes", 44), 0, 1);
    pulses->addWidget(caption("ON (min)"), 1, 0);
    pulses->addWidget(textBox("txt_pulseon", 52), 1, 1);
    pulses->addWidget(caption("OFF (min)"), 1, 2);
    pulses->addWidget(textBox("txt_pulseoff", 52), 1, 3);
    grid->addWidget(pulse, 1, 0, 1, 5);
    grid->addWidget(caption("Light"), 2, 0);
    grid->addWidget(button("cmd_luz"), 2, 1, 1, 2);
    auto* lamp = named(new QFrame, "shape_light");
    lamp->setFixedSize(18, 18);
    // The binding adds the lamp's colour after this outline.
    lamp->setProperty("qvStyle", "border: 1px solid black; border-radius: 9px;");
    grid->addWidget(lamp, 2, 3);
    grid->addWidget(button("cmd_cyclepulse"), 2, 4);
    return box;
}

QGroupBox* MainWindowView::buildTemperaturePanel() {
    auto* box = named(new QGroupBox, "Frame_temp");
    auto* grid = new QGridLayout(box);
    grid->addWidget(named(new QCheckBox, "Chk_tenabled"), 0, 0);
    grid->addWidget(caption("Set point (C)"), 0, 1);
    grid->addWidget(textBox("txttemp", 50), 0, 2);
    grid->addWidget(button("Cmd_settemp"), 0, 3);
    grid->addWidget(button("cmd_frio"), 1, 0);
    grid->addWidget(button("cmd_ontemp"), 1, 1);
    return box;
}

QWidget* MainWindowView::buildPlotArea() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* tools = new QHBoxLayout;
    for (const char* name : {"Cmd_groupplot", "Cmd_barplot", "Cmd_gridplot", "Cmd_histoplot",
                             "cmd_pgdown", "cmd_pgup"}) {
        tools->addWidget(button(name));
    }
    tools->addStretch(1);
    tools->addWidget(named(new QLabel, "lbl_temperature"));
    tools->addSpacing(12);
    tools->addWidget(caption("Bin (min)"));
    tools->addWidget(named(new QComboBox, "combo_minutes"));
    layout->addLayout(tools);
    auto* autorestart = named(new QLabel, "lbl_autorestart");
    autorestart->setStyleSheet("color: #a00000; font-weight: bold;");
    layout->addWidget(autorestart);
    plot_ = named(new CanvasWidget, "Picact");
    layout->addWidget(plot_, 1);
    layout->addWidget(buildSignalArea());
    layout->addWidget(named(new QCheckBox, "chk_bodybends"));
    layout->addWidget(buildStatusPanel());
    return area;
}

// The signal view of one channel, with the group, well and beam pickers and the zoom.
QWidget* MainWindowView::buildSignalArea() {
    auto* area = new QWidget;
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    auto* pickers = new QGridLayout;
    auto* group = named(new QComboBox, "combogrup");
    group->setMinimumWidth(120);
    pickers->addWidget(group, 0, 0, 1, 3);
    auto* channels = named(new QListWidget, "lstgrup");
    channels->setFixedWidth(120);
    pickers->addWidget(channels, 1, 0, 3, 1);
    pickers->addWidget(caption("Row"), 1, 1);
    pickers->addWidget(named(new QComboBox, "Combofila"), 1, 2);
    pickers->addWidget(caption("Column"), 2, 1);
    pickers->addWidget(named(new QComboBox, "Combocol"), 2, 2);
    auto* beam = new QHBoxLayout;
    beam->addWidget(button("cmdbeam_minus"));
    beam->addWidget(textBox("txtbeam", 36, true));
    beam->addWidget(button("cmdbeam_plus"));
    pickers->addLayout(beam, 3, 1, 1, 2);
    auto* zoom = new QHBoxLayout;
    zoom->addWidget(caption("Zoom"));
    zoom->addWidget(button("Cmdzoom_minus"));
    zoom->addWidget(textBox("txtzoom", 32, true));
    zoom->addWidget(button("Cmdzoom_plus"));
    pickers->addLayout(zoom, 4, 0, 1, 3);
    pickers->addWidget(named(new QLabel, "lbl_sample"), 5, 0, 1, 3);
    row->addLayout(pickers);
    auto* signal = named(new CanvasWidget, "Picreal");
    signal->setFixedHeight(170);
    row->addWidget(signal, 1);
    return area;
}

QWidget* MainWindowView::buildStatusPanel() {
    auto* panel = named(new QGroupBox, "frm_autotext");
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(named(new QLabel, "lbl_autotext"));
    layout->addWidget(named(new QLabel, "lbl_autochannel"));
    layout->addWidget(named(new QLabel, "lblcalibrando"));
    auto* bar = named(new CanvasWidget, "picturecal");
    bar->setFixedHeight(12);
    layout->addWidget(bar);
    return panel;
}

QDialog* MainWindowView::buildAbout() {
    auto* about = named(new QDialog(this), "Frm_About");
    auto* layout = new QVBoxLayout(about);
    auto* text = new QLabel(
        "<h3>Quorvel Acquisition Software</h3>"
        "<p>Acquisition and analysis for the Quorvel activity monitor:<br>"
        "384 infrared microbeams on a 16 x 24 grid.</p>");
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, about, &QDialog::accept);
    connect(about, &QDialog::finished, this,
            [this] { binding_->handle([this] { logic_.Frm_About.visible = false; }); });
    return about;
}

void MainWindowView::bindHandlers() {
    ControlBinding& b = *binding_;
    b.on("Timerinicio", [this] { logic_.Timerinicio_Timer(); });
    b.on("chk_bodybends", [this] { logic_.chk_bodybends_Click(); });
    b.on("Cmb_organism", [this] { logic_.Cmb_organism_Click(); });
    b.on("lbl_umbral", [this] { logic_.lbl_umbral_Click(); });
    b.on("mncal_on", [this] { logic_.mncal_on_Click(); });
    b.on("mncal_off", [this] { logic_.mncal_off_Click(); });
    b.on("mnCalibra", [this] { logic_.mnCalibra_Click(); });
    b.on("mnZero", [this] { logic_.mnZero_Click(); });
    b.on("mncontent", [this] { logic_.mncontent_Click(); });
    b.on("mnabout", [this] { logic_.mnabout_Click(); });
    b.on("mnexit", [this] { logic_.Form_Unload(); });
    b.on("cmd_connect", [this] { logic_.cmd_connect_Click(); });
    b.on("Cmdsetup", [this] { logic_.Cmdsetup_Click(); });
    b.on("CmdPlay", [this] { logic_.CmdPlay_Click(); });
    b.on("CmdPause", [this] { logic_.CmdPause_Click(); });
    b.on("CmdStop", [this] { logic_.CmdStop_Click(); });
    b.on("Timeradq", [this] { logic_.Timeradq_Timer(); });
    bindLiveDisplay();
    b.on("Cmdoffline", [this] { logic_.Cmdoffline_Click(); });
    b.on("Cmd_disconnect", [this] { logic_.Cmd_disconnect_Click(); });
    for (int n = 1; n <= device::kSearchPorts; ++n) {
        const std::string name = "mncom1_" + std::to_string(n);
        b.on(name.c_str(), [this, n] { logic_.mncom1_Click(n); });
    }
    bindReportHandlers();
    bindCareHandlers();
}

// Calibration, light and temperature, and the device test.
void MainWindowView::bindCareHandlers() {
    ControlBinding& b = *binding_;
    b.on("cmd_calibra", [this] { logic_.cmd_calibra_Click(); });
    b.on("Cmd_autozero", [this] { logic_.Cmd_autozero_Click(); });
    b.on("Cmd_readblank", [this] { logic_.Cmd_readblank_Click(); });
    b.on("txt_snr_umbral", [this] { logic_.txt_snr_umbral_LostFocus(); });
    b.on("cmd_luz", [this] { logic_.cmd_luz_Click(); });
    b.on("cmd_frio", [this] { logic_.cmd_frio_Click(); });
    b.on("cmd_ontemp", [this] { logic_.cmd_ontemp_Click(); });
    b.on("Cmd_settemp", [this] { logic_.Cmd_settemp_Click(); });
    b.on("cmd_cyclepulse", [this] { logic_.cmd_cyclepulse_Click(); });
    b.on("Chk_lenabled", [this] { logic_.Chk_lenabled_Click(); });
    b.on("Chk_tenabled", [this] { logic_.Chk_tenabled_Click(); });
    b.on("lght_ctl", [this] { logic_.lght_ctl_Click(); });
    b.on("temp_ctl", [this] { logic_.temp_ctl_Click(); });
    b.on("txt_lon", [this] { logic_.txt_lon_LostFocus(); });
    b.on("txt_loff", [this] { logic_.txt_loff_LostFocus(); });
    b.on("txt_pulsetimes", [this] { logic_.txt_pulsetimes_LostFocus(); });
    b.on("txt_pulseon", [this] { logic_.txt_pulseon_LostFocus(); });
    b.on("txt_pulseoff", [this] { logic_.txt_pulseoff_LostFocus(); });
    b.on("txttemp", [this] { logic_.txttemp_LostFocus(); });
    b.on("mnstatustest", [this] { logic_.mnstatustest_Click(); });
    b.on("mn_arena", [this] { logic_.mn_arena_Click(); });
    b.on("mn_factory", [this] { logic_.mn_factory_Click(); });
    b.on("Timer_test", [this] { logic_.Timer_test_Timer(); });
    // After the device test the plot shows its resting picture until a run draws into it.
    logic_.selfTest.restoreActivityPicture = [this] { logic_.display().Picact_Resize(); };
}

// The Report menu and "Show my report". Choosing "User Defined BIN size" changes no check
// mark by itself (Apply and Back to Default do), so the mark Qt toggled is put back first.
void MainWindowView::bindReportHandlers() {
    auto* userBin = findChild<QAction*>("mn_userbin");
    connect(userBin, &QAction::triggered, this, [this, userBin] {
        userBin->setChecked(logic_.mn_userbin.checked);
        binding_->handle([this] { logic_.mn_userbin_Click(); });
    });
    binding_->on("Cmd_showreport", [this] { logic_.Cmd_showreport_Click(); });
    binding_->on("mn_reportwindow", [this] { logic_.mn_reportwindow_Click(); });
    binding_->on("mn_quickreport", [this] { logic_.mn_quickreport_Click(); });
}

void MainWindowView::bindLiveDisplay() {
    ControlBinding& b = *binding_;
    LiveDisplay& d = logic_.display();
    b.on("Cmd_groupplot", [&d] { d.Cmd_groupplot_Click(); });
    b.on("Cmd_barplot", [&d] { d.Cmd_barplot_Click(); });
    b.on("Cmd_gridplot", [&d] { d.Cmd_gridplot_Click(); });
    b.on("Cmd_histoplot", [&d] { d.Cmd_histoplot_Click(); });
    b.on("cmd_pgup", [&d] { d.cmd_pgup_Click(); });
    b.on("cmd_pgdown", [&d] { d.cmd_pgdown_Click(); });
    b.on("Cmdzoom_plus", [&d] { d.Cmdzoom_plus_Click(); });
    b.on("Cmdzoom_minus", [&d] { d.Cmdzoom_minus_Click(); });
    b.on("combogrup", [&d] { d.combogrup_Click(); });
    b.on("lstgrup", [&d] { d.lstgrup_Click(); });
    b.on("cmdbeam_plus", [&d] { d.cmdbeam_plus_Click(); });
    b.on("cmdbeam_minus", [&d] { d.cmdbeam_minus_Click(); });
    b.on("Combocol", [&d] { d.Combocol_Click(); });
    b.on("Combofila", [&d] { d.Combofila_Click(); });
    b.on("Picact", [&d] { d.Picact_Resize(); });
    b.on("Picreal", [&d] { d.Picreal_Resize(); });
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    if (!logic_.ended()) {
        binding_->handle([this] { logic_.Form_Unload(); });
    }
    event->accept();
}

// Shown counts as activated: a window shown without the focus (another program has it, or no
// display at all) still shows the current project.
void MainWindowView::showEvent(QShowEvent* event) {
    binding_->handle([this] { logic_.Form_Activate(); });
    QMainWindow::showEvent(event);
}

void MainWindowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        binding_->handle([this] { logic_.Form_Activate(); });
    }
    QMainWindow::changeEvent(event);
}

}  // namespace qv::app
