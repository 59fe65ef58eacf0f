#pragma once

#include <string>

#include "common/controls.h"
#include "common/ui.h"

namespace qv {

// Where a calibration and the auto-zero say how far they are: the status line
// `lbl_autochannel` and the bar `picturecal`, a line from the left edge 10 units high on a
// light yellow ground. Texts set here are painted when the work lets window events through.
class CalibrationStatus {
  public:
    CalibrationStatus(Control& line, Control& bar) : line_(line), bar_(bar) {}

    void show(const std::string& text) { line_.text = text; }
    // The bar's horizontal scale runs 0..right; the bar covers 0..length.
    void clearBar(double right);
    void bar(double length);

    const std::string& text() const { return line_.text; }
    const Control& lineControl() const { return line_; }

  private:
    Control& line_;
    Control& bar_;
    double right_ = 383;
};

}  // namespace qv
