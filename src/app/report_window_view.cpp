#include "app/report_window_view.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>

#include "app/report_controls.h"

namespace qv::app {

using namespace report_controls;

ReportWindowView::ReportWindowView(ReportWindow& logic) : logic_(logic) {
    setObjectName("frm_report");
    auto* layout = new QVBoxLayout(this);
    // The window fits what it shows: it grows when the re-analysis panel appears.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* menus = new QMenuBar;
    QMenu* data = menus->addMenu("&Data");
    data->addAction(QString())->setObjectName("mn_analyzeraw");
    data->addAction(QString())->setObjectName("mn_exportwells");
    layout->setMenuBar(menus);

    auto* input = new QHBoxLayout;
    input->addWidget(new QLabel("Acquisition"));
    auto* folder = named(new QLineEdit, "Txt_inputfile");
    folder->setMinimumWidth(480);
    input->addWidget(folder, 1);
    layout->addLayout(input);
    layout->addWidget(buildSettings());
    auto* generate = new QHBoxLayout;
    generate->addWidget(named(new QCheckBox, "chk_autoreport"));
    generate->addStretch(1);
    auto* go = named(new QPushButton, "Cmd_generate");
    go->setMinimumWidth(140);
    go->setDefault(true);
    generate->addWidget(go);
    layout->addLayout(generate);
    layout->addWidget(buildReanalysis());
    binding_ = new ControlBinding(logic_.controls, *this);
    bindHandlers();
}

QGroupBox* ReportWindowView::buildSettings() {
    auto* box = named(new QGroupBox, "Frame_settings");
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel("Bin size [min]"), 0, 0);
    grid->addWidget(binList(), 0, 1);
    grid->addWidget(new QLabel("spacer ="), 0, 2, Qt::AlignRight);
    grid->addWidget(spacerBox(), 0, 3, Qt::AlignLeft);
    grid->addWidget(optionGroup("File type", "Option_report", 2), 1, 0, 1, 2);
    grid->addWidget(optionGroup("Output", "Option_output", 5), 1, 2, 2, 2);
    grid->addWidget(statisticBoxes(), 2, 0, 1, 2);
    grid->addWidget(new QLabel("Basal measurement"), 3, 0);
    auto* basal = named(new QComboBox, "cmbbasal");
    basal->setMinimumWidth(300);
    grid->addWidget(basal, 3, 1, 1, 3);
    return box;
}

QGroupBox* ReportWindowView::buildReanalysis() {
    auto* box = named(new QGroupBox, "Frame_reanalysis");
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel("Method"), 0, 0);
    grid->addWidget(named(new QComboBox, "Cmb_dspmethod"), 0, 1, 1, 3);
    grid->addWidget(new QLabel("Organism"), 1, 0);
    grid->addWidget(named(new QComboBox, "Cmb_organism"), 1, 1);
    grid->addWidget(new QLabel("SNR"), 1, 2, Qt::AlignRight);
    auto* snr = named(new QLineEdit, "frmtxt_threshold");
    snr->setFixedWidth(60);
    grid->addWidget(snr, 1, 3);
    grid->addWidget(new QLabel("Data [hours]"), 2, 0);
    auto* lapse = named(new QLineEdit, "frmtxt_datalapse");
    lapse->setFixedWidth(60);
    grid->addWidget(lapse, 2, 1);
    grid->addWidget(named(new QCheckBox, "Chk_replacedata"), 2, 2, 1, 2);
    grid->addWidget(named(new QCheckBox, "Chk_rawexport"), 3, 2, 1, 2);
    auto* status = named(new QLabel, "frmlbl_status");
    status->setFrameShape(QFrame::Panel);
    status->setFrameShadow(QFrame::Sunken);
    status->setMinimumWidth(160);
    grid->addWidget(status, 4, 0, 1, 2);
    grid->addWidget(named(new QPushButton, "cmd_runframe"), 4, 2);
    grid->addWidget(named(new QPushButton, "cmd_stopframe"), 4, 3);
    return box;
}

void ReportWindowView::bindHandlers() {
    ControlBinding& b = *binding_;
    ReportWindow& w = logic_;
    b.on("Txt_inputfile", [&w] { w.Txt_inputfile_LostFocus(); });
    b.on("Option_report_0", [&w] { w.Option_report_Click(0); });
    b.on("Option_report_1", [&w] { w.Option_report_Click(1); });
    b.on("Cmd_generate", [&w] { w.Cmd_generate_Click(); });
    b.on("mn_exportwells", [&w] { w.mn_exportwells_Click(); });
    b.on("mn_analyzeraw", [&w] { w.mn_analyzeraw_Click(); });
    b.on("Chk_rawexport", [&w] { w.Chk_rawexport_Click(); });
    b.on("Chk_replacedata", [&w] { w.Chk_replacedata_Click(); });
    b.on("Cmb_organism", [&w] { w.Cmb_organism_Click(); });
    b.on("frmtxt_threshold", [&w] { w.frmtxt_threshold_LostFocus(); });
    b.on("cmd_runframe", [&w] { w.cmd_runframe_Click(); });
    b.on("cmd_stopframe", [&w] { w.cmd_stopframe_Click(); });
}

void ReportWindowView::closeEvent(QCloseEvent* event) {
    binding_->handle([this] { logic_.Form_Unload(); });
    event->accept();
}

void ReportWindowView::showEvent(QShowEvent* event) {
    binding_->handle([this] { logic_.Form_Activate(); });
    QWidget::showEvent(event);
}

void ReportWindowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        binding_->handle([this] { logic_.Form_Activate(); });
    }
    QWidget::changeEvent(event);
}

}  // namespace qv::app
