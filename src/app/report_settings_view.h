#pragma once

#include <QWidget>

#include "analysis/report_settings_window.h"
#include "app/control_binding.h"

namespace qv::app {

// The Qt window of the report settings window "User Defined Report".
class ReportSettingsView : public QWidget {
    Q_OBJECT
  public:
    explicit ReportSettingsView(ReportSettingsWindow& logic);

    ControlBinding& binding() { return *binding_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    ReportSettingsWindow& logic_;
    ControlBinding* binding_ = nullptr;
};

}  // namespace qv::app
