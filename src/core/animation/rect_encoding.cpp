#include "core/animation/rect_encoding.h"

#include "core/animation/global_palette.h"
#include "core/animation/palette.h"
#include "core/animation/perceptual.h"

#include <algorithm>

namespace pictoreel::animation {

namespace {

// What each pixel of a rectangle may stray by, and how far that is at most.
struct RectTolerance {
    std::vector<float> perPixel;
    float reach = 0;

    RectTolerance() = default;
    RectTolerance(const std::vector<float>& screen, int screenWidth, const Rect& rect)
    {
        perPixel.reserve(static_cast<std::size_t>(rect.width()) * rect.height());
        for (int y = rect.top; y < rect.bottom; ++y) {
            const float* row = screen.data() + static_cast<std::size_t>(y) * screenWidth;
            perPixel.insert(perPixel.end(), row + rect.left, row + rect.right);
        }
        for (float t : perPixel)
            reach = std::max(reach, t);
    }

    // Swaps indices for nearby colours of `palette` where that lets LZW strings go on.
    void loosen(std::vector<std::uint8_t>& indices, const IndexNeighbours& neighbours, const std::vector<Rgb>& palette) const
    {
        loosenGifIndices(indices.data(), indices.size(), minCodeSizeFor(static_cast<int>(palette.size())), neighbours,
                         perPixel.data());
    }
};

}  // namespace

std::optional<Candidate> encodeRect(const Picture& shown, const Picture& target, const Rect& rect,
                                    const GlobalPalette* global, std::size_t limitBytes,
                                    const std::vector<float>* tolerance)
{
    const std::size_t area = static_cast<std::size_t>(rect.width()) * rect.height();
    const RectTolerance lossy = tolerance ? RectTolerance(*tolerance, target.width, rect) : RectTolerance();
    const bool loosens = lossy.reach > 0;

    PaletteBuilder changedColours;
    PaletteBuilder allColours;
    bool changedFits = true;
    bool allFit = true;
    bool anyUnchanged = false;
    bool anyTransparent = false;
    for (int y = rect.top; y < rect.bottom; ++y) {
        const Pixel* s = shown.row(y);
        const Pixel* t = target.row(y);
        for (int x = rect.left; x < rect.right; ++x) {
            const Pixel p = t[x];
            if (p == kTransparent)
                anyTransparent = true;
            else if (allFit)
                allFit = allColours.add(p, 256);
            if (p == s[x])
                anyUnchanged = true;
            else if (changedFits)
                changedFits = changedColours.add(p, 256);
        }
    }
    // Changed pixels are always opaque: the screen is transparent wherever the target is.
    changedFits = changedFits && changedColours.size() + (anyUnchanged ? 1 : 0) <= 256;
    allFit = allFit && allColours.size() + (anyTransparent ? 1 : 0) <= 256;

    std::optional<Candidate> best;
    auto limit = [&] { return best ? best->estimatedBytes : limitBytes; };
    auto consider = [&](Candidate c) {
        std::optional<Candidate> remapped = global ? global->remap(c, std::min(limit(), c.estimatedBytes)) : std::nullopt;
        if (!best || c.estimatedBytes < best->estimatedBytes)
            best = std::move(c);
        if (remapped && remapped->estimatedBytes < best->estimatedBytes)
            best = std::move(remapped);
    };
    // When loosening, the ways are ranked as they are and only the smallest is loosened: it
    // nearly always stays the smallest, and loosening costs more than counting.
    std::optional<Candidate> smallestWay;
    auto offer = [&](Candidate c) {
        if (!loosens)
            consider(std::move(c));
        else if (!smallestWay || c.estimatedBytes < smallestWay->estimatedBytes)
            smallestWay = std::move(c);
    };
    auto wayLimit = [&] { return smallestWay ? smallestWay->estimatedBytes : limit(); };

    if (changedFits) {
        const int transparentIndex = anyUnchanged ? static_cast<int>(changedColours.size()) : -1;
        std::vector<Rgb> palette = changedColours.palette();
        if (anyUnchanged)
            palette.push_back(Rgb{});
        const auto transparent = static_cast<std::uint8_t>(std::max(transparentIndex, 0));

        std::vector<std::uint8_t> leftTransparent(area);
        std::vector<std::uint8_t> runKept(anyUnchanged ? area : 0);
        std::size_t i = 0;
        std::uint8_t previous = transparent;
        for (int y = rect.top; y < rect.bottom; ++y) {
            const Pixel* s = shown.row(y);
            const Pixel* t = target.row(y);
            for (int x = rect.left; x < rect.right; ++x, ++i) {
                if (t[x] != s[x]) {
                    leftTransparent[i] = changedColours.indexOf(t[x]);
                    if (anyUnchanged)
                        runKept[i] = leftTransparent[i];
                } else {
                    leftTransparent[i] = transparent;
                    if (anyUnchanged) {
                        runKept[i] = transparent;
                        if (t[x] != kTransparent && previous != transparent && changedColours.find(t[x]) == previous)
                            runKept[i] = previous;
                    }
                }
                if (anyUnchanged)
                    previous = runKept[i];
            }
        }
        if (anyUnchanged)
            offer(makeCandidate(std::move(runKept), palette, transparentIndex, rect, wayLimit()));
        offer(makeCandidate(std::move(leftTransparent), std::move(palette), transparentIndex, rect, wayLimit()));
    }

    if (allFit && (anyUnchanged || !changedFits)) {
        const int transparentIndex = anyTransparent ? static_cast<int>(allColours.size()) : -1;
        std::vector<Rgb> palette = allColours.palette();
        if (anyTransparent)
            palette.push_back(Rgb{});
        std::vector<std::uint8_t> indices(area);
        std::size_t i = 0;
        for (int y = rect.top; y < rect.bottom; ++y) {
            const Pixel* t = target.row(y);
            for (int x = rect.left; x < rect.right; ++x, ++i)
                indices[i] = t[x] == kTransparent ? static_cast<std::uint8_t>(transparentIndex)
                                                  : allColours.indexOf(t[x]);
        }
        offer(makeCandidate(std::move(indices), std::move(palette), transparentIndex, rect, wayLimit()));
    }
    if (smallestWay) {
        IndexedImage& image = smallestWay->image;
        lossy.loosen(image.indices, paletteNeighbours(image.palette, image.transparentIndex, lossy.reach), image.palette);
        consider(makeCandidate(std::move(image.indices), std::move(image.palette), image.transparentIndex, rect, limit()));
    }
    return best;
}

}  // namespace pictoreel::animation
