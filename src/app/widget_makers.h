#pragma once

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QString>
#include <functional>
#include <utility>

// The widgets every window view makes, each under the name of the control it shows: the
// binding finds them by that objectName.
namespace qv::app {

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

inline QPushButton* button(const char* name) {
    return named(new QPushButton, name);
}

// A text box; width 0 leaves it to the layout.
inline QLineEdit* textBox(const char* name, int width = 0, bool readOnly = false) {
    auto* e = named(new QLineEdit, name);
    if (width > 0) {
        e->setFixedWidth(width);
    }
    e->setReadOnly(readOnly);
    return e;
}

inline QComboBox* comboBox(const char* name) {
    auto* c = named(new QComboBox, name);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

// A list at least `rows` lines high.
inline QListWidget* list(const char* name, int rows) {
    auto* l = named(new QListWidget, name);
    l->setMinimumHeight(rows * l->fontMetrics().height() + 8);
    return l;
}

inline QLabel* label(const char* name) {
    return named(new QLabel, name);
}

// A caption that is no control.
inline QLabel* caption(const char* text) {
    return new QLabel(text);
}

// A menu entry whose text comes from its control (none for a separator-like entry without a
// name).
inline QAction* menuItem(QMenu* menu, const char* name, bool checkable = false) {
    QAction* a = menu->addAction(QString());
    if (name != nullptr) {
        a->setObjectName(name);
    }
    a->setCheckable(checkable);
    return a;
}

// Enter in a widget does what `onEnter` does (a double-click on a list's current row, the
// button beside a box).
class EnterFilter : public QObject {
  public:
    EnterFilter(QObject* parent, std::function<void()> onEnter)
        : QObject(parent), onEnter_(std::move(onEnter)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnter_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onEnter_;
};

}  // namespace qv::app
