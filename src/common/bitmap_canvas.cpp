#include "common/bitmap_canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "common/file_util.h"

namespace qv {

namespace {

using Glyph = std::array<std::uint8_t, 7>;

struct FontEntry {
    char ch;
    Glyph rows;
};

// Rows top to bottom, the leftmost of the five columns in bit 4.
constexpr std::array<FontEntry, 47> kFont{{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'[', {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E}},
    {']', {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
}};

constexpr Glyph kUnknown{0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F};

const Glyph& glyphOf(char ch) {
    if (ch >= 'a' && ch <= 'z') {
        ch = static_cast<char>(ch - 'a' + 'A');
    }
    for (const FontEntry& e : kFont) {
        if (e.ch == ch) {
            return e.rows;
        }
    }
    return kUnknown;
}

void putLittle(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

int px(double v) {
    return static_cast<int>(std::lround(v));
}

}  // namespace

BitmapCanvas::BitmapCanvas(int widthPx, int heightPx)
    : mapping_(std::max(widthPx, 2), std::max(heightPx, 2)),
      rgb_(static_cast<std::size_t>(mapping_.widthPx()) * mapping_.heightPx() * 3, 255) {}

void BitmapCanvas::scale(double left, double top, double right, double bottom) {
    mapping_.scale(left, top, right, bottom);
}

void BitmapCanvas::clear(Color background) {
    for (std::size_t i = 0; i < rgb_.size(); i += 3) {
        rgb_[i] = background.r;
        rgb_[i + 1] = background.g;
        rgb_[i + 2] = background.b;
    }
}

void BitmapCanvas::set(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= mapping_.widthPx() || y >= mapping_.heightPx()) {
        return;
    }
    const std::size_t i = (static_cast<std::size_t>(y) * mapping_.widthPx() + x) * 3;
    rgb_[i] = c.r;
    rgb_[i + 1] = c.g;
    rgb_[i + 2] = c.b;
}

Color BitmapCanvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= mapping_.widthPx() || y >= mapping_.heightPx()) {
        return colors::white;
    }
    const std::size_t i = (static_cast<std::size_t>(y) * mapping_.widthPx() + x) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

void BitmapCanvas::point(double x, double y, Color c) {
    set(px(mapping_.toPixelX(x)), px(mapping_.toPixelY(y)), c);
}

// Bresenham; the ends are clipped to a margin around the surface first so that a line
// reaching far outside does not walk millions of pixels.
void BitmapCanvas::rawLine(int x0, int y0, int x1, int y1, Color c) {
    const int limit = 4 * (mapping_.widthPx() + mapping_.heightPx());
    if (std::abs(x0) > limit || std::abs(x1) > limit || std::abs(y0) > limit ||
        std::abs(y1) > limit) {
        return;
    }
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (true) {
        set(x0, y0, c);
        if (x0 == x1 && y0 == y1) {
            return;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void BitmapCanvas::line(double x1, double y1, double x2, double y2, Color c) {
    rawLine(px(mapping_.toPixelX(x1)), px(mapping_.toPixelY(y1)), px(mapping_.toPixelX(x2)),
            px(mapping_.toPixelY(y2)), c);
}

void BitmapCanvas::box(double x1, double y1, double x2, double y2, Color c) {
    line(x1, y1, x2, y1, c);
    line(x2, y1, x2, y2, c);
    line(x2, y2, x1, y2, c);
    line(x1, y2, x1, y1, c);
}

void BitmapCanvas::filledBox(double x1, double y1, double x2, double y2, Color c) {
    const int a = std::max(0, px(std::min(mapping_.toPixelX(x1), mapping_.toPixelX(x2))));
    const int b = std::min(mapping_.widthPx() - 1,
                           px(std::max(mapping_.toPixelX(x1), mapping_.toPixelX(x2))));
    const int top = std::max(0, px(std::min(mapping_.toPixelY(y1), mapping_.toPixelY(y2))));
    const int bottom = std::min(mapping_.heightPx() - 1,
                                px(std::max(mapping_.toPixelY(y1), mapping_.toPixelY(y2))));
    for (int y = top; y <= bottom; ++y) {
        for (int x = a; x <= b; ++x) {
            set(x, y, c);
        }
    }
}

void BitmapCanvas::circle(double x, double y, double radius, Color c) {
    const double cx = mapping_.toPixelX(x), cy = mapping_.toPixelY(y);
    const double r = std::min(mapping_.toPixelWidth(radius), 4.0 * mapping_.widthPx());
    const int steps = std::max(8, static_cast<int>(r * 6.3));
    for (int i = 0; i < steps; ++i) {
        const double a0 = 6.283185307179586 * i / steps;
        const double a1 = 6.283185307179586 * (i + 1) / steps;
        rawLine(px(cx + r * std::cos(a0)), px(cy + r * std::sin(a0)), px(cx + r * std::cos(a1)),
                px(cy + r * std::sin(a1)), c);
    }
}

void BitmapCanvas::filledCircle(double x, double y, double radius, Color c) {
    const double cx = mapping_.toPixelX(x), cy = mapping_.toPixelY(y);
    const double r = std::min(mapping_.toPixelWidth(radius), 4.0 * mapping_.widthPx());
    for (int dy = -px(r); dy <= px(r); ++dy) {
        const int half = px(std::sqrt(std::max(0.0, r * r - dy * dy)));
        for (int dx = -half; dx <= half; ++dx) {
            set(px(cx) + dx, px(cy) + dy, c);
        }
    }
    circle(x, y, radius, c);
}

void BitmapCanvas::glyph(int x, int y, char ch, Color c) {
    const Glyph& g = glyphOf(ch);
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
            if ((g[static_cast<std::size_t>(row)] >> (4 - col)) & 1) {
                set(x + col, y + row + 1, c);
            }
        }
    }
}

void BitmapCanvas::text(double x, double y, const std::string& text, Color c) {
    int left = px(mapping_.toPixelX(x));
    const int top = px(mapping_.toPixelY(y));
    for (const char ch : text) {
        if (ch != ' ') {
            glyph(left, top, ch, c);
        }
        left += kCharWidthPx;
    }
}

double BitmapCanvas::textWidth(const std::string& text) const {
    return mapping_.toUserWidth(static_cast<double>(text.size()) * kCharWidthPx);
}

double BitmapCanvas::textHeight() const {
    return mapping_.toUserHeight(kCharHeightPx);
}

std::string BitmapCanvas::bmpBytes() const {
    const int w = mapping_.widthPx(), h = mapping_.heightPx();
    const int rowBytes = (w * 3 + 3) / 4 * 4;
    const auto imageBytes = static_cast<std::uint32_t>(rowBytes * h);
    std::string out = "BM";
    putLittle(out, 54 + imageBytes, 4);
    putLittle(out, 0, 4);
    putLittle(out, 54, 4);
    putLittle(out, 40, 4);
    putLittle(out, static_cast<std::uint32_t>(w), 4);
    putLittle(out, static_cast<std::uint32_t>(h), 4);
    putLittle(out, 1, 2);
    putLittle(out, 24, 2);
    putLittle(out, 0, 4);
    putLittle(out, imageBytes, 4);
    putLittle(out, 2835, 4);  // 72 dots per inch
    putLittle(out, 2835, 4);
    putLittle(out, 0, 4);
    putLittle(out, 0, 4);
    // Rows bottom up, each pixel blue, green, red, each row padded to four bytes.
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Color c = pixel(x, y);
            out += static_cast<char>(c.b);
            out += static_cast<char>(c.g);
            out += static_cast<char>(c.r);
        }
        out.append(static_cast<std::size_t>(rowBytes - w * 3), '\0');
    }
    return out;
}

bool BitmapCanvas::save(const std::filesystem::path& path) const {
    return writeFileAtomic(path, bmpBytes());
}

}  // namespace qv
