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

// The picture's lightness (0 where it is transparent) with its edges repeated one pixel beyond
// every side, so that every pixel's 3x3 neighbourhood lies within it.
std::vector<float> paddedLightness(const Picture& picture, LabCache& lab)
{
    const int w = picture.width, h = picture.height;
    const std::size_t stride = std::size_t(w) + 2;
    std::vector<float> padded(stride * (std::size_t(h) + 2));
    for (int y = 0; y < h; ++y) {
        const Pixel* in = picture.pixels.data() + std::size_t(y) * w;
        float* out = padded.data() + (std::size_t(y) + 1) * stride;
        for (int x = 0; x < w; ++x)
            out[x + 1] = in[x] == kTransparent ? 0.0f : lab(in[x]).l;
        out[0] = out[1];
        out[w + 1] = out[w];
    }
    std::copy_n(padded.data() + stride, stride, padded.data());
    std::copy_n(padded.data() + std::size_t(h) * stride, stride, padded.data() + (std::size_t(h) + 1) * stride);
    return padded;
}

// Activity: the mean lightness step along the smoothest of four directions in the 3x3
// neighbourhood (0 for a transparent pixel). Texture changes every way; an edge or a gradient is
// smooth along itself. Every step between two neighbours is taken once, a row of each direction at
// a time, and kept while the three rows of neighbourhoods that hold it need it.
std::vector<float> activityMap(const Picture& picture, const std::vector<float>& padded)
{
    const int w = picture.width, h = picture.height;
    const std::size_t stride = std::size_t(w) + 2;
    const auto row = [&](int r) { return padded.data() + std::size_t(r) * stride; };
    // Of padded row r: the two steps along it about each pixel (across), and the step down to row
    // r + 1 (down), down to the right (falling) and down to the left (rising).
    std::vector<float> across(3 * std::size_t(w)), down(2 * stride), falling(2 * (stride - 1)), rising(2 * (stride - 1));
    const auto acrossOf = [&](int r) { return across.data() + std::size_t(r % 3) * w; };
    const auto downOf = [&](int r) { return down.data() + std::size_t(r % 2) * stride; };
    const auto fallingOf = [&](int r) { return falling.data() + std::size_t(r % 2) * (stride - 1); };
    const auto risingOf = [&](int r) { return rising.data() + std::size_t(r % 2) * (stride - 1); };
    const auto stepsAlong = [&](int r) {
        const float* l = row(r);
        float* a = acrossOf(r);
        for (int x = 0; x < w; ++x)
            a[x] = std::abs(l[x] - l[x + 1]) + std::abs(l[x + 1] - l[x + 2]);
    };
    const auto stepsDown = [&](int r) {
        const float *l = row(r), *next = row(r + 1);
        float *d = downOf(r), *f = fallingOf(r), *g = risingOf(r);
        for (std::size_t x = 0; x < stride; ++x)
            d[x] = std::abs(l[x] - next[x]);
        for (std::size_t x = 0; x + 1 < stride; ++x) {
            f[x] = std::abs(l[x] - next[x + 1]);
            g[x] = std::abs(l[x + 1] - next[x]);
        }
    };
    std::vector<float> activity(std::size_t(w) * h, 0.0f);
    std::vector<float> columns(stride);  // the two steps down about each pixel of the row
    stepsAlong(0);
    stepsAlong(1);
    stepsDown(0);
    for (int y = 0; y < h; ++y) {
        // Padded rows y, y + 1 and y + 2 hold the neighbourhoods of the picture's row y.
        stepsAlong(y + 2);
        stepsDown(y + 1);
        const float *a0 = acrossOf(y), *a1 = acrossOf(y + 1), *a2 = acrossOf(y + 2);
        const float *d0 = downOf(y), *d1 = downOf(y + 1);
        const float *f0 = fallingOf(y), *f1 = fallingOf(y + 1), *g0 = risingOf(y), *g1 = risingOf(y + 1);
        for (std::size_t x = 0; x < stride; ++x)
            columns[x] = d0[x] + d1[x];
        const Pixel* pixels = picture.pixels.data() + std::size_t(y) * w;
        float* out = activity.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const float sideways = a0[x] + a1[x] + a2[x];
            const float vertical = columns[x] + columns[x + 1] + columns[x + 2];
            const float fall = f0[x] + f1[x + 1] + f0[x + 1] + f1[x];
            const float rise = g0[x + 1] + g1[x] + g0[x] + g1[x + 1];
            const float least = std::min(std::min(sideways / 6, vertical / 6), std::min(fall / 4, rise / 4));
            out[x] = pixels[x] == kTransparent ? 0.0f : least;
        }
    }
    return activity;
}

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
    if (w <= 0 || h <= 0)
        return {};
    const std::vector<float> activity = activityMap(picture, paddedLightness(picture, lab));
    // A pixel is masked only as much as the least busy pixel of its 3x3 neighbourhood: texture
    // hides error only where it is all around (not at an edge, a thin line or a glyph's curve).
    std::vector<float> least(activity.size());
    for (int y = 0; y < h; ++y) {
        const float* a = activity.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            least[std::size_t(y) * w + x] = std::min({a[std::max(x - 1, 0)], a[x], a[std::min(x + 1, w - 1)]});
    }
    const float scale = strength(lossy);
    std::vector<float> tolerance(activity.size(), 0.0f);
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
