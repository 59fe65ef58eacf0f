#include "app/arena_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/qt_canvas.h"
#include "app/widget_makers.h"

namespace qv::app {

namespace {

QLineEdit* box(const char* name, int width, bool readOnly = false) {
    auto* e = named(new QLineEdit, name);
    e->setFixedWidth(width);
    e->setReadOnly(readOnly);
    if (readOnly) {
        e->setFocusPolicy(Qt::NoFocus);
    }
    return e;
}

QScrollBar* settingBar(const char* name) {
    auto* bar = named(new QScrollBar(Qt::Horizontal), name);
    bar->setPageStep(1);
    bar->setMinimumWidth(150);
    return bar;
}

}  // namespace

ArenaView::ArenaView(ArenaWindow& logic) : logic_(logic) {
    setObjectName("Frm_Arena");
    auto* columns = new QHBoxLayout(this);
    columns->addWidget(buildPictures(), 1);
    auto* right = new QWidget;
    right->setFixedWidth(330);
    auto* panel = new QVBoxLayout(right);
    panel->setContentsMargins(0, 0, 0, 0);
    auto* live = new QHBoxLayout;
    live->addWidget(named(new QPushButton, "Cmd_online"));
    live->addWidget(named(new QPushButton, "Cmd_offline"));
    panel->addLayout(live);
    panel->addWidget(buildChannelPanel());
    panel->addWidget(buildCalibrationPanel());
    auto* progress = named(new QLabel, "lblprogress");
    progress->setToolTip("Click to stop");
    progress->setStyleSheet("background-color: rgb(255, 255, 192); padding: 3px;");
    panel->addWidget(progress);
    panel->addStretch(1);
    panel->addWidget(named(new QPushButton, "cmd_exit"));
    columns->addWidget(right);
    resize(1060, 680);
    binding_ = new ControlBinding(logic_.controls, *this);
    bindHandlers();
}

QWidget* ArenaView::buildPictures() {
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* real = named(new CanvasWidget, "Picreal");
    real->setMinimumSize(600, 200);
    layout->addWidget(real, 2);
    auto* well = named(new CanvasWidget, "Picwell");
    well->setMinimumSize(600, 360);
    layout->addWidget(well, 3);
    auto* look = new QHBoxLayout;
    look->addWidget(new QLabel("Pixel size"));
    look->addWidget(box("txt_pixel", 40));
    look->addWidget(new QLabel("Brillo Pixels"));
    look->addWidget(box("txt_brillo", 40));
    look->addWidget(new QLabel("Zoom"));
    look->addWidget(box("txt_zoom", 40));
    look->addWidget(named(new QPushButton, "Cmd_autoblank"));
    look->addStretch(1);
    layout->addLayout(look);
    return area;
}

QWidget* ArenaView::buildChannelPanel() {
    auto* group = new QGroupBox("Channel");
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel("Row"), 0, 0);
    grid->addWidget(named(new QComboBox, "Combofila"), 0, 1);
    grid->addWidget(new QLabel("Column"), 0, 2);
    grid->addWidget(named(new QComboBox, "Combocol"), 0, 3);
    grid->addWidget(new QLabel("CH"), 1, 0);
    grid->addWidget(named(new QLabel, "lblcanal"), 1, 1);
    auto* status = named(new QLabel, "lblstatus");
    status->setToolTip("Double-click to enable or disable the channel");
    status->setFrameShape(QFrame::Box);
    grid->addWidget(status, 1, 2, 1, 2);
    grid->addWidget(new QLabel("Gain"), 2, 0);
    grid->addWidget(settingBar("scrollgain"), 2, 1, 1, 2);
    grid->addWidget(box("txtgain", 36, true), 2, 3);
    grid->addWidget(new QLabel("Pinhole"), 3, 0);
    grid->addWidget(settingBar("scrollpower"), 3, 1, 1, 2);
    grid->addWidget(box("txtpower", 36, true), 3, 3);
    grid->addWidget(named(new QPushButton, "Cmd_setall"), 4, 0, 1, 4);
    auto* out = named(new QLabel, "lblout");
    out->setWordWrap(true);
    grid->addWidget(out, 5, 0, 1, 4);
    return group;
}

QWidget* ArenaView::buildCalibrationPanel() {
    auto* group = new QGroupBox("Calibration");
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel("Target [%]"), 0, 0);
    grid->addWidget(box("Txtajuste", 50), 0, 1);
    grid->addWidget(named(new QLabel, "lblband"), 0, 2);
    grid->addWidget(named(new QComboBox, "Combomode"), 1, 0, 1, 2);
    grid->addWidget(named(new QPushButton, "Cmdcalibrar"), 1, 2);
    grid->addWidget(named(new QPushButton, "cmd_setcalibra"), 2, 0, 1, 3);
    grid->addWidget(named(new QPushButton, "cmdTEST"), 3, 0, 1, 3);
    grid->addWidget(box("txt_test", 300, true), 4, 0, 1, 3);
    return group;
}

void ArenaView::bindHandlers() {
    ControlBinding& b = *binding_;
    ArenaWindow& a = logic_;
    b.on("Cmd_online", [&a] { a.Cmd_online_Click(); });
    b.on("Cmd_offline", [&a] { a.Cmd_offline_Click(); });
    b.on("Timerreal", [&a] { a.Timerreal_Timer(); });
    b.on("Picreal", [&a] { a.Picture_Resize(); });
    b.on("Picwell", [&a] { a.Picture_Resize(); });
    b.onMouse("Picwell", [&a](const MouseEvent& e) { a.Picwell_Mouse(e); });
    b.on("txt_pixel", [&a] { a.txt_pixel_LostFocus(); });
    b.on("txt_brillo", [&a] { a.txt_brillo_LostFocus(); });
    b.on("txt_zoom", [&a] { a.txt_zoom_LostFocus(); });
    b.on("Cmd_autoblank", [&a] { a.Cmd_autoblank_Click(); });
    b.on("Combofila", [&a] { a.Combofila_Click(); });
    b.on("Combocol", [&a] { a.Combocol_Click(); });
    b.on("scrollgain", [&a] { a.scrollgain_Change(); });
    b.on("scrollpower", [&a] { a.scrollpower_Change(); });
    b.on("Cmd_setall", [&a] { a.Cmd_setall_Click(); });
    b.on("Txtajuste", [&a] { a.Txtajuste_LostFocus(); });
    b.on("Cmdcalibrar", [&a] { a.Cmdcalibrar_Click(); });
    b.on("cmd_setcalibra", [&a] { a.cmd_setcalibra_Click(); });
    b.onDoubleClick("lblstatus", [&a] { a.lblstatus_DblClick(); });
    b.on("cmdTEST", [&a] { a.cmdTEST_Click(); });
    b.on("lblprogress", [&a] { a.lblprogress_Click(); });
    b.on("cmd_exit", [&a] { a.cmd_exit_Click(); });
}

// Every showing is a load: the readings start afresh from the saved settings.
void ArenaView::showEvent(QShowEvent* event) {
    binding_->handle([this] { logic_.Form_Load(); });
    QWidget::showEvent(event);
}

void ArenaView::closeEvent(QCloseEvent* event) {
    if (logic_.Frm_Arena.visible) {
        binding_->handle([this] { logic_.Form_Unload(); });
    }
    event->accept();
}

}  // namespace qv::app
