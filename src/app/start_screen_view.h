#pragma once

#include <QWidget>

#include "acquisition/start_screen.h"
#include "app/control_binding.h"

namespace qv::app {

// The Qt window of the start screen: four framed options and the status line.
class StartScreenView : public QWidget {
    Q_OBJECT
  public:
    explicit StartScreenView(StartScreen& logic);

    ControlBinding& binding() { return *binding_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* makeOption(int n);

    StartScreen& logic_;
    ControlBinding* binding_ = nullptr;
};

}  // namespace qv::app
