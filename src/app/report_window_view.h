#pragma once

#include <QWidget>

#include "analysis/report_window.h"
#include "app/control_binding.h"

class QGroupBox;

namespace qv::app {

// The Qt window of the report window "Report Output": the acquisition, the report settings,
// Generate, and the re-analysis panel that "Analyze Raw Data" shows below them (the window
// grows to hold it).
class ReportWindowView : public QWidget {
    Q_OBJECT
  public:
    explicit ReportWindowView(ReportWindow& logic);

    ControlBinding& binding() { return *binding_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QGroupBox* buildSettings();
    QGroupBox* buildReanalysis();
    void bindHandlers();

    ReportWindow& logic_;
    ControlBinding* binding_ = nullptr;
};

}  // namespace qv::app
