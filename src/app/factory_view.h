#pragma once

#include <QWidget>

#include "app/control_binding.h"
#include "tools/factory_window.h"

namespace qv::app {

// The Qt window of "Factory Settings" Frm_Factory: the serial number, the calibration state,
// the live temperature and the reference typed for "SET".
class FactoryView : public QWidget {
    Q_OBJECT
  public:
    explicit FactoryView(FactoryWindow& logic);

    ControlBinding& binding() { return *binding_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    FactoryWindow& logic_;
    ControlBinding* binding_ = nullptr;
};

}  // namespace qv::app
