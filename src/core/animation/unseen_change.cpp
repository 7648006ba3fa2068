#include "core/animation/unseen_change.h"

#include "core/imaging/photo_palette.h"

#include <algorithm>

namespace pictoreel::animation {

namespace {

// Contrast masking: the threshold grows by this much of the local lightness step, up to this many
// times itself (texture hides a change, but not without bound: a face in a crowd still moves).
constexpr float kMaskingGain = 1.0f;
constexpr float kMostRaise = 3.0f;
// Seen from the picture a frame was reduced from, a pixel also keeps the screen's colour only
// while that is within this many thresholds of its own: the dither's pixel-to-pixel error is
// hidden from the eye but not without bound, and a pixel drawn far from its colour is drawn again,
// with a palette spent on the pixels that need it, so a still area gains detail frame by frame.
constexpr float kPixelReach = 0.95f;
// In screen content (a picture of few colours: flat areas, antialiased text and lines) the eye
// reads the detail at the pixel: a text edge's pixel kept a dither step away from its colour
// shows, though the low-pass view hides it. There a kept pixel stays within half a threshold of
// its own colour. Measured on the desktop recording scaled down (make_bench DS), its pictures
// mapped undithered (see photo_palette.h): SSIMULACRA 0.00032 against 0.00086 with the reach of
// photos, for 4 % more bytes (the frames drawn again gain detail).
constexpr float kScreenPixelReach = 0.5f;
// The frame is reduced again when at least one pixel in this many keeps the screen's colour in runs.
constexpr std::size_t kWorthShare = 4;

// One channel of a picture in OKLab.
using Plane = std::vector<float>;

// The picture seen through the binomial 1-2-1 filter across and down (edges repeated): the
// smallest low-pass that removes a diffusion dither's pixel-to-pixel noise.
void lowPass(Plane& plane, int w, int h, Plane& scratch)
{
    scratch.resize(plane.size());
    const auto filtered = [](float left, float here, float right) { return 0.25f * (left + 2 * here + right); };
    for (int y = 0; y < h; ++y) {
        const float* in = plane.data() + std::size_t(y) * w;
        float* out = scratch.data() + std::size_t(y) * w;
        out[0] = filtered(in[0], in[0], in[std::min(1, w - 1)]);
        for (int x = 1; x + 1 < w; ++x)  // the edges apart, so that the compiler vectorises the rest
            out[x] = filtered(in[x - 1], in[x], in[x + 1]);
        if (w > 1)
            out[w - 1] = filtered(in[w - 2], in[w - 1], in[w - 1]);
    }
    for (int y = 0; y < h; ++y) {
        const float* above = scratch.data() + std::size_t(std::max(y - 1, 0)) * w;
        const float* here = scratch.data() + std::size_t(y) * w;
        const float* below = scratch.data() + std::size_t(std::min(y + 1, h - 1)) * w;
        float* out = plane.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = filtered(above[x], here[x], below[x]);
    }
}

// The texture at (x, y) of a low-passed lightness plane: the mean step along the smoothest of
// four directions in its 3x3 neighbourhood, so an edge or a gradient (smooth along itself) masks
// nothing and only texture that changes every way does.
float activityAt(const Plane& l, int w, int h, int x, int y)
{
    const auto at = [&](int dx, int dy) {
        return l[std::size_t(std::clamp(y + dy, 0, h - 1)) * w + std::size_t(std::clamp(x + dx, 0, w - 1))];
    };
    float n[3][3];
    if (x > 0 && y > 0 && x + 1 < w && y + 1 < h) {  // within the picture: no edge to repeat
        const float* above = l.data() + std::size_t(y - 1) * w + std::size_t(x - 1);
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 3; ++dx)
                n[dy][dx] = above[std::size_t(dy) * w + std::size_t(dx)];
    } else {
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 3; ++dx)
                n[dy][dx] = at(dx - 1, dy - 1);
    }
    float across = 0, down = 0;
    for (int k = 0; k < 3; ++k) {
        across += std::abs(n[k][0] - n[k][1]) + std::abs(n[k][1] - n[k][2]);
        down += std::abs(n[0][k] - n[1][k]) + std::abs(n[1][k] - n[2][k]);
    }
    const float falling = std::abs(n[0][0] - n[1][1]) + std::abs(n[1][1] - n[2][2]);
    const float rising = std::abs(n[0][2] - n[1][1]) + std::abs(n[1][1] - n[2][0]);
    return std::min({across / 6, down / 6, falling / 2, rising / 2});
}

