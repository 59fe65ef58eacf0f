#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "common/controls.h"

class QTimer;

namespace qv::app {

// Ties one window logic's Controls to the widgets of its Qt window: each control is found by
// its name among the window's children (objectName), state flows from the logic to the widget
// on apply(), and what the user types, ticks or picks flows back into the control before any
// handler connected later runs.
class ControlBinding : public QObject {
    Q_OBJECT
  public:
    ControlBinding(Controls& controls, QWidget& window);

    // The window's form control (title, visibility, enabled) and every child control.
    void apply();
    // Calls the handler when the named control is used: a button or label clicked, a check
    // box or menu item toggled by the user, a list choice made, a timer ticking, a text box
    // (one line or several) losing the focus, a scroll bar moved. The handler runs after the
    // control holds the new state. A picture's handler runs when its widget is resized (the logic
    // redraws then).
    void on(const char* name, std::function<void()> handler);
    // Double-click on a list row, a text box or any other widget.
    void onDoubleClick(const char* name, std::function<void()> handler);
    // Mouse down, move, up and double-click on a picture, in its user coordinates.
    void onMouse(const char* name, std::function<void(const MouseEvent&)> handler);

    // Widgets and timers named in the logic but missing from the window: a window that
    // forgot a control fails its test instead of silently ignoring it.
    std::vector<std::string> unboundControls() const;

    // Runs a handler of this window the way on() does: the user's changes written back
    // first, handled() emitted after. For events that are no control's (hover, closing).
    void handle(const std::function<void()>& handler);

  signals:
    // Emitted after every handler, so every window of the program can follow.
    void handled();

  private:
    void writeBack();
    void attachCanvases();
    void applyOne(const Control& c, QObject* target);
    QObject* target(const Control& c) const;

    Controls& controls_;
    QWidget& window_;
    std::vector<QTimer*> timers_;
};

}  // namespace qv::app
