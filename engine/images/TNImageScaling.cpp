#include "images/TNImageScaling.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// One source pixel's share of a new pixel.
struct Share {
    int index;
    float weight;
};

// For each of count new pixels along an axis, the source pixels it covers
// when sourceLength pixels are drawn over logicalLength: new pixel i spans
// [i, i + 1) of the logical length, that is [i * step, (i + 1) * step) of
// the source, cut at the source's end. Weights are normalised to sum to 1.
std::vector<std::vector<Share>> sharesAlongAxis(int count, int sourceLength, double logicalLength)
{
    const double step = sourceLength / logicalLength;
    std::vector<std::vector<Share>> shares(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double start = i * step;
        const double end = std::min((i + 1) * step, static_cast<double>(sourceLength));
        double total = 0;
        for (int k = static_cast<int>(start); k < sourceLength && k < end; ++k) {
            const double covered = std::min(end, k + 1.0) - std::max(start, static_cast<double>(k));
            if (covered > 0) {
                shares[i].push_back(Share{k, static_cast<float>(covered)});
                total += covered;
            }
        }
        for (Share& share : shares[i])
            share.weight = static_cast<float>(share.weight / total);
    }
    return shares;
}

// A source row counted from the top of the picture.
const uint8_t* sourceRowFromTop(const TNImageBitmap& source, int row)
{
    return source.pixels.data() + static_cast<size_t>(source.height - 1 - row) * source.bytesPerRow;
}

}  // namespace

TNImageBitmap TNScaleImageBitmap(const TNImageBitmap& source, int width, int height, double logicalWidth,
                                 double logicalHeight)
{
    TNImageBitmap scaled;
    if (source.isEmpty() || width < 1 || height < 1 || !(logicalWidth > 0) || !(logicalHeight > 0))
        return scaled;
    const int channels = source.bitsPerPixel / 8;
    scaled.width = width;
    scaled.height = height;
    scaled.hasAlpha = source.hasAlpha;
    scaled.bitsPerPixel = source.bitsPerPixel;
    scaled.bytesPerRow = TNImageBitmapRowBytes(width, channels);
    scaled.pixels.assign(static_cast<size_t>(scaled.bytesPerRow) * height, 0);

    const auto columns = sharesAlongAxis(width, source.width, logicalWidth);
    const auto rows = sharesAlongAxis(height, source.height, logicalHeight);
    std::vector<float> sums(static_cast<size_t>(width) * channels);
    for (int row = 0; row < height; ++row) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (const Share& rowShare : rows[row]) {
            const uint8_t* in = sourceRowFromTop(source, rowShare.index);
            for (int x = 0; x < width; ++x) {
                float* sum = &sums[static_cast<size_t>(x) * channels];
                for (const Share& columnShare : columns[x]) {
                    const float weight = rowShare.weight * columnShare.weight;
                    const uint8_t* pixel = in + static_cast<size_t>(columnShare.index) * channels;
                    for (int c = 0; c < channels; ++c)
                        sum[c] += weight * pixel[c];
                }
            }
        }
        uint8_t* out = scaled.pixels.data() + static_cast<size_t>(height - 1 - row) * scaled.bytesPerRow;
        for (size_t i = 0; i < sums.size(); ++i)
            out[i] = static_cast<uint8_t>(std::min(255L, std::lround(sums[i])));
    }
    return scaled;
}
