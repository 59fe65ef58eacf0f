#include "acquisition/calibration_status.h"

#include <algorithm>

#include "common/canvas.h"

namespace qv {

namespace {

constexpr Color kGround{255, 255, 192};
constexpr Color kBar{0, 0, 160};
constexpr double kHeight = 10;

}  // namespace

void CalibrationStatus::clearBar(double right) {
    right_ = right > 0 ? right : 1;
    if (Canvas* c = bar_.canvas) {
        c->scale(0, kHeight, right_, 0);
        c->clear(kGround);
    }
}

// Redrawn whole, so a bar that shrinks (the fast calibration's count of changed channels)
// shows its new length.
void CalibrationStatus::bar(double length) {
    if (Canvas* c = bar_.canvas) {
        c->scale(0, kHeight, right_, 0);
        c->clear(kGround);
        const double x = std::clamp(length, 0.0, right_);
        if (x > 0) {
            c->filledBox(0, 0, x, kHeight, kBar);
        }
    }
}

}  // namespace qv
