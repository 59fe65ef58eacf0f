#include "common/svg_canvas.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "common/cp1252.h"
#include "common/file_util.h"

namespace qv {

namespace {

// Pixel positions with two decimals at most, always with "." whatever the locale says.
std::string num(double v) {
    if (!std::isfinite(v)) {
        v = 0;
    }
    std::array<char, 64> buf{};
    auto [end, ec] =
        std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, 2);
    if (ec != std::errc()) {
        return "0";
    }
    std::string s(buf.data(), end);
    while (s.back() == '0') {
        s.pop_back();
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string rgb(Color c) {
    return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) +
           ")";
}

}  // namespace

std::string xmlText(const std::string& cp1252) {
    std::string out;
    for (const char ch : cp1252ToUtf8(cp1252)) {
        const auto u = static_cast<unsigned char>(ch);
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (u >= 0x20 || ch == '\t') {
                    out += ch;
                }
        }
    }
    return out;
}

SvgCanvas::SvgCanvas(int widthPx, int heightPx) : mapping_(widthPx, heightPx) {}

void SvgCanvas::scale(double left, double top, double right, double bottom) {
    mapping_.scale(left, top, right, bottom);
}

void SvgCanvas::clear(Color background) {
    background_ = background;
    body_.clear();
    shapes_ = 0;
}

void SvgCanvas::point(double x, double y, Color c) {
    const double w = lineWidth_;
    body_ += "<rect x=\"" + num(mapping_.toPixelX(x) - w / 2) + "\" y=\"" +
             num(mapping_.toPixelY(y) - w / 2) + "\" width=\"" + num(w) + "\" height=\"" + num(w) +
             "\" fill=\"" + rgb(c) + "\"/>\n";
    ++shapes_;
}

void SvgCanvas::line(double x1, double y1, double x2, double y2, Color c) {
    body_ += "<line x1=\"" + num(mapping_.toPixelX(x1)) + "\" y1=\"" + num(mapping_.toPixelY(y1)) +
             "\" x2=\"" + num(mapping_.toPixelX(x2)) + "\" y2=\"" + num(mapping_.toPixelY(y2)) +
             "\" stroke=\"" + rgb(c) + "\" stroke-width=\"" + std::to_string(lineWidth_) + "\"/>\n";
    ++shapes_;
}

void SvgCanvas::rect(double x1, double y1, double x2, double y2, Color c, bool filled) {
    const double px1 = mapping_.toPixelX(x1);
    const double px2 = mapping_.toPixelX(x2);
    const double py1 = mapping_.toPixelY(y1);
    const double py2 = mapping_.toPixelY(y2);
    // A filled box covers its edge pixels, as on the screen, so neighbouring cells tile.
    const double grow = filled ? 1 : 0;
    body_ += "<rect x=\"" + num(std::min(px1, px2)) + "\" y=\"" + num(std::min(py1, py2)) +
             "\" width=\"" + num(std::abs(px2 - px1) + grow) + "\" height=\"" +
             num(std::abs(py2 - py1) + grow) + "\" ";
    if (filled) {
        body_ += "fill=\"" + rgb(c) + "\"/>\n";
    } else {
        body_ += "fill=\"none\" stroke=\"" + rgb(c) + "\" stroke-width=\"" +
                 std::to_string(lineWidth_) + "\"/>\n";
    }
    ++shapes_;
}

void SvgCanvas::box(double x1, double y1, double x2, double y2, Color c) {
    rect(x1, y1, x2, y2, c, false);
}

void SvgCanvas::filledBox(double x1, double y1, double x2, double y2, Color c) {
    rect(x1, y1, x2, y2, c, true);
}

void SvgCanvas::ellipse(double x, double y, double radius, Color c, bool filled) {
    body_ += "<circle cx=\"" + num(mapping_.toPixelX(x)) + "\" cy=\"" + num(mapping_.toPixelY(y)) +
             "\" r=\"" + num(mapping_.toPixelWidth(radius)) + "\" ";
    if (filled) {
        body_ += "fill=\"" + rgb(c) + "\"/>\n";
    } else {
        body_ += "fill=\"none\" stroke=\"" + rgb(c) + "\" stroke-width=\"" +
                 std::to_string(lineWidth_) + "\"/>\n";
    }
    ++shapes_;
}

void SvgCanvas::circle(double x, double y, double radius, Color c) {
    ellipse(x, y, radius, c, false);
}

void SvgCanvas::filledCircle(double x, double y, double radius, Color c) {
    ellipse(x, y, radius, c, true);
}

// The text's top left corner at (x, y): the baseline lies about four fifths of a line lower.
void SvgCanvas::text(double x, double y, const std::string& text, Color c) {
    body_ += "<text x=\"" + num(mapping_.toPixelX(x)) + "\" y=\"" +
             num(mapping_.toPixelY(y) + kCharHeightPx * 0.8) + "\" fill=\"" + rgb(c) +
             "\" xml:space=\"preserve\">" + xmlText(text) + "</text>\n";
    ++shapes_;
}

double SvgCanvas::textWidth(const std::string& text) const {
    return mapping_.toUserWidth(kCharWidthPx * static_cast<double>(text.size()));
}

double SvgCanvas::textHeight() const {
    return mapping_.toUserHeight(kCharHeightPx);
}

std::string SvgCanvas::document() const {
    const std::string w = std::to_string(mapping_.widthPx());
    const std::string h = std::to_string(mapping_.heightPx());
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    doc += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h +
           "\" font-family=\"DejaVu Sans Mono, Consolas, monospace\" font-size=\"11.5\">\n";
    doc += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"" +
           rgb(background_) + "\"/>\n";
    doc += body_;
    doc += "</svg>\n";
    return doc;
}

bool SvgCanvas::save(const std::filesystem::path& path) const {
    return writeFileAtomic(path, document());
}

}  // namespace qv
