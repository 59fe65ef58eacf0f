#pragma once

#include <QWidget>

#include "app/control_binding.h"
#include "tools/arena_window.h"

namespace qv::app {

// The Qt window of the channel calibration arena Frm_Arena: the live signal and the pixel map
// on the left, the channel, its settings, the calibration and the gain-curve test on the right.
class ArenaView : public QWidget {
    Q_OBJECT
  public:
    explicit ArenaView(ArenaWindow& logic);

    ControlBinding& binding() { return *binding_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildPictures();
    QWidget* buildChannelPanel();
    QWidget* buildCalibrationPanel();
    void bindHandlers();

    ArenaWindow& logic_;
    ControlBinding* binding_ = nullptr;
};

}  // namespace qv::app
