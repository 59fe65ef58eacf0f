#include <gtest/gtest.h>

#include "common/canvas.h"
#include "common/controls.h"

#include <cmath>

namespace qv {
namespace {

TEST(CanvasMapping, DefaultIsOneUnitPerPixel) {
    const CanvasMapping m(200, 100);
    EXPECT_DOUBLE_EQ(m.toPixelX(0), 0);
    EXPECT_DOUBLE_EQ(m.toPixelX(199), 199);
    EXPECT_DOUBLE_EQ(m.toPixelY(99), 99);
}

TEST(CanvasMapping, PlotScaleRunsUpwardsAndMapsCornersOntoEdgePixels) {
    CanvasMapping m(101, 51);
    m.scale(0, 10, 100, 0);  // zero at the bottom, as plots have it
    EXPECT_DOUBLE_EQ(m.toPixelX(0), 0);
    EXPECT_DOUBLE_EQ(m.toPixelX(100), 100);
    EXPECT_DOUBLE_EQ(m.toPixelY(10), 0);
    EXPECT_DOUBLE_EQ(m.toPixelY(0), 50);
    EXPECT_DOUBLE_EQ(m.toPixelY(5), 25);
    // Lengths are positive whatever the axis direction.
    EXPECT_DOUBLE_EQ(m.toUserHeight(5), 1);
    EXPECT_DOUBLE_EQ(m.toPixelWidth(-10), 10);
}

TEST(CanvasMapping, DegenerateAxisKeepsPreviousScaleInsteadOfDividingByZero) {
    CanvasMapping m(11, 11);
    m.scale(0, 0, 10, 100);
    m.scale(5, 3, 5, 3);  // both axes empty: nothing changes
    EXPECT_DOUBLE_EQ(m.toPixelX(10), 10);
    EXPECT_DOUBLE_EQ(m.toPixelY(100), 10);
    m.scale(0, 7, 20, 7);  // only the horizontal axis changes
    EXPECT_DOUBLE_EQ(m.toPixelX(20), 10);
    EXPECT_DOUBLE_EQ(m.toPixelY(50), 5);
}

TEST(CanvasMapping, OnePixelSurfaceStaysFinite) {
    CanvasMapping m(0, -5);
    EXPECT_EQ(m.widthPx(), 1);
    EXPECT_TRUE(std::isfinite(m.toPixelX(3)));
}

TEST(RecordingCanvas, RecordsCallsInUserUnitsAndClearStartsOver) {
    RecordingCanvas c(101, 101);
    c.scale(0, 100, 100, 0);
    c.line(0, 0, 10, 10, colors::red);
    c.clear(colors::black);
    c.setLineWidth(3);
    c.filledBox(10, 20, 30, 40, Color::grey(128));
    c.circle(50, 50, 5, colors::blue);
    c.text(1, 99, "A1", colors::white);
    ASSERT_EQ(c.calls.size(), 4u);
    EXPECT_EQ(c.calls[0].op, RecordingCanvas::Op::Clear);
    const auto boxes = c.callsOf(RecordingCanvas::Op::FilledBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].color, Color::grey(128));
    EXPECT_DOUBLE_EQ(boxes[0].y2, 40);
    EXPECT_EQ(boxes[0].lineWidth, 3);
    EXPECT_DOUBLE_EQ(c.callsOf(RecordingCanvas::Op::Circle)[0].x2, 5);
    EXPECT_EQ(c.callsOf(RecordingCanvas::Op::Text)[0].text, "A1");
}

TEST(RecordingCanvas, TextSizeFollowsTheScale) {
    RecordingCanvas c(71, 131);
    EXPECT_DOUBLE_EQ(c.textWidth("ab"), 14);
    c.scale(0, 0, 7, 13);  // ten pixels per unit both ways
    EXPECT_DOUBLE_EQ(c.textWidth("ab"), 1.4);
    EXPECT_DOUBLE_EQ(c.textHeight(), 1.3);
}

TEST(Color, PackedKeepsRedInTheLowByte) {
    const Color c = Color::fromPacked(0x00ff8001);
    EXPECT_EQ(c, (Color{1, 128, 255}));
    EXPECT_EQ(c.packed(), 0x00ff8001);
}

TEST(Controls, ReferencesStayValidAndComboSelectsByText) {
    Controls set;
    Control& first = set.add("Cmb_organism", ControlKind::ComboBox);
    for (int i = 0; i < 100; ++i) {
        set.add("c" + std::to_string(i), ControlKind::Label);
    }
    EXPECT_EQ(set.find("Cmb_organism"), &first);
    EXPECT_EQ(set.find("nothing"), nullptr);
    fillList(first, {"a", "b"});
    selectText(first, "b");
    EXPECT_EQ(first.listIndex, 1);
    selectText(first, "B");  // no case folding: shown as typed, nothing selected
    EXPECT_EQ(first.listIndex, -1);
    EXPECT_EQ(first.text, "B");
}

}  // namespace
}  // namespace qv
