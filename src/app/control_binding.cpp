#include "app/control_binding.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

#include "app/qt_canvas.h"
#include "app/qt_text.h"
#include "common/canvas.h"

namespace qv::app {

namespace {

// Text boxes report leaving the focus through this filter.
class FocusOutFilter : public QObject {
  public:
    FocusOutFilter(QObject* parent, std::function<void()> onFocusOut)
        : QObject(parent), onFocusOut_(std::move(onFocusOut)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            onFocusOut_();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onFocusOut_;
};

// Labels report a click through this filter.
class ClickFilter : public QObject {
  public:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent), onClick_(std::move(onClick)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            onClick_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onClick_;
};

// Double-clicks reach a handler through this filter.
class DoubleClickFilter : public QObject {
  public:
    DoubleClickFilter(QObject* parent, std::function<void()> onDoubleClick)
        : QObject(parent), onDoubleClick_(std::move(onDoubleClick)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) {
            onDoubleClick_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onDoubleClick_;
};

// Mouse events on a picture, turned into the picture's user coordinates.
class PictureMouseFilter : public QObject {
  public:
    PictureMouseFilter(CanvasWidget* picture, std::function<void(const MouseEvent&)> handler)
        : QObject(picture), picture_(picture), handler_(std::move(handler)) {
        picture->setMouseTracking(true);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        MouseEvent::Kind kind;
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                kind = MouseEvent::Kind::Down;
                break;
            case QEvent::MouseMove:
                kind = MouseEvent::Kind::Move;
                break;
            case QEvent::MouseButtonRelease:
                kind = MouseEvent::Kind::Up;
                break;
            case QEvent::MouseButtonDblClick:
                kind = MouseEvent::Kind::DoubleClick;
                break;
            default:
                return QObject::eventFilter(watched, event);
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const CanvasMapping& m = picture_->canvas().mapping();
        MouseEvent e;
        e.kind = kind;
        e.x = m.toUserX(mouse->position().x());
        e.y = m.toUserY(mouse->position().y());
        const Qt::MouseButtons held =
            kind == MouseEvent::Kind::Move ? mouse->buttons() : Qt::MouseButtons(mouse->button());
        e.button = (held & Qt::LeftButton ? 1 : 0) | (held & Qt::RightButton ? 2 : 0) |
                   (held & Qt::MiddleButton ? 4 : 0);
        handler_(e);
        return true;
    }

