// How far the eye lets a pixel's colour stray: colour distance in OKLab, and an allowed error per
// pixel that grows with the texture around it. Busy texture hides error; flat areas, smooth
// gradients and clean edges show it, so they keep their colours.
#pragma once

#include "core/animation/picture.h"
#include "core/gif/lzw_encoder.h"

#include <array>
#include <cmath>
#include <vector>

namespace pictoreel::animation {

struct Lab {
    float l = 0, a = 0, b = 0;
};

Lab toOklab(Rgb c);

// Euclidean distance in OKLab: 1 is black to white; about 0.02 is a just noticeable difference.
inline float labDistance(const Lab& p, const Lab& q)
{
    const float dl = p.l - q.l, da = p.a - q.a, db = p.b - q.b;
    return std::sqrt(dl * dl + da * da + db * db);
}

// OKLab of opaque pixels, remembered: a frame has few colours, each met many times, and a
// reduced frame's source shares most of its many colours with the frames beside it.
class LabCache {
public:
    LabCache() : slots_(std::size_t{1} << kBits) {}
    Lab operator()(Pixel p)
    {
        Slot& slot = slots_[(p * 2654435761u) >> (32 - kBits)];
        if (slot.key != p) {
            slot.key = p;
            slot.value = toOklab(unpackPixel(p));
        }
        return slot.value;
    }

private:
    static constexpr int kBits = 16;
    struct Slot {
        Pixel key = kTransparent;
        Lab value;
    };
    std::vector<Slot> slots_;
};

// How far a pixel's colour may change and the screen still show what it was drawn for, at
// `lossy` (0..100): noise and slow fades, not texture moving past.
float stillTolerance(int lossy);

// The error each pixel of `picture` may have at `lossy` (1..100), row by row over the picture;
// 0 for transparent pixels. A pixel's tolerance depends only on the pixels within
// kToleranceReach of it (rows and columns), so a part of the picture that reaches that far
// beyond some pixels gives them the tolerance the whole picture gives.
std::vector<float> toleranceMap(const Picture& picture, int lossy, LabCache& lab);
inline constexpr int kToleranceReach = 2;

// For each opaque palette entry, the others no farther than `reach`, nearest first. The
// transparent entry (when >= 0) neither has nor is a substitute.
IndexNeighbours paletteNeighbours(const std::vector<Rgb>& palette, int transparentIndex, float reach);

}  // namespace pictoreel::animation
