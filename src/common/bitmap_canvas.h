#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace qv {

// A Canvas on a plain RGB raster that saves itself as a Windows bitmap (24 bits, uncompressed):
// the pictures the command line writes where the windows would save their own. Lines one pixel
// wide whatever the line width; texts in a built-in 5 x 7 font of capitals, digits and the
// signs the plots print (small letters show as capitals), six pixels a character.
class BitmapCanvas : public Canvas {
  public:
    static constexpr int kCharWidthPx = 6;
    static constexpr int kCharHeightPx = 9;

    BitmapCanvas(int widthPx, int heightPx);

    void scale(double left, double top, double right, double bottom) override;
    void clear(Color background) override;
    void setLineWidth(int) override {}
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
    Color pixel(int x, int y) const;
    // The bitmap file's bytes, and the file written through a temporary one.
    std::string bmpBytes() const;
    bool save(const std::filesystem::path& path) const;

  private:
    void set(int x, int y, Color c);
    void rawLine(int x0, int y0, int x1, int y1, Color c);
    void glyph(int x, int y, char ch, Color c);

    CanvasMapping mapping_;
    std::vector<std::uint8_t> rgb_;
};

}  // namespace qv