// `planes` seen through the low-pass.
void lowPass(LabPlanes& planes, int w, int h)
{
    Plane scratch;
    for (Plane* plane : {&planes.l, &planes.a, &planes.b})
        lowPass(*plane, w, h, scratch);
}

// Whether all of each pixel's 3x3 neighbourhood (within the picture) is opaque on `shown`.
std::vector<std::uint8_t> opaqueAround(const Picture& shown)
{
    const int w = shown.width, h = shown.height;
    std::vector<std::uint8_t> around(shown.pixels.size(), 1);
    if (std::find(shown.pixels.begin(), shown.pixels.end(), kTransparent) == shown.pixels.end())
        return around;
    std::vector<std::uint8_t> across(around.size());  // along the rows first, then down
    for (int y = 0; y < h; ++y) {
        const Pixel* p = shown.row(y);
        std::uint8_t* out = across.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = p[std::max(x - 1, 0)] != kTransparent && p[x] != kTransparent && p[std::min(x + 1, w - 1)] != kTransparent;
    }
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* above = across.data() + std::size_t(std::max(y - 1, 0)) * w;
        const std::uint8_t* here = across.data() + std::size_t(y) * w;
        const std::uint8_t* below = across.data() + std::size_t(std::min(y + 1, h - 1)) * w;
        std::uint8_t* out = around.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = above[x] & here[x] & below[x];
    }
    return around;
}

// How many of the marked pixels of a row lie in runs long enough to be stored as runs kept.
std::size_t inRuns(const std::uint8_t* row, int w)
{
    std::size_t total = 0;
    for (int x = 0; x < w;) {
        int end = x;
        while (end < w && row[end])
            ++end;
        if (end - x >= kKeptRun)
            total += std::size_t(end - x);
        x = std::max(end, x + 1);
    }
    return total;
}

// The same over the whole picture.
std::size_t inRuns(const std::vector<std::uint8_t>& marked, int w, int h)
{
    std::size_t total = 0;
    for (int y = 0; y < h; ++y)
        total += inRuns(marked.data() + std::size_t(y) * w, w);
    return total;
}

// Whether enough pixels are kept in runs for reducing the frame again to pay.
bool worthKeeping(std::size_t keptInRuns, std::size_t count) { return keptInRuns * kWorthShare >= count; }

// Marks the pixels where the picture `seen` was made from changes unseen from what `shown`
// shows, a kept pixel within `pixelReach` thresholds of its own colour. Returns how many; 0
// without looking further when, seen pixel by pixel, too few could be kept in runs to be worth it.
std::size_t markUnseen(const SeenSource& seen, const Picture& shown, float threshold, ScreenLab& screenLab,
                       LabCache& lab, std::vector<std::uint8_t>& unseen, float pixelReach)
{
    const int w = shown.width, h = shown.height;
    const std::size_t count = shown.pixels.size();
    const float most = kMostRaise * threshold;
    const std::vector<std::uint8_t> around = opaqueAround(shown);
    // Seen pixel by pixel, before the low-pass: how far the screen's colour is from the picture's.
    // A pixel farther than the reach of the most raised threshold is never kept: when those
    // leave too few that could be kept in runs, nothing is.
    const LabPlanes& shownLab = screenLab.of(shown, lab);
    std::vector<float> pixelDistance(count);
    unseen.assign(count, 0);
    const float farthest = pixelReach * most;
    for (std::size_t i = 0; i < count; ++i) {
        pixelDistance[i] = labDistance(seen.pixels.at(i), shownLab.at(i));
        unseen[i] = around[i] && pixelDistance[i] <= farthest;
    }
    // From each row on, the candidates in runs: the most that those rows can keep in runs.
    std::vector<std::size_t> possibleFrom(std::size_t(h) + 1, 0);
    for (int y = h - 1; y >= 0; --y)
        possibleFrom[std::size_t(y)] = possibleFrom[std::size_t(y) + 1] + inRuns(unseen.data() + std::size_t(y) * w, w);
    if (!worthKeeping(possibleFrom[0], count))
        return 0;
    LabPlanes screen = shownLab;
    lowPass(screen, w, h);
    std::size_t marked = 0, markedInRuns = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            if (!unseen[i])
                continue;
            unseen[i] = 0;
            const float distance = labDistance(seen.seen.at(i), screen.at(i));
            if (distance > most)
                continue;
            // The texture around raises the threshold: looked at only when the change needs it.
            float allowed = threshold;
            if (distance > allowed || pixelDistance[i] > pixelReach * allowed)
                allowed = std::min(threshold + kMaskingGain * activityAt(seen.seen.l, w, h, x, y), most);
            if (distance <= allowed && pixelDistance[i] <= pixelReach * allowed) {
                unseen[i] = 1;
                ++marked;
            }
        }
        markedInRuns += inRuns(unseen.data() + std::size_t(y) * w, w);
        // Once the rows marked and the candidates below cannot keep enough, nothing is kept.
        if (!worthKeeping(markedInRuns + possibleFrom[std::size_t(y) + 1], count))
            return 0;
    }
    return marked;
}

}  // namespace

