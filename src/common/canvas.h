#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Color&, const Color&) = default;

    // Colours stored as one number put red in the low byte: r + 256 g + 65536 b.
    static Color fromPacked(std::int32_t packed);
    std::int32_t packed() const { return r + 256 * g + 65536 * b; }
    // The same grey level in all three components, for plate pictures drawn in shades.
    static Color grey(std::uint8_t level) { return {level, level, level}; }
};

namespace colors {
inline constexpr Color black{0, 0, 0};
inline constexpr Color white{255, 255, 255};
inline constexpr Color red{255, 0, 0};
inline constexpr Color green{0, 255, 0};
inline constexpr Color blue{0, 0, 255};
inline constexpr Color yellow{255, 255, 0};
}  // namespace colors

// Maps the user coordinates chosen with scale() onto a surface of whole pixels. The user
// rectangle's left and top edges land on pixel 0; right and bottom on the last pixel column
// and row, so either axis may run backwards (a plot usually puts its zero at the bottom).
class CanvasMapping {
  public:
    CanvasMapping(int widthPx, int heightPx);

    void scale(double left, double top, double right, double bottom);
    double toPixelX(double x) const;
    double toPixelY(double y) const;
    // Lengths, as radii and text sizes need them; always positive.
    double toPixelWidth(double dx) const;
    double toUserWidth(double px) const;
    // A pixel position back in user units (mouse events).
    double toUserX(double px) const;
    double toUserY(double px) const;
    double toUserHeight(double px) const;

    int widthPx() const { return widthPx_; }
    int heightPx() const { return heightPx_; }
    double left() const { return left_; }
    double top() const { return top_; }
    double right() const { return right_; }
    double bottom() const { return bottom_; }

  private:
    int widthPx_;
    int heightPx_;
    double left_ = 0;
    double top_ = 0;
    double right_;
    double bottom_;
};

// The drawing surface every plot and plate picture of the core draws on. Coordinates are user
// units of the last scale() call (by default one unit per pixel, origin top left). Texts are
// in the core's encoding (Windows-1252).
class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual void scale(double left, double top, double right, double bottom) = 0;
    // Paints the whole surface in the background colour.
    virtual void clear(Color background) = 0;
    virtual void setLineWidth(int px) = 0;
    virtual void point(double x, double y, Color c) = 0;
    virtual void line(double x1, double y1, double x2, double y2, Color c) = 0;
    // Outline of the rectangle with the two corners given.
    virtual void box(double x1, double y1, double x2, double y2, Color c) = 0;
    virtual void filledBox(double x1, double y1, double x2, double y2, Color c) = 0;
    // The radius is in user units of the horizontal axis.
    virtual void circle(double x, double y, double radius, Color c) = 0;
    virtual void filledCircle(double x, double y, double radius, Color c) = 0;
    // The text's top left corner is at (x, y).
    virtual void text(double x, double y, const std::string& text, Color c) = 0;
    // Size of a text in user units, so callers can centre or right-align labels.
    virtual double textWidth(const std::string& text) const = 0;
    virtual double textHeight() const = 0;
};

// A Canvas for tests: remembers every drawing call in user units, in order.
class RecordingCanvas : public Canvas {
  public:
    enum class Op { Clear, Point, Line, Box, FilledBox, Circle, FilledCircle, Text };
    struct Call {
        Op op;
        double x1 = 0;
        double y1 = 0;
        double x2 = 0;  // the radius for circles
        double y2 = 0;
        Color color;
        std::string text;
        int lineWidth = 1;
    };

    // Text metrics of a fixed-pitch font: 7 x 13 pixels per character.
    static constexpr double kCharWidthPx = 7;
    static constexpr double kCharHeightPx = 13;

    explicit RecordingCanvas(int widthPx = 640, int heightPx = 480) : mapping_(widthPx, heightPx) {}

    void scale(double left, double top, double right, double bottom) override;
    void clear(Color background) override;
    void setLineWidth(int px) override { lineWidth_ = px; }
    void point(double x, double y, Color c) override;
    void line(double x1, double y1, double x2, double y2, Color c) override;
    void box(double x1, double y1, double x2, double y2, Color c) override;
    void filledBox(double x1, double y1, double x2, double y2, Color c) override;
    void circle(double x, double y, double radius, Color c) override;
    void filledCircle(double x, double y, double radius, Color c) override;
    void text(double x, double y, const std::string& text, Color c) override;
    double textWidth(const std::string& text) const override;
    double textHeight() const override;

    const CanvasMapping& mapping() const { return mapping_; }
    // Every call since the last clear() is kept; clear() itself is recorded first.
    std::vector<Call> calls;
    std::vector<Call> callsOf(Op op) const;

  private:
    void record(Call call);

    CanvasMapping mapping_;
    int lineWidth_ = 1;
};

}  // namespace qv
