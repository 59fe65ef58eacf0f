#pragma once

#include <QWidget>
#include <functional>

#include "app/control_binding.h"

namespace qv::app {

// Stands in for a window whose own work is still to come (project setup, offline browser):
// its title, a line saying so, and "<< Back" to the start screen.
class PlaceholderView : public QWidget {
    Q_OBJECT
  public:
    PlaceholderView(Controls& controls, Control& form, std::function<void()> back);

    ControlBinding& binding() { return *binding_; }

  private:
    ControlBinding* binding_ = nullptr;
};

}  // namespace qv::app