const LabPlanes& ScreenLab::of(const Picture& shown, LabCache& lab)
{
    const std::size_t count = shown.pixels.size();
    if (pixels_.size() != count) {
        pixels_.assign(count, kTransparent);
        lab_ = LabPlanes(count);
    }
    // A pixel often has the colour of the one before it: that is not looked up again.
    Pixel before = kTransparent;
    Lab c;
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel s = shown.pixels[i];
        if (s == pixels_[i])
            continue;
        if (s != before)
            c = (before = s) == kTransparent ? Lab{} : lab(s);
        pixels_[i] = s;
        lab_.set(i, c);
    }
    return lab_;
}

SeenSource seenSource(const RgbaImage& source, LabCache& lab)
{
    SeenSource seen;
    seen.width = source.width;
    seen.height = source.height;
    const std::size_t count = std::size_t(source.width) * source.height;
    seen.pixels = LabPlanes(count);
    Pixel before = kTransparent;
    Lab t;
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel p = opaquePixel(Rgb{source.pixels[4 * i], source.pixels[4 * i + 1], source.pixels[4 * i + 2]});
        if (p != before)
            t = lab(before = p);
        seen.pixels.set(i, t);
    }
    seen.seen = seen.pixels;
    lowPass(seen.seen, source.width, source.height);
    seen.fewColours = hasFewColours(source, false);
    return seen;
}

std::optional<Picture> redrawnChanges(const RgbaImage& source, const SeenSource& seen, const Picture& shown,
                                      float threshold, const ColourReduction& reduction, ScreenLab& screen,
                                      LabCache& lab)
{
    const std::size_t count = shown.pixels.size();
    if (threshold <= 0 || source.width != shown.width || source.height != shown.height || count == 0 ||
        seen.width != shown.width || seen.height != shown.height)
        return std::nullopt;
    std::vector<std::uint8_t> unseen;
    const float reach = seen.fewColours ? kScreenPixelReach : kPixelReach;
    if (markUnseen(seen, shown, threshold, screen, lab, unseen, reach) == 0)
        return std::nullopt;
    // Kept pixels pay only in runs, and reducing the frame again only when they are a good part
    // of it (a pan keeps next to nothing: the frame as converted is stored then).
    if (!worthKeeping(inRuns(unseen, shown.width, shown.height), count))
        return std::nullopt;
    RgbaImage changes = source;
    for (std::size_t i = 0; i < count; ++i)
        if (unseen[i])
            changes.pixels[4 * i + 3] = 0;
    // A photo's reduction: the changes of a video frame are photo content (pictures of few
    // colours have theirs exactly, and are not reduced).
    const int colours = std::clamp(reduction.maxColours, 2, 256) - 1;
    bool few = false;
    const std::vector<Rgb> palette = choosePhotoPalette(changes, colours, true, reduction.tuning, &few);
    Picture redrawn(shown.width, shown.height);
    if (palette.empty()) {  // every pixel unseen
        redrawn.pixels = shown.pixels;
        return redrawn;
    }
    const auto kept = static_cast<std::uint8_t>(palette.size());
    const std::vector<std::uint8_t> indices =
        (few ? mapToPalette : mapPhotoToPalette)(changes, palette, reduction.dithering, true, kept, reduction.tuning);
    for (std::size_t i = 0; i < count; ++i)
        redrawn.pixels[i] = indices[i] == kept ? shown.pixels[i] : opaquePixel(palette[indices[i]]);
    return redrawn;
}

}  // namespace pictoreel::animation
