#include "core/imaging/dither.h"

#include "core/imaging/nearest_colour.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace pictoreel {

namespace {

// How far the pattern may move a pixel, and how far the diffused error may, as a share (in 1/256)
// of the palette's typical step. Error diffusion passes on kDiffusionStrength / 256 of each
// error. Measured on the benchmark's photos: this much diffusion removes the visible bands in
// skies and other smooth gradients; the limit keeps noise from building up and travelling.
constexpr int kOrderedAmount = 256;
constexpr int kDiffusionLimit = 160;
constexpr int kDiffusionStrength = 230;

int squaredDistance(const Rgb& e, const std::uint8_t* p)
{
    const int dr = e.r - p[0], dg = e.g - p[1], db = e.b - p[2];
    return dr * dr + dg * dg + db * db;
}

// The palette's typical step: the median distance from an entry to its nearest other entry, in
// channel levels (0 for a palette of one).
int typicalStep(const std::vector<Rgb>& palette)
{
    if (palette.size() < 2)
        return 0;
    std::vector<int> nearest;
    nearest.reserve(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int best = std::numeric_limits<int>::max();
        const std::uint8_t self[3] = {palette[i].r, palette[i].g, palette[i].b};
        for (std::size_t j = 0; j < palette.size(); ++j)
            if (j != i)
                best = std::min(best, squaredDistance(palette[j], self));
        nearest.push_back(best);
    }
    std::nth_element(nearest.begin(), nearest.begin() + std::ptrdiff_t(nearest.size() / 2), nearest.end());
    return static_cast<int>(std::lround(std::sqrt(double(nearest[nearest.size() / 2]))));
}

// The 8 x 8 Bayer matrix: every threshold 0..63 once, each as far from its equals as can be.
constexpr std::array<std::array<std::uint8_t, 8>, 8> kBayer{{{0, 32, 8, 40, 2, 34, 10, 42},
                                                             {48, 16, 56, 24, 50, 18, 58, 26},
                                                             {12, 44, 4, 36, 14, 46, 6, 38},
                                                             {60, 28, 52, 20, 62, 30, 54, 22},
                                                             {3, 35, 11, 43, 1, 33, 9, 41},
                                                             {51, 19, 59, 27, 49, 17, 57, 25},
                                                             {15, 47, 7, 39, 13, 45, 5, 37},
                                                             {63, 31, 55, 23, 61, 29, 53, 21}}};

// The entry that holds exactly a colour, if any (the first such): open addressing.
class ExactEntries {
public:
    explicit ExactEntries(const std::vector<Rgb>& palette)
    {
        keys_.fill(kEmpty);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const std::uint32_t key = pack(palette[i].r, palette[i].g, palette[i].b);
            std::uint32_t slot = hash(key);
            while (keys_[slot] != kEmpty && keys_[slot] != key)
                slot = (slot + 1) & kMask;
            if (keys_[slot] == kEmpty) {
                keys_[slot] = key;
                entries_[slot] = static_cast<std::uint8_t>(i);
            }
        }
    }

    int find(const std::uint8_t* p) const
    {
        const std::uint32_t key = pack(p[0], p[1], p[2]);
        for (std::uint32_t slot = hash(key);; slot = (slot + 1) & kMask) {
            if (keys_[slot] == key)
                return entries_[slot];
            if (keys_[slot] == kEmpty)
                return -1;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu, kMask = 1023;
    static std::uint32_t pack(int r, int g, int b) { return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16); }
    static std::uint32_t hash(std::uint32_t key) { return (key * 2654435761u) >> 22; }
    std::array<std::uint32_t, 1024> keys_;
    std::array<std::uint8_t, 1024> entries_{};
};

std::uint8_t channel(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

void mapOrdered(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                std::vector<std::uint8_t>& out)
{
    const ExactEntries exact(palette);
    const int amplitude = typicalStep(palette) * kOrderedAmount;  // in 1/256 levels
    // The offset for each threshold, centred on 0 and spanning the amplitude.
    std::array<int, 64> offset{};
    for (int t = 0; t < 64; ++t)
        offset[std::size_t(t)] = ((2 * t + 1 - 64) * amplitude / 128 + (t < 32 ? -128 : 128)) / 256;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* p = image.pixel(0, y);
        std::uint8_t* row = out.data() + static_cast<std::size_t>(y) * image.width;
        const auto& thresholds = kBayer[std::size_t(y & 7)];
        for (int x = 0; x < image.width; ++x, p += 4) {
            if (skipTransparent && p[3] == 0)
                continue;
            if (const int own = exact.find(p); own >= 0) {
                row[x] = static_cast<std::uint8_t>(own);
                continue;
            }
            const int d = offset[thresholds[std::size_t(x & 7)]];
            row[x] = nearest.find(channel(p[0] + d), channel(p[1] + d), channel(p[2] + d));
        }
    }
}

void mapDiffused(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                 std::vector<std::uint8_t>& out)
{
    const ExactEntries exact(palette);
    const int width = image.width;
    const int limit = std::max(1, typicalStep(palette) * kDiffusionLimit / 256);
    // Errors of this row and the next, in 1/4096 levels, with a pixel of margin each side.
    std::vector<int> current(static_cast<std::size_t>(width + 2) * 3, 0), below(current.size(), 0);
    for (int y = 0; y < image.height; ++y) {
        std::fill(below.begin(), below.end(), 0);
        // Serpentine: every other row runs right to left, so errors do not drift one way.
        const int step = (y & 1) ? -1 : 1;
        const std::uint8_t* rowPixels = image.pixel(0, y);
        std::uint8_t* row = out.data() + static_cast<std::size_t>(y) * width;
        for (int k = 0; k < width; ++k) {
            const int x = step > 0 ? k : width - 1 - k;
            const std::uint8_t* p = rowPixels + std::size_t(x) * 4;
            if (skipTransparent && p[3] == 0)
                continue;
            if (const int own = exact.find(p); own >= 0) {
                row[x] = static_cast<std::uint8_t>(own);
                continue;
            }
            const int* e = &current[std::size_t(x + 1) * 3];
            int want[3];
            for (int c = 0; c < 3; ++c) {
                const int carried = (e[c] + (e[c] >= 0 ? 2048 : -2048)) / 4096;
                want[c] = channel(p[c] + std::clamp(carried, -limit, limit));
            }
            const std::uint8_t index = nearest.find(want[0], want[1], want[2]);
            row[x] = index;
            const int got[3] = {palette[index].r, palette[index].g, palette[index].b};
            const std::size_t ahead = std::size_t(x + 1 + step) * 3, here = std::size_t(x + 1) * 3,
                              behind = std::size_t(x + 1 - step) * 3;
            for (int c = 0; c < 3; ++c) {
                const int error = std::clamp(want[c] - got[c], -limit, limit) * kDiffusionStrength;
                current[ahead + std::size_t(c)] += error * 7;
                below[behind + std::size_t(c)] += error * 3;
                below[here + std::size_t(c)] += error * 5;
                below[ahead + std::size_t(c)] += error;
            }
        }
        std::swap(current, below);
    }
}

}  // namespace pictoreel