  private:
    CanvasWidget* picture_;
    std::function<void(const MouseEvent&)> handler_;
};

void setTextIfChanged(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
    }
}

// Multi-line boxes show the core's CR LF line ends as Qt's line feeds and give them back so.
void applyPlainText(QPlainTextEdit* edit, const Control& c) {
    QString text = toQt(c.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (edit->toPlainText() != text) {
        const QSignalBlocker block(edit);
        edit->setPlainText(text);
    }
}

std::string plainTextOf(const QPlainTextEdit* edit) {
    QString text = edit->toPlainText();
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return fromQt(text);
}

void applySlider(QAbstractSlider* slider, const Control& c) {
    const QSignalBlocker block(slider);
    slider->setRange(c.minimum, std::max(c.minimum, c.maximum));
    slider->setValue(c.value);
}

void applyCombo(QComboBox* combo, const Control& c) {
    QStringList items;
    for (const auto& item : c.items) {
        items << toQt(item);
    }
    QStringList current;
    for (int i = 0; i < combo->count(); ++i) {
        current << combo->itemText(i);
    }
    const QSignalBlocker block(combo);
    if (current != items) {
        combo->clear();
        combo->addItems(items);
    }
    combo->setCurrentIndex(c.listIndex);
    if (combo->isEditable()) {
        combo->setEditText(toQt(c.text));
    }
}

void applyList(QListWidget* list, const Control& c) {
    QStringList items;
    for (const auto& item : c.items) {
        items << toQt(item);
    }
    QStringList current;
    for (int i = 0; i < list->count(); ++i) {
        current << list->item(i)->text();
    }
    const QSignalBlocker block(list);
    list->setSelectionMode(c.multiSelect ? QAbstractItemView::ExtendedSelection
                                         : QAbstractItemView::SingleSelection);
    if (current != items) {
        list->clear();
        list->addItems(items);
    }
    list->setCurrentRow(c.listIndex);
    if (c.multiSelect) {
        list->clearSelection();
        for (int row : c.selectedRows) {
            if (row >= 0 && row < list->count()) {
                list->item(row)->setSelected(true);
            }
        }
    }
}

// A back colour goes into the widget's style sheet after the style the view gave it in the
// "qvStyle" property (a lamp keeps its round outline); -1 gives the view's style back.
void applyBackColor(QWidget* w, std::int32_t packed) {
    const QVariant applied = w->property("qvBackColor");
    if (applied.isValid() ? applied.toInt() == packed : packed < 0) {
        return;
    }
    w->setProperty("qvBackColor", packed);
    QString style = w->property("qvStyle").toString();
    if (packed >= 0) {
        const Color c = Color::fromPacked(packed);
        style += QStringLiteral("background-color: rgb(%1, %2, %3);").arg(c.r).arg(c.g).arg(c.b);
    }
    w->setStyleSheet(style);
}

}  // namespace

ControlBinding::ControlBinding(Controls& controls, QWidget& window)
    : QObject(&window), controls_(controls), window_(window) {
    for (const Control& c : controls_) {
        if (c.kind == ControlKind::Timer) {
            auto* timer = new QTimer(this);
            timer->setObjectName(QString::fromStdString(c.name));
            timers_.push_back(timer);
        }
    }
    attachCanvases();
}

// The logic draws on the widgets' own canvases.
void ControlBinding::attachCanvases() {
    for (Control& c : controls_) {
        if (c.kind == ControlKind::Picture) {
            if (auto* picture = qobject_cast<CanvasWidget*>(target(c))) {
                c.canvas = &picture->canvas();
            }
        }
    }
}

QObject* ControlBinding::target(const Control& c) const {
    const QString name = QString::fromStdString(c.name);
    if (c.kind == ControlKind::Form && window_.objectName() == name) {
        return &window_;
    }
    if (c.kind == ControlKind::Timer) {
        for (QTimer* t : timers_) {
            if (t->objectName() == name) {
                return t;
            }
        }
        return nullptr;
    }
    return window_.findChild<QObject*>(name);
}

// The window itself comes last: showing it runs handlers (activation) that first read every
// widget back, so the widgets must already hold what the logic set.
void ControlBinding::apply() {
    const Control* form = nullptr;
    for (const Control& c : controls_) {
        if (c.kind == ControlKind::Form && target(c) == &window_) {
            form = &c;
        } else if (QObject* t = target(c)) {
            applyOne(c, t);
        }
    }
    if (form != nullptr) {
        applyOne(*form, &window_);
    }
}

void ControlBinding::applyOne(const Control& c, QObject* t) {
    const QString text = toQt(c.text);
    if (auto* timer = qobject_cast<QTimer*>(t)) {
        // A timer is restarted only when switched on, so a running interval is not reset.
        if (!c.enabled) {
            timer->stop();
        } else if (!timer->isActive() || timer->interval() != c.intervalMs) {
            timer->start(c.intervalMs);
        }
        return;
    }
    if (auto* action = qobject_cast<QAction*>(t)) {
        action->setText(text);
        action->setVisible(c.visible);
        action->setEnabled(c.enabled);
        action->setChecked(c.checked);
        return;
    }
    auto* w = qobject_cast<QWidget*>(t);
    if (w == nullptr) {
        return;
    }
    if (c.kind == ControlKind::Form) {
        w->setWindowTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        setTextIfChanged(edit, text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
        if (button->isCheckable()) {
            button->setChecked(c.checked);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        applyCombo(combo, c);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        applyList(list, c);
    } else if (auto* picture = qobject_cast<CanvasWidget*>(w)) {
        picture->update();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        applyPlainText(plain, c);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
        applySlider(slider, c);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(text);
    }
    applyBackColor(w, c.backColor);
    w->setEnabled(c.enabled);
    if (w->isWindow()) {
        if (w->isVisible() != c.visible) {
            w->setVisible(c.visible);
        }
    } else if (w->isVisibleTo(w->parentWidget()) != c.visible) {
        w->setVisible(c.visible);
    }
}

// What the user changed, read back before a handler runs (a handler may rely on it).
void ControlBinding::writeBack() {
    for (Control& c : controls_) {
        QObject* t = target(c);
        if (auto* edit = qobject_cast<QLineEdit*>(t)) {
            c.text = fromQt(edit->text());
        } else if (auto* check = qobject_cast<QAbstractButton*>(t); check && check->isCheckable()) {
            // Check boxes and the option buttons of an option group.
            c.checked = check->isChecked();
        } else if (auto* action = qobject_cast<QAction*>(t); action && action->isCheckable()) {
            c.checked = action->isChecked();
        } else if (auto* combo = qobject_cast<QComboBox*>(t)) {
            c.listIndex = combo->currentIndex();
            c.text = fromQt(combo->currentText());
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(t)) {
            c.text = plainTextOf(plain);
        } else if (auto* slider = qobject_cast<QAbstractSlider*>(t)) {
            c.value = slider->value();
        } else if (auto* list = qobject_cast<QListWidget*>(t)) {
            c.listIndex = list->currentRow();
            c.selectedRows.clear();
            for (int row = 0; row < list->count(); ++row) {
                if (list->item(row)->isSelected()) {
                    c.selectedRows.push_back(row);
                }
            }
        }
    }
}

void ControlBinding::handle(const std::function<void()>& handler) {
    writeBack();
    handler();
    emit handled();
}

void ControlBinding::on(const char* name, std::function<void()> handler) {
    Control* c = controls_.find(name);
    QObject* t = c != nullptr ? target(*c) : nullptr;
    if (t == nullptr) {
        return;
    }
    auto call = [this, handler = std::move(handler)] { handle(handler); };
    if (auto* timer = qobject_cast<QTimer*>(t)) {
        connect(timer, &QTimer::timeout, this, call);
    } else if (auto* action = qobject_cast<QAction*>(t)) {
        connect(action, &QAction::triggered, this, call);
    } else if (auto* button = qobject_cast<QAbstractButton*>(t)) {
        connect(button, &QAbstractButton::clicked, this, call);
    } else if (auto* combo = qobject_cast<QComboBox*>(t)) {
        connect(combo, qOverload<int>(&QComboBox::activated), this, call);
    } else if (auto* list = qobject_cast<QListWidget*>(t)) {
        connect(list, &QListWidget::itemClicked, this, call);
    } else if (auto* picture = qobject_cast<CanvasWidget*>(t)) {
        connect(picture, &CanvasWidget::resized, this, call);
    } else if (auto* bar = qobject_cast<QScrollBar*>(t)) {
        // A change is where the user let go (or an arrow's step), not every position of a drag.
        bar->setTracking(false);
        connect(bar, &QScrollBar::valueChanged, this, call);
    } else if (auto* edit = qobject_cast<QLineEdit*>(t)) {
        edit->installEventFilter(new FocusOutFilter(edit, call));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(t)) {
        plain->installEventFilter(new FocusOutFilter(plain, call));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(t)) {
        connect(slider, &QAbstractSlider::valueChanged, this, call);
    } else if (auto* w = qobject_cast<QWidget*>(t)) {
        w->installEventFilter(new ClickFilter(w, call));
    }
}

void ControlBinding::onDoubleClick(const char* name, std::function<void()> handler) {
    Control* c = controls_.find(name);
    QObject* t = c != nullptr ? target(*c) : nullptr;
    auto call = [this, handler = std::move(handler)] { handle(handler); };
    if (auto* list = qobject_cast<QListWidget*>(t)) {
        connect(list, &QListWidget::itemDoubleClicked, this, call);
    } else if (auto* w = qobject_cast<QWidget*>(t)) {
        w->installEventFilter(new DoubleClickFilter(w, call));
    }
}

void ControlBinding::onMouse(const char* name, std::function<void(const MouseEvent&)> handler) {
    Control* c = controls_.find(name);
    auto* picture = c != nullptr ? qobject_cast<CanvasWidget*>(target(*c)) : nullptr;
    if (picture == nullptr) {
        return;
    }
    picture->installEventFilter(
        new PictureMouseFilter(picture, [this, handler = std::move(handler)](const MouseEvent& e) {
            handle([&] { handler(e); });
        }));
}

std::vector<std::string> ControlBinding::unboundControls() const {
    std::vector<std::string> missing;
    for (const Control& c : controls_) {
        if (target(c) == nullptr) {
            missing.push_back(c.name);
        }
    }
    return missing;
}

}  // namespace qv::app
