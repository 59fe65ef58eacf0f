#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QVBoxLayout>

// Widgets of the report windows, made under the control names their logic gives them.
namespace qv::app::report_controls {

template <class W>
W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

inline QLineEdit* spacerBox() {
    auto* spacer = named(new QLineEdit, "txt_customspacer");
    spacer->setFixedWidth(60);
    return spacer;
}

inline QComboBox* binList() {
    auto* bins = named(new QComboBox, "Cmb_binsize");
    // Any typed number is accepted as well as the listed sizes.
    bins->setEditable(true);
    bins->setInsertPolicy(QComboBox::NoInsert);
    bins->setFixedWidth(90);
    return bins;
}

// A framed option group; its buttons are exclusive among themselves only.
inline QGroupBox* optionGroup(const char* title, const char* name, int count) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < count; ++i) {
        layout->addWidget(named(new QRadioButton, QStringLiteral("%1_%2").arg(name).arg(i)));
    }
    layout->addStretch(1);
    return box;
}

inline QGroupBox* statisticBoxes() {
    auto* box = new QGroupBox("Statistics");
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < 5; ++i) {
        layout->addWidget(named(new QCheckBox, QStringLiteral("Chk_statistic_%1").arg(i)));
    }
    layout->addStretch(1);
    return box;
}

}  // namespace qv::app::report_controls
