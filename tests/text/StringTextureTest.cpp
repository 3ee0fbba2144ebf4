// Text drawn into bitmaps by StringTexture: sizes, margins, colours,
// frames, and text that cannot be drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "text/StringTexture.h"
#include "text/TNTextLayout.h"

namespace {

constexpr int kMaxSide = 8192;

TNTextAttributes arial(double size)
{
    TNTextAttributes attributes;
    attributes.fontName = "ArialMT";
    attributes.pointSize = size;
    return attributes;
}

// The laid-out size of text in Arial, centred.
TNTextSize measure(const std::string& text, double size)
{
    TNAttributedString string;
    string.text = text;
    string.attributes = arial(size);
    return TNTextLayout(string).size();
}

// Total alpha of the rows [fromRow, toRow).
long inkInRows(const TNBitmap& bitmap, int fromRow, int toRow)
{
    long ink = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            ink += bitmap.data[static_cast<size_t>(y) * bitmap.bytesPerRow + x * 4 + 3];
    return ink;
}

TNBitmap draw(const std::string& text, double size = 24)
{
    return StringTexture(text, "ArialMT", size, TNTextLayoutAlignment::Center).drawBitmap(kMaxSide);
}

}  // namespace

TEST(StringTexture, BitmapIsTheMeasuredSizePlusMargins)
{
    for (double size : {8.0, 12.0, 31.5, 72.0}) {
        const TNTextSize measured = measure("Score: 1200", size);
        const TNBitmap bitmap = draw("Score: 1200", size);
        EXPECT_EQ(std::make_tuple(bitmap.width, bitmap.height, bitmap.bytesPerRow, bitmap.bitsPerPixel),
                  std::make_tuple(static_cast<int>(measured.width + 8), static_cast<int>(measured.height + 4),
                                  bitmap.width * 4, 32)) << size;
        // Ink, but none in the margins.
        EXPECT_EQ(inkInRows(bitmap, 0, 1) + inkInRows(bitmap, bitmap.height - 1, bitmap.height), 0) << size;
        EXPECT_GT(inkInRows(bitmap, 0, bitmap.height), 0);
    }
}

TEST(StringTexture, TextColourIsPremultipliedByCoverage)
{
    // Each pixel keeps the colour as drawn: the text colour (1, 0.5, 0.25)
    // scaled by how much of the pixel the glyphs cover (its alpha).
    StringTexture texture("Antialiased", arial(17), TNTextColor{1, 0.5, 0.25, 1}, TNTextColor{}, TNTextColor{});
    const TNBitmap bitmap = texture.drawBitmap(kMaxSide);
    ASSERT_GT(bitmap.width, 0);
    int partial = 0;
    for (size_t i = 0; i < bitmap.data.size(); i += 4) {
        const double alpha = bitmap.data[i + 3];
        partial += alpha > 0 && alpha < 255;
        EXPECT_NEAR(bitmap.data[i], alpha, 1.0) << i;
        EXPECT_NEAR(bitmap.data[i + 1], 0.5 * alpha, 1.0) << i;
        EXPECT_NEAR(bitmap.data[i + 2], 0.25 * alpha, 1.0) << i;
    }
    EXPECT_GT(partial, 10);  // antialiased edges
}

TEST(StringTexture, BoxAndBorderColours)
{
    StringTexture texture("Hi", arial(20), TNTextColor{0, 0, 1, 1}, TNTextColor{1, 0, 0, 1},
                          TNTextColor{0, 1, 0, 1});
    const TNBitmap bitmap = texture.drawBitmap(kMaxSide);
    ASSERT_GT(bitmap.width, 4);
    auto pixel = [&](int x, int y) { return &bitmap.data[static_cast<size_t>(y) * bitmap.bytesPerRow + x * 4]; };
    auto rgba = [&](int x, int y) { return std::vector<int>(pixel(x, y), pixel(x, y) + 4); };
    EXPECT_EQ(rgba(0, 0), (std::vector<int>{0, 255, 0, 255}));  // the border
    EXPECT_EQ(rgba(2, 1), (std::vector<int>{255, 0, 0, 255}));  // the box, inside the border and the margin
    int blue = 0;  // the text colour where no foreground attribute is set
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            blue += pixel(x, y)[2] > 200 && pixel(x, y)[0] < 50;
    EXPECT_GT(blue, 20);
}

TEST(StringTexture, FramesAndMargins)
{
    StringTexture texture("Frame", "ArialMT", 20, TNTextLayoutAlignment::Center);
    const TNTextSize measured = measure("Frame", 20);
    const auto frame = [&] { return std::make_pair(texture.frameSize().width, texture.frameSize().height); };
    texture.setMargins(10, 6);
    EXPECT_EQ(frame(), std::make_pair(measured.width + 20, measured.height + 12));
    texture.useStaticFrame(100, 50);
    const TNBitmap bitmap = texture.drawBitmap(kMaxSide);
    EXPECT_EQ(std::make_tuple(texture.staticFrame(), bitmap.width, bitmap.height), std::make_tuple(true, 100, 50));
    texture.useDynamicFrame();
    EXPECT_FALSE(texture.staticFrame());
    EXPECT_EQ(frame(), std::make_pair(measured.width + 20, measured.height + 12));
}

TEST(StringTexture, TextThatCannotBeDrawnGivesAnEmptyBitmap)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double size : {0.0, -3.0, nan, 1e9, std::numeric_limits<double>::infinity()}) {
        const TNBitmap bitmap = draw("Size", size);
        EXPECT_TRUE(bitmap.width == 0 && bitmap.height == 0 && bitmap.data.empty()) << size;
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(draw("bad \xff\xfe bytes").width, 0);
    EXPECT_EQ(draw(std::string(20000, 'W')).width, 0);  // wider than any texture
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
}

TEST(StringTexture, WithoutAGLContextTheSizeIsKeptAndNoTextureMade)
{
    StringTexture texture("No context", "ArialMT", 16, TNTextLayoutAlignment::Left);
    testing::internal::CaptureStderr();
    texture.genTexture();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "StringTexture -genTexture: Failure to get current OpenGL context\n");
    const TNTextSize measured = measure("No context", 16);
    EXPECT_EQ(std::make_tuple(texture.texName(), texture.texWidth(), texture.texHeight()),
              std::make_tuple(0u, std::floor(measured.width + 8), std::floor(measured.height + 4)));
}
