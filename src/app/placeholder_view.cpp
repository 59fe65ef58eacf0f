#include "app/placeholder_view.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt_text.h"

namespace qv::app {

PlaceholderView::PlaceholderView(Controls& controls, Control& form, std::function<void()> back) {
    setObjectName(QString::fromStdString(form.name));
    setMinimumSize(420, 160);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(toQt(form.text) + " - not available in this version yet."));
    auto* backButton = new QPushButton("<< Back");
    layout->addWidget(backButton);
    binding_ = new ControlBinding(controls, *this);
    connect(backButton, &QPushButton::clicked, this,
            [this, back = std::move(back)] { binding_->handle(back); });
}

}  // namespace qv::app
