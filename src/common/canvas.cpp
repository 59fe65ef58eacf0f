#include "common/canvas.h"

#include <cmath>

namespace qv {

Color Color::fromPacked(std::int32_t packed) {
    return {static_cast<std::uint8_t>(packed & 0xff),
            static_cast<std::uint8_t>((packed >> 8) & 0xff),
            static_cast<std::uint8_t>((packed >> 16) & 0xff)};
}

CanvasMapping::CanvasMapping(int widthPx, int heightPx)
    : widthPx_(widthPx < 1 ? 1 : widthPx),
      heightPx_(heightPx < 1 ? 1 : heightPx),
      // A one-pixel surface still needs a user span to divide by.
      right_(widthPx_ > 1 ? widthPx_ - 1 : 1),
      bottom_(heightPx_ > 1 ? heightPx_ - 1 : 1) {}

void CanvasMapping::scale(double left, double top, double right, double bottom) {
    // A degenerate axis would divide by zero; keep the previous scale of that axis instead.
    if (right != left) {
        left_ = left;
        right_ = right;
    }
    if (bottom != top) {
        top_ = top;
        bottom_ = bottom;
    }
}

double CanvasMapping::toPixelX(double x) const {
    return (x - left_) * (widthPx_ - 1) / (right_ - left_);
}

double CanvasMapping::toPixelY(double y) const {
    return (y - top_) * (heightPx_ - 1) / (bottom_ - top_);
}

double CanvasMapping::toPixelWidth(double dx) const {
    return std::abs(dx * (widthPx_ - 1) / (right_ - left_));
}

double CanvasMapping::toUserWidth(double px) const {
    return std::abs(px * (right_ - left_) / (widthPx_ - 1));
}

double CanvasMapping::toUserX(double px) const {
    return left_ + px * (right_ - left_) / (widthPx_ - 1);
}

double CanvasMapping::toUserY(double px) const {
    return top_ + px * (bottom_ - top_) / (heightPx_ - 1);
}

double CanvasMapping::toUserHeight(double px) const {
    return std::abs(px * (bottom_ - top_) / (heightPx_ - 1));
}

void RecordingCanvas::scale(double left, double top, double right, double bottom) {
    mapping_.scale(left, top, right, bottom);
}

void RecordingCanvas::record(Call call) {
    call.lineWidth = lineWidth_;
    calls.push_back(std::move(call));
}

void RecordingCanvas::clear(Color background) {
    calls.clear();
    record({Op::Clear, 0, 0, 0, 0, background, {}});
}

void RecordingCanvas::point(double x, double y, Color c) {
    record({Op::Point, x, y, x, y, c, {}});
}

void RecordingCanvas::line(double x1, double y1, double x2, double y2, Color c) {
    record({Op::Line, x1, y1, x2, y2, c, {}});
}

void RecordingCanvas::box(double x1, double y1, double x2, double y2, Color c) {
    record({Op::Box, x1, y1, x2, y2, c, {}});
}

void RecordingCanvas::filledBox(double x1, double y1, double x2, double y2, Color c) {
    record({Op::FilledBox, x1, y1, x2, y2, c, {}});
}

void RecordingCanvas::circle(double x, double y, double radius, Color c) {
    record({Op::Circle, x, y, radius, 0, c, {}});
}

void RecordingCanvas::filledCircle(double x, double y, double radius, Color c) {
    record({Op::FilledCircle, x, y, radius, 0, c, {}});
}

void RecordingCanvas::text(double x, double y, const std::string& text, Color c) {
    record({Op::Text, x, y, x, y, c, text});
}

double RecordingCanvas::textWidth(const std::string& text) const {
    return mapping_.toUserWidth(kCharWidthPx * static_cast<double>(text.size()));
}

double RecordingCanvas::textHeight() const {
    return mapping_.toUserHeight(kCharHeightPx);
}

std::vector<RecordingCanvas::Call> RecordingCanvas::callsOf(Op op) const {
    std::vector<Call> out;
    for (const auto& c : calls) {
        if (c.op == op) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace qv
