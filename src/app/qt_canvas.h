#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "common/canvas.h"

namespace qv::app {

// A Canvas drawn with QPainter into an image; the image is what a CanvasWidget shows and what
// the bitmap exports save.
class ImageCanvas : public Canvas {
  public:
    ImageCanvas(int widthPx, int heightPx);

    // A new, blank surface of another size; the user scale is kept.
    void resize(int widthPx, int heightPx);
    const QImage& image() const { return image_; }
    const CanvasMapping& mapping() const { return mapping_; }
    // Saves as Windows bitmap or PNG by the file's extension (.bmp, .png); false on failure.
    bool save(const std::string& path) const;

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

  private:
    QPointF toPixel(double x, double y) const;
    QRectF toPixelRect(double x1, double y1, double x2, double y2) const;
    void drawEllipse(double x, double y, double radius, Color c, bool filled);

    QImage image_;
    CanvasMapping mapping_;
    int lineWidth_ = 1;
};

// Shows an ImageCanvas; the owner redraws the canvas when the widget is resized.
class CanvasWidget : public QWidget {
    Q_OBJECT
  public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    ImageCanvas& canvas() { return canvas_; }

  signals:
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    ImageCanvas canvas_;
};

}  // namespace qv::app
