#include "core/imaging/quantizer.h"

#include "core/imaging/photo_palette.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <new>
#include <tuple>
#include <unordered_map>

namespace pictoreel {

namespace {

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
// shades) are reduced without the photo palette and without dithering, so that a colour comes
// out the same in two pictures that share it even when the rest of them differs: the
// inter-frame optimiser then finds the areas they share unchanged. Dithering noise, or a
// palette chosen for how often each shade occurs, would differ from picture to picture.
//   - Colours covering at least kFrequentPixels pixels (the flat areas) are kept exactly.
//   - The rarer shades, in order of their value, are kept themselves unless a kept colour lies
//     within a distance; the distance is the smallest of a fixed ladder that leaves few enough
//     colours. Shades are taken by value, not by count, and the ladder is the same for every
//     picture, so what a shade becomes depends mostly on the colours near it.
//   - Every colour then takes its nearest kept colour.
constexpr std::size_t kFewColoursLimit = 4096;
constexpr std::uint64_t kFrequentPixels = 32;
// Squared distances tried in turn.
constexpr std::array<std::int32_t, 16> kJoinDistances{2, 4, 8, 12, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768};
// Used only when its mean squared error per channel is at most this (about 54 dB PSNR);
// otherwise the photo palette does better.
constexpr double kFewColoursMaxMse = 0.25;

struct Shade {
    std::int32_t r = 0, g = 0, b = 0;
    std::uint64_t count = 0;
    std::uint32_t colour = 0;  // as packRgb packs it
};

std::int32_t squaredDistance(const Shade& a, const Shade& b)
{
    const std::int32_t dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// The kept colours for one joining distance: `frequent` and the shades of `rare` (in order)
// with no kept colour within `distance`; empty when they would be more than `limit`.
std::vector<Shade> keptShades(const std::vector<Shade>& frequent, const std::vector<Shade>& rare,
                              std::int32_t distance, int limit)
{
    std::vector<Shade> kept = frequent;
    for (const Shade& s : rare) {
        const bool joins = std::any_of(kept.begin(), kept.end(),
                                       [&](const Shade& k) { return squaredDistance(s, k) <= distance; });
        if (joins)
            continue;
        if (static_cast<int>(kept.size()) == limit)
            return {};
        kept.push_back(s);
    }
    return kept;
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

    std::vector<Shade> shades;
    shades.reserve(histogram.size());
    for (const auto& [colour, uses] : histogram)
        shades.push_back(Shade{static_cast<std::int32_t>(colour & 0xFF), static_cast<std::int32_t>((colour >> 8) & 0xFF),
                               static_cast<std::int32_t>(colour >> 16), uses, colour});
    std::sort(shades.begin(), shades.end(), [](const Shade& a, const Shade& b) {
        return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b);
    });
    // When the flat areas alone have too many colours, only the larger ones count as flat.
    std::uint64_t frequentPixels = kFrequentPixels;
    std::vector<Shade> frequent, rare;
    for (;; frequentPixels *= 2) {
        frequent.clear();
        rare.clear();
        for (const Shade& s : shades)
            (s.count >= frequentPixels ? frequent : rare).push_back(s);
        if (static_cast<int>(frequent.size()) <= limit)
            break;
    }
    std::vector<Shade> kept;
    for (std::int32_t distance : kJoinDistances)
        if (!(kept = keptShades(frequent, rare, distance, limit)).empty())
            break;
    if (kept.empty())
        return std::nullopt;

    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    for (const Shade& k : kept)
        out.palette.push_back(Rgb{static_cast<std::uint8_t>(k.r), static_cast<std::uint8_t>(k.g), static_cast<std::uint8_t>(k.b)});
    // Every colour takes its nearest kept colour (ties: the earlier one); kept colours themselves.
    std::unordered_map<std::uint32_t, std::uint8_t> entryOf;
    entryOf.reserve(shades.size() * 2);
    double squaredError = 0.0;
    for (const Shade& s : shades) {
        std::int32_t best = std::numeric_limits<std::int32_t>::max();
        std::size_t bestEntry = 0;
        for (std::size_t e = 0; e < kept.size() && best > 0; ++e) {
            const std::int32_t d = squaredDistance(s, kept[e]);
            if (d < best) {
                best = d;
                bestEntry = e;
            }
        }
        entryOf.emplace(s.colour, static_cast<std::uint8_t>(bestEntry));
        squaredError += static_cast<double>(best) * static_cast<double>(s.count);
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
// k-means), each pixel mapped to it as options.reduction.dithering says.
IndexedImage quantizePhoto(const RgbaImage& image, const QuantizeOptions& options, int limit)
{
    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    out.palette = choosePhotoPalette(image, limit, options.reserveTransparent);
    const int transparentIndex = static_cast<int>(out.palette.size());
    out.indices = mapToPalette(image, out.palette, options.reduction.dithering, options.reserveTransparent,
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
        const int limit = std::clamp(options.reduction.maxColours, 2, 256) - (options.reserveTransparent ? 1 : 0);
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
