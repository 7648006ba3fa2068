#include "core/animation/perceptual.h"

#include <algorithm>

namespace pictoreel::animation {

namespace {

// Error allowed at lossy 100: none where nothing masks it, a share of the local activity
// elsewhere.
constexpr float kBaseTolerance = 0.0f;
constexpr float kActivityGain = 3.0f;
constexpr float kMostTolerance = 0.15f;
// What the colour a pixel was drawn for may change by while the pixel stays as drawn.
constexpr float kStillTolerance = 0.03f;
// Substitutes kept per palette entry: enough to find a string that goes on.
constexpr std::size_t kMostNeighbours = 24;

float linear(std::uint8_t v)
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[std::size_t(i)] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table[v];
}

float strength(int lossy) { return static_cast<float>(std::clamp(lossy, 0, 100)) / 100.0f; }

}  // namespace

Lab toOklab(Rgb c)
{
    const float r = linear(c.r), g = linear(c.g), b = linear(c.b);
    const float l = std::cbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    const float m = std::cbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    const float s = std::cbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return Lab{0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
               1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
               0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

float stillTolerance(int lossy) { return strength(lossy) * kStillTolerance; }

std::vector<float> toleranceMap(const Picture& picture, int lossy, LabCache& lab)
{
    const int w = picture.width, h = picture.height;
    std::vector<float> lightness(picture.pixels.size());
    for (std::size_t i = 0; i < lightness.size(); ++i)
        lightness[i] = picture.pixels[i] == kTransparent ? 0.0f : lab(picture.pixels[i]).l;

    // Activity: the mean lightness step along the smoothest of four directions in the 3x3
    // neighbourhood. Texture changes every way; an edge or a gradient is smooth along itself.
    std::vector<float> activity(lightness.size(), 0.0f);
    auto at = [&](int x, int y) { return lightness[std::size_t(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)]; };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (picture.pixels[std::size_t(y) * w + x] == kTransparent)
                continue;
            float n[3][3];
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = 0; dx < 3; ++dx)
                    n[dy][dx] = at(x + dx - 1, y + dy - 1);
            float across = 0, down = 0;
            for (int k = 0; k < 3; ++k) {
                across += std::abs(n[k][0] - n[k][1]) + std::abs(n[k][1] - n[k][2]);
                down += std::abs(n[0][k] - n[1][k]) + std::abs(n[1][k] - n[2][k]);
            }
            const float falling = std::abs(n[0][0] - n[1][1]) + std::abs(n[1][1] - n[2][2]) +
                                  std::abs(n[0][1] - n[1][2]) + std::abs(n[1][0] - n[2][1]);
            const float rising = std::abs(n[0][2] - n[1][1]) + std::abs(n[1][1] - n[2][0]) +
                                 std::abs(n[0][1] - n[1][0]) + std::abs(n[1][2] - n[2][1]);
            activity[std::size_t(y) * w + x] = std::min({across / 6, down / 6, falling / 4, rising / 4});
        }
    }
    // A pixel is masked only as much as the least busy pixel of its 3x3 neighbourhood: texture
    // hides error only where it is all around (not at an edge, a thin line or a glyph's curve).
    std::vector<float> least(activity.size());
    for (int y = 0; y < h; ++y) {
        const float* a = activity.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            least[std::size_t(y) * w + x] = std::min({a[std::max(x - 1, 0)], a[x], a[std::min(x + 1, w - 1)]});
    }
    const float scale = strength(lossy);
    std::vector<float> tolerance(lightness.size(), 0.0f);
    for (int y = 0; y < h; ++y) {
        const float* above = least.data() + std::size_t(std::max(y - 1, 0)) * w;
        const float* here = least.data() + std::size_t(y) * w;
        const float* below = least.data() + std::size_t(std::min(y + 1, h - 1)) * w;
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            if (picture.pixels[i] != kTransparent)
                tolerance[i] = scale * std::min(kBaseTolerance + kActivityGain * std::min({above[x], here[x], below[x]}), kMostTolerance);
        }
    }
    return tolerance;
}

IndexNeighbours paletteNeighbours(const std::vector<Rgb>& palette, int transparentIndex, float reach)
{
    const std::size_t size = std::min<std::size_t>(palette.size(), 256);
    std::vector<Lab> labs(size);
    std::transform(palette.begin(), palette.begin() + std::ptrdiff_t(size), labs.begin(), toOklab);
    IndexNeighbours result;
    std::vector<std::pair<float, std::uint8_t>> near;
    for (std::size_t i = 0; i < 256; ++i) {
        result.offsets[i] = static_cast<std::uint32_t>(result.index.size());
        if (i >= size || int(i) == transparentIndex)
            continue;
        near.clear();
        for (std::size_t j = 0; j < size; ++j) {
            if (j == i || int(j) == transparentIndex)
                continue;
            if (const float d = labDistance(labs[i], labs[j]); d <= reach)
                near.emplace_back(d, static_cast<std::uint8_t>(j));
        }
        const std::size_t kept = std::min(near.size(), kMostNeighbours);
        std::partial_sort(near.begin(), near.begin() + std::ptrdiff_t(kept), near.end());
        for (std::size_t k = 0; k < kept; ++k) {
            result.distance.push_back(near[k].first);
            result.index.push_back(near[k].second);
        }
    }
    result.offsets[256] = static_cast<std::uint32_t>(result.index.size());
    return result;
}

}  // namespace pictoreel::animation
