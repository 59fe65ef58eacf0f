#include "app/report_settings_view.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>

#include "app/report_controls.h"

namespace qv::app {

using namespace report_controls;

ReportSettingsView::ReportSettingsView(ReportSettingsWindow& logic) : logic_(logic) {
    setObjectName("Frm_reportset");
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(new QLabel("Bin size [min]"), 0, 0);
    grid->addWidget(binList(), 0, 1);
    grid->addWidget(new QLabel("spacer ="), 0, 2, Qt::AlignRight);
    grid->addWidget(spacerBox(), 0, 3);
    grid->addWidget(optionGroup("File type", "Option_report", 2), 1, 0, 1, 2);
    grid->addWidget(optionGroup("Output", "Option_output", 4), 1, 2, 2, 2);
    grid->addWidget(statisticBoxes(), 2, 0, 1, 2);
    grid->addWidget(named(new QCheckBox, "Chk_rawexport"), 3, 0, 1, 2);
    grid->addWidget(named(new QPushButton, "Cmd_cancel"), 4, 0, 1, 2);
    auto* apply = named(new QPushButton, "Cmd_generate");
    apply->setDefault(true);
    grid->addWidget(apply, 4, 2, 1, 2);
    binding_ = new ControlBinding(logic_.controls, *this);
    binding_->on("Cmd_generate", [this] { logic_.Cmd_generate_Click(); });
    binding_->on("Cmd_cancel", [this] { logic_.Cmd_cancel_Click(); });
}

void ReportSettingsView::closeEvent(QCloseEvent* event) {
    binding_->handle([this] { logic_.Form_Unload(); });
    event->accept();
}

}  // namespace qv::app
