#include "core/animation/coherent_palette.h"

#include "core/imaging/photo_palette.h"

#include <algorithm>
#include <unordered_set>

namespace pictoreel::animation {

namespace {

struct ShownColour {
    Lab lab;
    Pixel pixel;
};

// The distinct colours `shown` shows, sorted by lightness. Each is told new by a bit of its own
// in a table of every colour (one per thread, all 0 between calls).
std::vector<ShownColour> shownColours(const Picture& shown, LabCache& lab)
{
    thread_local std::vector<std::uint64_t> met(std::size_t{1} << 18);
    std::vector<Pixel> seen;
    Pixel before = kTransparent;  // a screen's pixel often shows the colour of the one before it
    for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
        const Pixel p = shown.pixels[i];
        if (p == before || p == kTransparent)
            continue;
        before = p;
        const std::uint32_t rgb = p & 0xFFFFFFu;
        std::uint64_t& word = met[rgb >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (rgb & 63);
        if ((word & bit) == 0) {
            word |= bit;
            seen.push_back(p);
        }
    }
    std::vector<ShownColour> colours;
    colours.reserve(seen.size());
    for (const Pixel p : seen) {
        met[(p & 0xFFFFFFu) >> 6] = 0;
        colours.push_back({lab(p), p});
    }
    std::sort(colours.begin(), colours.end(), [](const ShownColour& x, const ShownColour& y) {
        return x.lab.l < y.lab.l || (x.lab.l == y.lab.l && x.pixel < y.pixel);
    });
    return colours;
}

constexpr int kBlock = 4;
constexpr std::size_t kWorth = 4;
// Whether at least one 4x4 block in kWorth has the same mean colour on `shown` as in `source`,
// within `threshold`.
bool stillEnough(const RgbaImage& source, const Picture& shown, float threshold, LabCache& lab)
{
    const int w = shown.width, h = shown.height;
    const std::size_t blocks = std::size_t(w / kBlock) * std::size_t(h / kBlock);
    std::size_t looked = 0, still = 0;
    for (int by = 0; by + kBlock <= h; by += kBlock)
        for (int bx = 0; bx + kBlock <= w; bx += kBlock) {
            // Looked at only until the share is reached, or out of reach.
            if (still * kWorth >= blocks || (still + blocks - looked) * kWorth < blocks)
                return still * kWorth >= blocks;
            int s[3] = {0, 0, 0}, t[3] = {0, 0, 0};
            bool opaque = true;
            for (int y = by; y < by + kBlock; ++y)
                for (int x = bx; x < bx + kBlock; ++x) {
                    const std::uint8_t* p = source.pixel(x, y);
                    const Pixel q = shown.at(x, y);
                    opaque = opaque && q != kTransparent;
                    const Rgb c = unpackPixel(q);
                    s[0] += p[0], s[1] += p[1], s[2] += p[2];
                    t[0] += c.r, t[1] += c.g, t[2] += c.b;
                }
            ++looked;
            constexpr int n = kBlock * kBlock;
            const auto mean = [](const int* v) {
                return opaquePixel(Rgb{std::uint8_t((v[0] + n / 2) / n), std::uint8_t((v[1] + n / 2) / n), std::uint8_t((v[2] + n / 2) / n)});
            };
            if (opaque && labDistance(lab(mean(s)), lab(mean(t))) <= threshold)
                ++still;
        }
    return blocks > 0 && still * kWorth >= blocks;
}

}  // namespace

std::vector<Rgb> holdShownColours(std::vector<Rgb> palette, const Picture& shown, float reach, LabCache& lab)
{
    if (reach <= 0 || palette.empty())
        return palette;
    const std::vector<ShownColour> colours = shownColours(shown, lab);
    if (colours.empty())
        return palette;
    std::vector<Rgb> held;
    held.reserve(palette.size());
    std::unordered_set<Pixel> taken;
    for (const Rgb& entry : palette) {
        const Lab e = lab(opaquePixel(entry));
        // Only colours within `reach` in lightness alone can be within it in all.
        auto at = std::lower_bound(colours.begin(), colours.end(), e.l - reach,
                                   [](const ShownColour& c, float l) { return c.lab.l < l; });
        const ShownColour* nearest = nullptr;
        float best = reach;
        for (; at != colours.end() && at->lab.l <= e.l + reach; ++at)
            if (const float d = labDistance(e, at->lab); d <= best) {
                best = d;
                nearest = &*at;
            }
        const Pixel chosen = nearest ? nearest->pixel : opaquePixel(entry);
        if (taken.insert(chosen).second)
            held.push_back(unpackPixel(chosen));
    }
    return held;
}

std::optional<Picture> heldConversion(const RgbaImage& source, const std::vector<Rgb>& palette, const Picture& shown,
                                      float reach, const ColourReduction& reduction, LabCache& lab)
{
    if (!stillEnough(source, shown, reach, lab))
        return std::nullopt;
    const std::vector<Rgb> held = holdShownColours(palette, shown, reach, lab);
    if (held == palette)
        return std::nullopt;
    const std::vector<std::uint8_t> indices = mapPhotoToPalette(source, held, reduction.dithering, false, 0, reduction.tuning);
    Picture picture(shown.width, shown.height);
    for (std::size_t i = 0; i < indices.size(); ++i)
        picture.pixels[i] = opaquePixel(held[indices[i]]);
    return picture;
}

}  // namespace pictoreel::animation
