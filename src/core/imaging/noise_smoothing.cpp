#include "core/imaging/noise_smoothing.h"

#include "core/imaging/wide_vectors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictoreel {

namespace {

// How far a neighbour's channel may be from the pixel's own and still be averaged in.
constexpr int kDitherReach = 12;

}  // namespace

PICTOREEL_WIDE_VECTORS void smoothDitherNoise(RgbaImage& image)
{
    const int w = image.width, h = image.height;
    if (w == 0 || h == 0)
        return;
    // Each channel, and whether a pixel is opaque, as a plane with a border that repeats the edge
    // pixels: every pixel then has its eight neighbours, and a row of them is one loop the
    // compiler turns into vector instructions.
    const int pw = w + 2;
    const std::size_t planeSize = std::size_t(pw) * std::size_t(h + 2);
    std::vector<std::uint8_t> planes(planeSize * 4);
    for (int py = 0; py < h + 2; ++py) {
        const std::uint8_t* row = image.pixel(0, std::clamp(py - 1, 0, h - 1));
        std::uint8_t* at[4];
        for (std::size_t c = 0; c < 4; ++c)
            at[c] = planes.data() + c * planeSize + std::size_t(py) * pw;
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = row + std::size_t(x) * 4;
            at[0][x + 1] = p[0];
            at[1][x + 1] = p[1];
            at[2][x + 1] = p[2];
            at[3][x + 1] = p[3] >= 128;
        }
        for (std::size_t c = 0; c < 4; ++c) {
            at[c][0] = at[c][1];
            at[c][w + 1] = at[c][w];
        }
    }
    const std::uint8_t* opaque = planes.data() + 3 * planeSize;
    std::vector<std::uint8_t> smoothed(static_cast<std::size_t>(w));
    for (int c = 0; c < 3; ++c) {
        const std::uint8_t* plane = planes.data() + std::size_t(c) * planeSize;
        for (int y = 0; y < h; ++y) {
            // Padded row y is the row above picture row y.
            const std::size_t top = std::size_t(y) * pw;
            const std::uint8_t *above = plane + top, *middle = above + pw, *below = middle + pw;
            const std::uint8_t *aboveOpaque = opaque + top, *middleOpaque = aboveOpaque + pw, *belowOpaque = middleOpaque + pw;
            std::uint8_t* __restrict result = smoothed.data();
            for (int x = 0; x < w; ++x) {
                const int centre = middle[x + 1];
                int sum = 0, weights = 0;
                // A neighbour counts with weight 1 << `shift` when opaque and near the centre's value.
                const auto add = [&](const std::uint8_t* row, const std::uint8_t* opaqueRow, int at, int shift) {
                    const int p = row[at];
                    const int near = unsigned(p - centre + kDitherReach) <= unsigned(2 * kDitherReach);
                    const int weight = (opaqueRow[at] & near) << shift;
                    sum += weight * p;
                    weights += weight;
                };
                add(above, aboveOpaque, x, 0);
                add(above, aboveOpaque, x + 1, 1);
                add(above, aboveOpaque, x + 2, 0);
                add(middle, middleOpaque, x, 1);
                add(middle, middleOpaque, x + 1, 2);
                add(middle, middleOpaque, x + 2, 1);
                add(below, belowOpaque, x, 0);
                add(below, belowOpaque, x + 1, 1);
                add(below, belowOpaque, x + 2, 0);
                // (sum + weights / 2) / weights exactly: the sums are below 2^12, so the quotient's
                // rounding never reaches the next whole number. Vector units divide floats only.
                weights += weights == 0;  // a transparent centre, left as it is below
                result[x] = static_cast<std::uint8_t>(int(float(sum + weights / 2) / float(weights)));
            }
            std::uint8_t* out = image.pixel(0, y) + c;
            const std::uint8_t* centreOpaque = middleOpaque + 1;
            for (int x = 0; x < w; ++x)
                if (centreOpaque[x])
                    out[std::size_t(x) * 4] = smoothed[std::size_t(x)];
        }
    }
}

}  // namespace pictoreel
