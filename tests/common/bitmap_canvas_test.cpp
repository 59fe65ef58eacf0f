// The raster canvas the command line saves bitmaps with.
#include "common/bitmap_canvas.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qv {
namespace {

std::uint32_t little(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

TEST(BitmapCanvas, DrawsInUserUnitsAndSavesABottomUpBitmap) {
    BitmapCanvas cv(5, 3);
    cv.scale(0, 0, 400, 200);  // 100 units a pixel across, 100 down
    cv.clear(colors::white);
    cv.filledBox(0, 0, 100, 100, colors::red);  // pixels (0..1, 0..1)
    cv.point(400, 200, colors::blue);           // the bottom right pixel
    EXPECT_EQ(cv.pixel(0, 0), colors::red);
    EXPECT_EQ(cv.pixel(1, 1), colors::red);
    EXPECT_EQ(cv.pixel(2, 0), colors::white);
    EXPECT_EQ(cv.pixel(4, 2), colors::blue);

    const std::string b = cv.bmpBytes();
    const std::size_t row = 16;  // 5 pixels x 3 bytes, padded to 16
    ASSERT_EQ(b.size(), 54 + 3 * row);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(little(b, 2), b.size());
    EXPECT_EQ(little(b, 10), 54u);
    EXPECT_EQ(little(b, 18), 5u);
    EXPECT_EQ(little(b, 22), 3u);
    // The first row stored is the bottom one: its last pixel blue (blue, green, red order).
    EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 12]), 255);
    EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 14]), 0);
    // The top row is stored last and starts red.
    EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 2 * row + 2]), 255);
    EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 2 * row]), 0);

    testing::TempDir dir;
    ASSERT_TRUE(cv.save(dir / "x.bmp"));
    EXPECT_EQ(testing::readBytes(dir / "x.bmp"), b);
}

TEST(BitmapCanvas, LinesCirclesAndTextMarkPixelsAndStayInside) {
    BitmapCanvas cv(40, 20);
    cv.clear(colors::white);
    cv.line(0, 0, 39, 19, colors::black);
    EXPECT_EQ(cv.pixel(0, 0), colors::black);
    EXPECT_EQ(cv.pixel(39, 19), colors::black);
    cv.filledCircle(20, 10, 3, colors::red);
    EXPECT_EQ(cv.pixel(20, 10), colors::red);
    EXPECT_EQ(cv.pixel(23, 10), colors::red);
    EXPECT_EQ(cv.pixel(25, 10), colors::white);
    // Far outside: nothing is drawn and nothing breaks.
    cv.line(-1e9, -1e9, 1e9, 1e9, colors::blue);
    cv.circle(1e12, 0, 1e12, colors::blue);
    cv.text(1, 1, "9mm", colors::blue);
    int blue = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            blue += cv.pixel(x, y) == colors::blue;
        }
    }
    EXPECT_GT(blue, 10);
    EXPECT_EQ(cv.textWidth("9mm"), 3 * BitmapCanvas::kCharWidthPx);
}

}  // namespace
}  // namespace qv
