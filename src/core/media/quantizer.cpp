#include "core/media/quantizer.h"

#include <libimagequant.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <new>
#include <unordered_map>

namespace pictoreel {

namespace {

// libimagequant's speed 1 is barely better than 3 at several times the cost.
constexpr int kQuantizerSpeed = 3;

struct AttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
using AttrPtr = std::unique_ptr<liq_attr, AttrDeleter>;
using LiqImagePtr = std::unique_ptr<liq_image, ImageDeleter>;
using LiqResultPtr = std::unique_ptr<liq_result, ResultDeleter>;

std::uint32_t packRgb(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

Error liqError(liq_error code, const char* step)
{
    if (code == LIQ_OUT_OF_MEMORY)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to reduce the colours."));
    return makeError(ErrorCode::LibraryFailure,
                     QStringLiteral("Colour reduction failed (%1, code %2).").arg(QLatin1String(step)).arg(int(code)));
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

int nearestEntry(const std::vector<Rgb>& palette, const std::vector<bool>& usable, const std::uint8_t* p)
{
    int best = -1;
    long bestDistance = std::numeric_limits<long>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (!usable[i])
            continue;
        const long dr = long(palette[i].r) - p[0], dg = long(palette[i].g) - p[1], db = long(palette[i].b) - p[2];
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

Result<IndexedImage> quantizeWithLibimagequant(const RgbaImage& image, const QuantizeOptions& options)
{
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    // libimagequant sees the visible pixels opaque and the transparent ones as alpha 0, so it
    // spends one entry on them and never diffuses their error into their neighbours.
    std::vector<std::uint8_t> rgba(image.pixels);
    bool anyTransparent = false;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* p = &rgba[i * 4];
        if (isTransparent(options, p)) {
            p[0] = p[1] = p[2] = 0;
            anyTransparent = true;
        } else {
            p[3] = 255;
        }
    }

    AttrPtr attr(liq_attr_create());
    if (!attr)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to reduce the colours."));
    const int visibleLimit = options.reserveTransparent ? 255 : 256;
    if (liq_error e = liq_set_max_colors(attr.get(), anyTransparent ? 256 : visibleLimit); e != LIQ_OK)
        return liqError(e, "colours");
    if (liq_error e = liq_set_quality(attr.get(), 0, 100); e != LIQ_OK)
        return liqError(e, "quality");
    if (liq_error e = liq_set_speed(attr.get(), kQuantizerSpeed); e != LIQ_OK)
        return liqError(e, "speed");
    LiqImagePtr input(liq_image_create_rgba(attr.get(), rgba.data(), image.width, image.height, 0));
    if (!input)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large to reduce its colours."));
    liq_result* rawResult = nullptr;
    if (liq_error e = liq_image_quantize(input.get(), attr.get(), &rawResult); e != LIQ_OK)
        return liqError(e, "quantize");
    LiqResultPtr result(rawResult);
    if (liq_error e = liq_set_dithering_level(result.get(), options.dither ? 1.0f : 0.0f); e != LIQ_OK)
        return liqError(e, "dithering");

    std::vector<std::uint8_t> mapped(count);
    if (liq_error e = liq_write_remapped_image(result.get(), input.get(), mapped.data(), mapped.size()); e != LIQ_OK)
        return liqError(e, "remap");
    const liq_palette* liqPalette = liq_get_palette(result.get());

    // Keep the opaque entries; the ones libimagequant made for transparency give way to our
    // reserved entry. Should it have used all 256 for visible colours, the least used goes.
    const int entries = static_cast<int>(liqPalette->count);
    std::vector<Rgb> colours(static_cast<std::size_t>(entries));
    std::vector<bool> usable(static_cast<std::size_t>(entries));
    std::vector<std::size_t> uses(static_cast<std::size_t>(entries), 0);
    int visibleEntries = 0;
    for (int i = 0; i < entries; ++i) {
        const liq_color c = liqPalette->entries[i];
        colours[static_cast<std::size_t>(i)] = Rgb{c.r, c.g, c.b};
        usable[static_cast<std::size_t>(i)] = c.a >= 128;
        visibleEntries += c.a >= 128;
    }
    for (std::size_t i = 0; i < count; ++i)
        if (!isTransparent(options, &rgba[i * 4]))
            ++uses[mapped[i]];
    while (visibleEntries > visibleLimit) {
        int least = -1;
        for (int i = 0; i < entries; ++i)
            if (usable[static_cast<std::size_t>(i)] && (least < 0 || uses[static_cast<std::size_t>(i)] < uses[static_cast<std::size_t>(least)]))
                least = i;
        usable[static_cast<std::size_t>(least)] = false;
        --visibleEntries;
    }

    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    out.indices.resize(count);
    std::vector<int> finalIndex(static_cast<std::size_t>(entries), -1);
    for (int i = 0; i < entries; ++i) {
        if (usable[static_cast<std::size_t>(i)]) {
            finalIndex[static_cast<std::size_t>(i)] = static_cast<int>(out.palette.size());
            out.palette.push_back(colours[static_cast<std::size_t>(i)]);
        }
    }
    if (options.reserveTransparent) {
        out.transparentIndex = static_cast<int>(out.palette.size());
        out.palette.push_back(options.transparentColour);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &rgba[i * 4];
        if (isTransparent(options, p)) {
            out.indices[i] = static_cast<std::uint8_t>(out.transparentIndex);
            continue;
        }
        int entry = mapped[i];
        if (!usable[static_cast<std::size_t>(entry)])
            entry = nearestEntry(colours, usable, p);
        out.indices[i] = static_cast<std::uint8_t>(finalIndex[static_cast<std::size_t>(entry)]);
    }
    return out;
}

}  // namespace

Result<IndexedImage> quantizeImage(const RgbaImage& image, const QuantizeOptions& options)
{
    if (image.empty() || image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to reduce to a palette."));
    try {
        if (auto exact = exactPalette(image, options, options.reserveTransparent ? 255 : 256))
            return std::move(*exact);
        return quantizeWithLibimagequant(image, options);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to reduce the colours."));
    }
}

}  // namespace pictoreel
