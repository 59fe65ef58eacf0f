#pragma once

#include <QMainWindow>

#include "app/control_binding.h"
#include "setup/setup_window.h"

class QGroupBox;

namespace qv {
class MainWindow;
class StartScreen;
}  // namespace qv

namespace qv::app {

class CanvasWidget;

// The Qt window of the project setup: the project section and the acquisition parameters on
// the left, the plate picture and the group lists on the right. Everything it shows comes
// from the SetupWindow logic; it runs the logic's load step whenever it is shown.
class SetupWindowView : public QMainWindow {
    Q_OBJECT
  public:
    explicit SetupWindowView(SetupWindow& logic);

    ControlBinding& binding() { return *binding_; }
    CanvasWidget& plate() { return *plate_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* buildLeftColumn();
    QGroupBox* buildProjectBox();
    QGroupBox* buildProjectList();
    QGroupBox* buildParameters();
    QGroupBox* buildAdvanced();
    QWidget* buildPlateArea();
    QWidget* buildGroupColumn();
    void bindProject();
    void bindPlate();
    void bindParameters();

    SetupWindow& logic_;
    ControlBinding* binding_ = nullptr;
    CanvasWidget* plate_ = nullptr;
};

// What the setup window reaches of the main window and the start screen.
SetupNeighbours setupNeighbours(MainWindow& main, StartScreen& init);

}  // namespace qv::app
