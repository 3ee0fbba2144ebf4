// A PNG file's pixels, for checking what the player drew (its screenshots).
#ifndef TERN_TEST_PICTURE_H
#define TERN_TEST_PICTURE_H

#include <array>
#include <string>
#include <vector>

namespace tern_test {

struct Rgb {
    int r, g, b;
};

class Picture {
public:
    // Empty (width and height 0) when the file does not load as a picture.
    explicit Picture(const std::string& path);

    // The pixel at (x, y) counted from the top left.
    Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }

    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // rows from the top
};

// The red, green and blue of the pixel at (x, y) from the top left of a PNG,
// then the PNG's width and height; all -1 when it does not load.
std::array<int, 5> pixelAt(const std::string& path, int x, int y);

}  // namespace tern_test

#endif
