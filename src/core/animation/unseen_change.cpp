#include "core/animation/unseen_change.h"

#include <algorithm>

namespace pictoreel::animation {

namespace {

// Contrast masking: the threshold grows by this much of the local lightness step, up to this many
// times itself (texture hides a change, but not without bound: a face in a crowd still moves).
constexpr float kMaskingGain = 1.0f;
constexpr float kMostRaise = 3.0f;

// One channel of a picture in OKLab.
using Plane = std::vector<float>;

// The picture seen through the binomial 1-2-1 filter across and down (edges repeated): the
// smallest low-pass that removes a diffusion dither's pixel-to-pixel noise.
void lowPass(Plane& plane, int w, int h, Plane& scratch)
{
    scratch.resize(plane.size());
    for (int y = 0; y < h; ++y) {
        const float* in = plane.data() + std::size_t(y) * w;
        float* out = scratch.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = 0.25f * (in[std::max(x - 1, 0)] + 2 * in[x] + in[std::min(x + 1, w - 1)]);
    }
    for (int y = 0; y < h; ++y) {
        const float* above = scratch.data() + std::size_t(std::max(y - 1, 0)) * w;
        const float* here = scratch.data() + std::size_t(y) * w;
        const float* below = scratch.data() + std::size_t(std::min(y + 1, h - 1)) * w;
        float* out = plane.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = 0.25f * (above[x] + 2 * here[x] + below[x]);
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
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx)
            n[dy][dx] = at(dx - 1, dy - 1);
    float across = 0, down = 0;
    for (int k = 0; k < 3; ++k) {
        across += std::abs(n[k][0] - n[k][1]) + std::abs(n[k][1] - n[k][2]);
        down += std::abs(n[0][k] - n[1][k]) + std::abs(n[1][k] - n[2][k]);
    }
    const float falling = std::abs(n[0][0] - n[1][1]) + std::abs(n[1][1] - n[2][2]);
    const float rising = std::abs(n[0][2] - n[1][1]) + std::abs(n[1][1] - n[2][0]);
    return std::min({across / 6, down / 6, falling / 2, rising / 2});
}

}  // namespace

std::optional<Picture> keptUnseenChanges(const Picture& target, const Picture& shown, float threshold, LabCache& lab)
{
    const int w = target.width, h = target.height;
    const std::size_t count = target.pixels.size();
    if (threshold <= 0 || shown.width != w || shown.height != h || count == 0)
        return std::nullopt;
    Plane tl(count), ta(count), tb(count), sl(count), sa(count), sb(count);
    std::vector<std::uint8_t> opaque(count);
    bool differs = false;
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel t = target.pixels[i], s = shown.pixels[i];
        opaque[i] = t != kTransparent && s != kTransparent;
        differs = differs || (t != s && opaque[i]);
        const Lab lt = t == kTransparent ? Lab{} : lab(t);
        const Lab ls = s == t ? lt : s == kTransparent ? Lab{} : lab(s);
        tl[i] = lt.l, ta[i] = lt.a, tb[i] = lt.b;
        sl[i] = ls.l, sa[i] = ls.a, sb[i] = ls.b;
    }
    if (!differs)
        return std::nullopt;
    Plane scratch;
    for (Plane* plane : {&tl, &ta, &tb, &sl, &sa, &sb})
        lowPass(*plane, w, h, scratch);

    const auto opaqueAround = [&](int x, int y) {
        for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, h - 1); ++yy)
            for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, w - 1); ++xx)
                if (!opaque[std::size_t(yy) * w + xx])
                    return false;
        return true;
    };
    Picture kept = target;
    kept.stored.reset();
    kept.indices.reset();
    std::size_t taken = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            if (target.pixels[i] == shown.pixels[i] || !opaqueAround(x, y))
                continue;
            const float allowed = std::min(threshold + kMaskingGain * activityAt(tl, w, h, x, y), kMostRaise * threshold);
            if (labDistance(Lab{tl[i], ta[i], tb[i]}, Lab{sl[i], sa[i], sb[i]}) <= allowed) {
                kept.pixels[i] = shown.pixels[i];
                ++taken;
            }
        }
    }
    if (taken == 0)
        return std::nullopt;
    return kept;
}

}  // namespace pictoreel::animation
