#include "app/factory_view.h"
#include "app/widget_makers.h"

#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qv::app {

namespace {

QLineEdit* shownBox(const char* name, int width) {
    auto* box = named(new QLineEdit, name);
    box->setReadOnly(true);
    box->setFixedWidth(width);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

}  // namespace

FactoryView::FactoryView(FactoryWindow& logic) : logic_(logic) {
    setObjectName("Frm_Factory");
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    auto* serial = named(new QLabel, "lblserial");
    QFont bold = serial->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    serial->setFont(bold);
    grid->addWidget(serial, 0, 0, 1, 3);
    grid->addWidget(shownBox("txt_mensaje", 330), 1, 0, 1, 3);
    grid->addWidget(new QLabel("Plate temperature [\u00B0C]"), 2, 0);
    auto* current = shownBox("txt_current_temp", 80);
    current->setFont(bold);
    current->setAlignment(Qt::AlignRight);
    grid->addWidget(current, 2, 1);
    grid->addWidget(new QLabel("Reference thermometer [\u00B0C]"), 3, 0);
    auto* reference = named(new QLineEdit, "txt_set_temp");
    reference->setFixedWidth(80);
    reference->setAlignment(Qt::AlignRight);
    grid->addWidget(reference, 3, 1);
    auto* set = named(new QPushButton, "Cmd_temp");
    grid->addWidget(set, 3, 2);
    binding_ = new ControlBinding(logic_.controls, *this);
    binding_->on("Cmd_temp", [this] { logic_.Cmd_temp_Click(); });
    binding_->on("Timer_temp", [this] { logic_.Timer_temp_Timer(); });
}

// Shown counts as activated, so the temperature runs even when another program has the focus.
void FactoryView::showEvent(QShowEvent* event) {
    binding_->handle([this] {
        logic_.Form_Load();
        logic_.Form_Activate();
    });
    QWidget::showEvent(event);
}

void FactoryView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isVisible()) {
        const bool active = isActiveWindow();
        binding_->handle([this, active] {
            if (active) {
                logic_.Form_Activate();
            } else {
                logic_.Form_Deactivate();
            }
        });
    }
    QWidget::changeEvent(event);
}

void FactoryView::closeEvent(QCloseEvent* event) {
    if (logic_.Frm_Factory.visible) {
        binding_->handle([this] { logic_.Form_Unload(); });
    }
    event->accept();
}

}  // namespace qv::app
