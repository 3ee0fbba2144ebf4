// Text drawn into bitmaps by StringTexture: sizes, margins, colours,
// frames, and text that cannot be drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "text/StringTexture.h"
#include "text/TNTextLayout.h"

namespace {

constexpr int kMaxSide = 8192;

TNTextSize measure(const std::string& text, const std::string& font, double size,
                   TNTextLayoutAlignment alignment = TNTextLayoutAlignment::Center)
{
    TNAttributedString string;
    string.text = text;
    string.attributes.fontName = font;
    string.attributes.pointSize = size;
    string.attributes.alignment = alignment;
    return TNTextLayout(string).size();
}

uint8_t alphaAt(const TNBitmap& bitmap, int x, int y)
{
    return bitmap.data[static_cast<size_t>(y) * bitmap.bytesPerRow + x * 4 + 3];
}

// Total alpha of the rows [fromRow, toRow).
long inkInRows(const TNBitmap& bitmap, int fromRow, int toRow)
{
    long ink = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            ink += alphaAt(bitmap, x, y);
    return ink;
}

TNBitmap draw(const std::string& text, double size = 24,
              TNTextLayoutAlignment alignment = TNTextLayoutAlignment::Center, const std::string& font = "ArialMT")
{
    StringTexture texture(text, font, size, alignment);
    return texture.drawBitmap(kMaxSide);
}

}  // namespace

// The carried display names are pinned by the font substitution tests.
TEST(StringTexture, OtherDisplayNamesMapToNoFont)
{
    for (const char* display : {"LucidaGrande", "arial", ""})
        EXPECT_EQ(StringTexture::fontNameForDisplayName(display), nullptr) << display;
}

TEST(StringTexture, BitmapIsTheMeasuredSizePlusMargins)
{
    for (double size : {8.0, 12.0, 31.5, 72.0}) {
        const TNTextSize measured = measure("Score: 1200", "ArialMT", size);
        const TNBitmap bitmap = draw("Score: 1200", size);
        EXPECT_EQ(bitmap.width, static_cast<int>(measured.width + 8)) << size;
        EXPECT_EQ(bitmap.height, static_cast<int>(measured.height + 4)) << size;
        EXPECT_EQ(bitmap.bytesPerRow, bitmap.width * 4);
        EXPECT_EQ(bitmap.bitsPerPixel, 32);
        // The margins stay clear.
        EXPECT_EQ(inkInRows(bitmap, 0, 1), 0);
        EXPECT_EQ(inkInRows(bitmap, bitmap.height - 1, bitmap.height), 0);
        EXPECT_GT(inkInRows(bitmap, 0, bitmap.height), 0);
    }
}

TEST(StringTexture, TextColourIsPremultipliedByCoverage)
{
    // Each pixel keeps the colour as drawn: the text colour (1, 0.5, 0.25)
    // scaled by how much of the pixel the glyphs cover (its alpha).
    TNTextAttributes attributes;
    attributes.fontName = "ArialMT";
    attributes.pointSize = 17;
    StringTexture texture("Antialiased", attributes, TNTextColor{1, 0.5, 0.25, 1}, TNTextColor{}, TNTextColor{});
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
    TNTextAttributes attributes;
    attributes.fontName = "ArialMT";
    attributes.pointSize = 20;
    StringTexture texture("Hi", attributes, TNTextColor{0, 0, 1, 1}, TNTextColor{1, 0, 0, 1},
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
    const TNTextSize measured = measure("Frame", "ArialMT", 20);
    texture.setMargins(10, 6);
    EXPECT_DOUBLE_EQ(texture.frameSize().width, measured.width + 20);
    EXPECT_DOUBLE_EQ(texture.frameSize().height, measured.height + 12);

    texture.useStaticFrame(100, 50);
    EXPECT_TRUE(texture.staticFrame());
    TNBitmap bitmap = texture.drawBitmap(kMaxSide);
    EXPECT_EQ(bitmap.width, 100);
    EXPECT_EQ(bitmap.height, 50);

    texture.useDynamicFrame();
    EXPECT_FALSE(texture.staticFrame());
    EXPECT_DOUBLE_EQ(texture.frameSize().width, measured.width + 20);
}

TEST(StringTexture, TextThatCannotBeDrawnGivesAnEmptyBitmap)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double size : {0.0, -3.0, nan, 1e9, std::numeric_limits<double>::infinity()}) {
        const TNBitmap bitmap = draw("Size", size);
        EXPECT_EQ(bitmap.width, 0) << size;
        EXPECT_EQ(bitmap.height, 0) << size;
        EXPECT_TRUE(bitmap.data.empty()) << size;
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
    EXPECT_EQ(texture.texName(), 0u);
    const TNTextSize measured = measure("No context", "ArialMT", 16);
    EXPECT_EQ(texture.texWidth(), std::floor(measured.width + 8));
    EXPECT_EQ(texture.texHeight(), std::floor(measured.height + 4));
}
