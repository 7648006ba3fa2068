#include "core/media/quantizer.h"

#include "core/media/photo_palette.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <new>
#include <unordered_map>

namespace pictoreel {

namespace {

// Share of Floyd-Steinberg error diffusion for photos. Measured on the benchmark's photos with
// this palette, every strength from a quarter up cost PSNR, SSIM and bytes against plain
// nearest-colour mapping (the k-means palette is fine enough that banding is rare), so none.
constexpr float kDitheringLevel = 0.0f;

std::uint32_t packRgb(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

bool isTransparent(const QuantizeOptions& options, const std::uint8_t* p)
{
    return options.reserveTransparent && p[3] == 0;
}

// The exact path: when the visible colours fit, each gets its own entry, in order of first use.
std::optional<IndexedImage> exactPalette(const RgbaImage& image, const QuantizeOptions& options, int limit)
{
    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    out.indices.resize(count);
    std::unordered_map<std::uint32_t, std::uint8_t> lookup;
    lookup.reserve(512);
    std::vector<std::size_t> transparentPixels;
    std::uint32_t lastColour = std::numeric_limits<std::uint32_t>::max();
    std::uint8_t lastIndex = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &image.pixels[i * 4];
        if (isTransparent(options, p)) {
            transparentPixels.push_back(i);
            continue;
        }
        const std::uint32_t colour = packRgb(p);
        if (colour != lastColour) {
            auto [it, inserted] = lookup.try_emplace(colour, static_cast<std::uint8_t>(lookup.size()));
            if (inserted) {
                if (static_cast<int>(lookup.size()) > limit)
                    return std::nullopt;
                out.palette.push_back(Rgb{p[0], p[1], p[2]});
            }
            lastColour = colour;
            lastIndex = it->second;
        }
        out.indices[i] = lastIndex;
    }
    if (options.reserveTransparent) {
        out.transparentIndex = static_cast<int>(out.palette.size());
        out.palette.push_back(options.transparentColour);
        for (std::size_t i : transparentPixels)
            out.indices[i] = static_cast<std::uint8_t>(out.transparentIndex);
    }
    if (out.palette.empty())  // cannot happen for a non-empty picture, but keep GIFs valid
        out.palette.push_back(Rgb{});
    return out;
}

// Pictures of few colours (flat graphics whose edges are smoothed by a few hundred in-between
// shades) are reduced without the photo palette and without dithering, in a way that depends only
// on the picture's colours and how often each occurs, never on where the pixels are: the
// colours are merged greedily, cheapest first, where merging moves the rarer of the two
// groups onto the colour of the more frequent one. Every remaining group keeps the exact colour
// of its most frequent member, so the large flat areas keep their exact colours, and an area
// that is the same in two pictures comes out the same in both even when the rest differs.
// Dithering noise would change from picture to picture and defeat the inter-frame optimiser.
constexpr std::size_t kFewColoursLimit = 4096;
// Used only when its mean squared error per channel is at most this (about 54 dB PSNR);
// otherwise the photo palette does better.
constexpr double kFewColoursMaxMse = 0.25;

struct ColourGroup {
    std::int32_t r = 0, g = 0, b = 0;
    std::uint64_t count = 0;
    std::uint32_t colour = 0;
    bool alive = true;
    int nearest = -1;
    std::uint64_t nearestCost = std::numeric_limits<std::uint64_t>::max();
};

std::uint64_t squaredDistance(const ColourGroup& a, const ColourGroup& b)
{
    const std::int64_t dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return static_cast<std::uint64_t>(dr * dr + dg * dg + db * db);
}

std::uint64_t mergeCost(const ColourGroup& a, const ColourGroup& b)
{
    return std::min(a.count, b.count) * squaredDistance(a, b);
}

void findNearestGroup(std::vector<ColourGroup>& groups, int i)
{
    ColourGroup& g = groups[static_cast<std::size_t>(i)];
    g.nearest = -1;
    g.nearestCost = std::numeric_limits<std::uint64_t>::max();
    for (int j = 0; j < static_cast<int>(groups.size()); ++j) {
        if (j == i || !groups[static_cast<std::size_t>(j)].alive)
            continue;
        const std::uint64_t cost = mergeCost(g, groups[static_cast<std::size_t>(j)]);
        if (cost < g.nearestCost) {  // ties keep the lower index: colour order, not pixel order
            g.nearestCost = cost;
            g.nearest = j;
        }
    }
}

std::optional<IndexedImage> fewColoursPalette(const RgbaImage& image, const QuantizeOptions& options, int limit)
{
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::unordered_map<std::uint32_t, std::uint64_t> histogram;
    histogram.reserve(kFewColoursLimit * 2);
    std::uint32_t lastColour = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t* lastCount = nullptr;
    std::uint64_t visiblePixels = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &image.pixels[i * 4];
        if (isTransparent(options, p))
            continue;
        ++visiblePixels;
        const std::uint32_t colour = packRgb(p);
        if (colour != lastColour) {
            lastCount = &histogram[colour];
            if (histogram.size() > kFewColoursLimit)
                return std::nullopt;
            lastColour = colour;
        }
        ++*lastCount;
    }
    if (visiblePixels == 0 || histogram.size() <= static_cast<std::size_t>(limit))
        return std::nullopt;

