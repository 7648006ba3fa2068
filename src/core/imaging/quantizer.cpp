#include "core/imaging/quantizer.h"

#include "core/imaging/colour_counts.h"
#include "core/imaging/flat_shades.h"
#include "core/imaging/photo_palette.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <new>

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
    ColourCounts<std::uint8_t> lookup(std::size_t(limit) + 1);
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
            bool inserted = false;
            std::uint8_t& index = lookup.at(colour, inserted);
            if (inserted) {
                if (static_cast<int>(lookup.size()) > limit)
                    return std::nullopt;
                index = static_cast<std::uint8_t>(lookup.size() - 1);
                out.palette.push_back(Rgb{p[0], p[1], p[2]});
            }
            lastColour = colour;
            lastIndex = index;
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
    out.coloursExact = true;
    return out;
}

// Pictures of few colours (flat graphics whose edges are smoothed by a few hundred in-between
// shades) are reduced without the photo palette and without dithering, so that a colour comes
// out the same in two pictures that share it even when the rest of them differs: the
// inter-frame optimiser then finds the areas they share unchanged (see flat_shades.h).
constexpr std::size_t kFewColoursLimit = 4096;
// Used only when its mean squared error per channel is at most this (about 54 dB PSNR);
// otherwise the photo palette does better.
constexpr double kFewColoursMaxMse = 0.25;

std::optional<IndexedImage> fewColoursPalette(const RgbaImage& image, const QuantizeOptions& options, int limit)
{
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    ColourCounts<std::uint64_t> histogram(kFewColoursLimit + 1);
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

    std::vector<FlatShade> shades;
    shades.reserve(histogram.size());
    histogram.forEach([&](std::uint32_t colour, std::uint64_t uses) { shades.push_back(FlatShade{colour, uses}); });
    std::sort(shades.begin(), shades.end(), [](const FlatShade& a, const FlatShade& b) { return a.colour < b.colour; });
    const std::vector<std::uint32_t> reduced = reduceFlatShades(shades, limit);
    if (reduced.empty())
        return std::nullopt;

    // The palette holds the colours shades become, in order of value.
    std::vector<std::uint32_t> colours = reduced;
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    for (std::uint32_t c : colours)
        out.palette.push_back(Rgb{static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>((c >> 8) & 0xFF),
                                  static_cast<std::uint8_t>(c >> 16)});
    ColourCounts<std::uint8_t> entryOf(shades.size());
    double squaredError = 0.0;
    for (std::size_t i = 0; i < shades.size(); ++i) {
        const std::size_t entry = std::lower_bound(colours.begin(), colours.end(), reduced[i]) - colours.begin();
        entryOf[shades[i].colour] = static_cast<std::uint8_t>(entry);
        const Rgb& to = out.palette[entry];
        const double dr = int(to.r) - int(shades[i].colour & 0xFF), dg = int(to.g) - int((shades[i].colour >> 8) & 0xFF),
                     db = int(to.b) - int(shades[i].colour >> 16);
        squaredError += (dr * dr + dg * dg + db * db) * static_cast<double>(shades[i].count);
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
            lastIndex = *entryOf.find(colour);
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
    bool few = false;
    out.palette = choosePhotoPalette(image, limit, options.reserveTransparent, options.reduction.tuning, &few);
    const int transparentIndex = static_cast<int>(out.palette.size());
    out.indices = (few ? mapToPalette : mapPhotoToPalette)(image, out.palette, options.reduction.dithering, options.reserveTransparent,
                                                           static_cast<std::uint8_t>(options.reserveTransparent ? transparentIndex : 0),
                                                           options.reduction.tuning);
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
