#pragma once

#include <QMainWindow>

#include "acquisition/main_window.h"
#include "app/control_binding.h"

class QDialog;
class QGroupBox;
class QMenu;

namespace qv::app {

class CanvasWidget;

// The Qt window of the acquisition window: menus, tool panels, run and plot controls, the live
// plot area and the status panel. Everything it shows comes from the MainWindow logic.
class MainWindowView : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindowView(MainWindow& logic);

    ControlBinding& binding() { return *binding_; }
    CanvasWidget& plot() { return *plot_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildMenus();
    QWidget* buildLeftColumn();
    QWidget* buildPlotArea();
    QGroupBox* buildProjectBox();
    QGroupBox* buildRunBox();
    QGroupBox* buildCalibrationPanel();
    QGroupBox* buildLightPanel();
    QGroupBox* buildTemperaturePanel();
    QWidget* buildStatusPanel();
    QDialog* buildAbout();
    void bindHandlers();
    QWidget* buildSignalArea();
    void bindLiveDisplay();
    void bindReportHandlers();
    void bindCareHandlers();

    MainWindow& logic_;
    ControlBinding* binding_ = nullptr;
    CanvasWidget* plot_ = nullptr;
};

}  // namespace qv::app