    // Most frequent first; equally frequent colours by value.
    std::vector<ColourGroup> groups;
    groups.reserve(histogram.size());
    for (const auto& [colour, uses] : histogram) {
        ColourGroup g;
        g.r = static_cast<std::int32_t>(colour & 0xFF);
        g.g = static_cast<std::int32_t>((colour >> 8) & 0xFF);
        g.b = static_cast<std::int32_t>(colour >> 16);
        g.count = uses;
        g.colour = colour;
        groups.push_back(g);
    }
    std::sort(groups.begin(), groups.end(), [](const ColourGroup& a, const ColourGroup& b) {
        return a.count != b.count ? a.count > b.count : a.colour < b.colour;
    });
    const int total = static_cast<int>(groups.size());
    for (int i = 0; i < total; ++i)
        findNearestGroup(groups, i);
    for (int alive = total; alive > limit; --alive) {
        int cheapest = -1;
        for (int i = 0; i < total; ++i) {
            const ColourGroup& g = groups[static_cast<std::size_t>(i)];
            if (g.alive && (cheapest < 0 || g.nearestCost < groups[static_cast<std::size_t>(cheapest)].nearestCost))
                cheapest = i;
        }
        int keep = cheapest, gone = groups[static_cast<std::size_t>(cheapest)].nearest;
        // The more frequent group keeps its colour; between equals, the earlier one.
        const ColourGroup& a = groups[static_cast<std::size_t>(keep)];
        const ColourGroup& b = groups[static_cast<std::size_t>(gone)];
        if (b.count > a.count || (b.count == a.count && gone < keep))
            std::swap(keep, gone);
        groups[static_cast<std::size_t>(keep)].count += groups[static_cast<std::size_t>(gone)].count;
        groups[static_cast<std::size_t>(gone)].alive = false;
        // Costs to the grown group can only rise, so only the groups that pointed at one of
        // the two need a new nearest.
        for (int i = 0; i < total; ++i) {
            const ColourGroup& g = groups[static_cast<std::size_t>(i)];
            if (g.alive && (i == keep || g.nearest == keep || g.nearest == gone))
                findNearestGroup(groups, i);
        }
    }

    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    for (const ColourGroup& g : groups)
        if (g.alive)
            out.palette.push_back(Rgb{static_cast<std::uint8_t>(g.r), static_cast<std::uint8_t>(g.g),
                                      static_cast<std::uint8_t>(g.b)});
    // Every colour takes its nearest entry (ties: the earlier entry), which for the kept
    // colours is themselves.
    std::unordered_map<std::uint32_t, std::uint8_t> entryOf;
    entryOf.reserve(histogram.size() * 2);
    double squaredError = 0.0;
    for (const auto& [colour, uses] : histogram) {
        const std::int32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = colour >> 16;
        std::int32_t best = std::numeric_limits<std::int32_t>::max();
        std::size_t bestEntry = 0;
        for (std::size_t e = 0; e < out.palette.size(); ++e) {
            const std::int32_t dr = out.palette[e].r - r, dg = out.palette[e].g - g, db = out.palette[e].b - b;
            const std::int32_t d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                bestEntry = e;
            }
        }
        entryOf.emplace(colour, static_cast<std::uint8_t>(bestEntry));
        squaredError += static_cast<double>(best) * static_cast<double>(uses);
    }
    if (squaredError / (3.0 * static_cast<double>(visiblePixels)) > kFewColoursMaxMse)
        return std::nullopt;

    if (options.reserveTransparent) {
        out.transparentIndex = static_cast<int>(out.palette.size());
        out.palette.push_back(options.transparentColour);
    }
    out.indices.resize(count);
    lastColour = std::numeric_limits<std::uint32_t>::max();
    std::uint8_t lastIndex = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &image.pixels[i * 4];
        if (isTransparent(options, p)) {
            out.indices[i] = static_cast<std::uint8_t>(out.transparentIndex);
            continue;
        }
        const std::uint32_t colour = packRgb(p);
        if (colour != lastColour) {
            lastIndex = entryOf.find(colour)->second;
            lastColour = colour;
        }
        out.indices[i] = lastIndex;
    }
    return out;
}

// Photos and everything else with many colours: our own palette (Wu's cuts refined by
// k-means) and nearest-colour mapping, diffusing kDitheringLevel of the error when asked.
IndexedImage quantizePhoto(const RgbaImage& image, const QuantizeOptions& options, int limit)
{
    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    out.palette = choosePhotoPalette(image, limit, options.reserveTransparent);
    const int transparentIndex = static_cast<int>(out.palette.size());
    out.indices = mapToPalette(image, out.palette, options.dither ? kDitheringLevel : 0.0f, options.reserveTransparent,
                               static_cast<std::uint8_t>(options.reserveTransparent ? transparentIndex : 0));
    if (options.reserveTransparent) {
        out.transparentIndex = transparentIndex;
        out.palette.push_back(options.transparentColour);
    }
    if (out.palette.empty())
        out.palette.push_back(Rgb{});
    return out;
}

}  // namespace

Result<IndexedImage> quantizeImage(const RgbaImage& image, const QuantizeOptions& options)
{
    if (image.empty() || image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to reduce to a palette."));
    try {
        const int limit = options.reserveTransparent ? 255 : 256;
        if (auto exact = exactPalette(image, options, limit))
            return std::move(*exact);
        if (auto few = fewColoursPalette(image, options, limit))
            return std::move(*few);
        return quantizePhoto(image, options, limit);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to reduce the colours."));
    }
}

}  // namespace pictoreel
