#include "app/qt_canvas.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

#include "app/qt_text.h"

namespace qv::app {

namespace {

QColor qColor(Color c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

ImageCanvas::ImageCanvas(int widthPx, int heightPx)
    : image_(widthPx < 1 ? 1 : widthPx, heightPx < 1 ? 1 : heightPx, QImage::Format_RGB32),
      mapping_(widthPx, heightPx) {
    image_.fill(Qt::white);
}

void ImageCanvas::resize(int widthPx, int heightPx) {
    CanvasMapping next(widthPx, heightPx);
    next.scale(mapping_.left(), mapping_.top(), mapping_.right(), mapping_.bottom());
    mapping_ = next;
    image_ = QImage(mapping_.widthPx(), mapping_.heightPx(), QImage::Format_RGB32);
    image_.fill(Qt::white);
}

bool ImageCanvas::save(const std::string& path) const {
    const QString file = toQt(path);
    const QString suffix = QFileInfo(file).suffix().toLower();
    const char* format = suffix == "bmp" ? "BMP" : suffix == "png" ? "PNG" : nullptr;
    return format != nullptr && image_.save(file, format);
}

QPointF ImageCanvas::toPixel(double x, double y) const {
    return {mapping_.toPixelX(x), mapping_.toPixelY(y)};
}

QRectF ImageCanvas::toPixelRect(double x1, double y1, double x2, double y2) const {
    return QRectF(toPixel(x1, y1), toPixel(x2, y2)).normalized();
}

void ImageCanvas::scale(double left, double top, double right, double bottom) {
    mapping_.scale(left, top, right, bottom);
}

void ImageCanvas::clear(Color background) {
    image_.fill(qColor(background));
}

void ImageCanvas::point(double x, double y, Color c) {
    QPainter p(&image_);
    p.setPen(QPen(qColor(c), lineWidth_));
    p.drawPoint(toPixel(x, y));
}

void ImageCanvas::line(double x1, double y1, double x2, double y2, Color c) {
    QPainter p(&image_);
    p.setPen(QPen(qColor(c), lineWidth_));
    p.drawLine(toPixel(x1, y1), toPixel(x2, y2));
}

void ImageCanvas::box(double x1, double y1, double x2, double y2, Color c) {
    QPainter p(&image_);
    p.setPen(QPen(qColor(c), lineWidth_));
    p.setBrush(Qt::NoBrush);
    p.drawRect(toPixelRect(x1, y1, x2, y2));
}

void ImageCanvas::filledBox(double x1, double y1, double x2, double y2, Color c) {
    QPainter p(&image_);
    // Filled boxes tile plate pictures: the rectangle's edge pixels are part of the box.
    p.fillRect(toPixelRect(x1, y1, x2, y2).adjusted(0, 0, 1, 1), qColor(c));
}

void ImageCanvas::drawEllipse(double x, double y, double radius, Color c, bool filled) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(qColor(c), lineWidth_));
    p.setBrush(filled ? QBrush(qColor(c)) : Qt::NoBrush);
    const double r = mapping_.toPixelWidth(radius);
    p.drawEllipse(toPixel(x, y), r, r);
}

void ImageCanvas::circle(double x, double y, double radius, Color c) {
    drawEllipse(x, y, radius, c, false);
}

void ImageCanvas::filledCircle(double x, double y, double radius, Color c) {
    drawEllipse(x, y, radius, c, true);
}

void ImageCanvas::text(double x, double y, const std::string& text, Color c) {
    QPainter p(&image_);
    p.setPen(qColor(c));
    const QFontMetricsF metrics(p.font());
    p.drawText(toPixel(x, y) + QPointF(0, metrics.ascent()), toQt(text));
}

double ImageCanvas::textWidth(const std::string& text) const {
    const QFontMetricsF metrics{QFont()};
    return mapping_.toUserWidth(metrics.horizontalAdvance(toQt(text)));
}

double ImageCanvas::textHeight() const {
    const QFontMetricsF metrics{QFont()};
    return mapping_.toUserHeight(metrics.height());
}

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent), canvas_(1, 1) {
    setMinimumSize(64, 64);
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_.image());
}

void CanvasWidget::resizeEvent(QResizeEvent*) {
    canvas_.resize(width(), height());
    emit resized();
}

}  // namespace qv::app
