#pragma once

#include <filesystem>
#include <string>

#include "common/canvas.h"

namespace qv {

// A Canvas that writes Scalable Vector Graphics as plain text, so any plot or plate picture of
// the core can be saved as a drawing that scales without losing detail, beside the bitmap the
// windows save. Coordinates are mapped to pixels of the given surface size exactly as on the
// screen; texts use a fixed-pitch font of the recording canvas's metrics (7 x 13 pixels per
// character), so labels are placed as the plots place them.
class SvgCanvas : public Canvas {
  public:
    static constexpr double kCharWidthPx = 7;
    static constexpr double kCharHeightPx = 13;

    SvgCanvas(int widthPx, int heightPx);

    void scale(double left, double top, double right, double bottom) override;
    void clear(Color background) override;
    void setLineWidth(int px) override { lineWidth_ = px < 1 ? 1 : px; }
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
    // The whole document: the background, then every shape since the last clear() in order.
    std::string document() const;
    // Writes the document (through a temporary file, so a failed save leaves no half file).
    bool save(const std::filesystem::path& path) const;
    // Shapes drawn since the last clear().
    int shapes() const { return shapes_; }

  private:
    void rect(double x1, double y1, double x2, double y2, Color c, bool filled);
    void ellipse(double x, double y, double radius, Color c, bool filled);

    CanvasMapping mapping_;
    int lineWidth_ = 1;
    Color background_ = colors::white;
    std::string body_;
    int shapes_ = 0;
};

// Text for an XML document: Windows-1252 as UTF-8, with the characters markup gives a meaning
// to escaped, and control characters (which XML cannot hold) left out.
std::string xmlText(const std::string& cp1252);

}  // namespace qv
