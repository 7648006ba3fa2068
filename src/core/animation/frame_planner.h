// Works out the stored image for one frame after another and keeps track of what a viewer shows.
#pragma once

#include "core/base/error.h"
#include "core/animation/candidate.h"
#include "core/animation/held_beside.h"
#include "core/animation/perceptual.h"
#include "core/animation/picture.h"
#include "core/animation/seen_ahead.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/quantizer.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

class GlobalPalette;

class FramePlanner {
public:
    // `lossy` 0..100: how far pixels may stray from the frame's where the eye hardly sees it (see
    // AnimationSettings); never farther from the frame's own pixel than its tolerance, whatever the
    // frames before showed. `keepWithinPaletteCells`: see keptWithinPaletteCells().
    // `firstNamesTransparency`: the first frame names a transparent index (see AnimationSettings::
    // mayShowTransparency) when its table holds one unused, or, when all 256 entries hold reduced
    // colours, that of the rarest; the screen then shows what the frame draws.
    // `temporalThreshold`: see AnimationSettings.
    FramePlanner(int width, int height, const GlobalPalette* global, int lossy = 0, bool keepWithinPaletteCells = false,
                 bool firstNamesTransparency = false, int temporalThreshold = 0, ColourReduction reduction = {})
        : shown_(width, height), global_(global), lossy_(lossy), keepCells_(keepWithinPaletteCells),
          firstNamesTransparency_(firstNamesTransparency), unseenThreshold_(float(temporalThreshold) / 1000.0f),
          reduction_(reduction)
    {
        if (lossy > 0)
            drawnFrom_.assign(shown_.pixels.size(), kTransparent);
    }

    // The image block that makes the screen show `target`. `next` is the picture of the following
    // frame (nullptr for the last one): where it is transparent and `target` is not, this frame is
    // disposed "restore to background" over a rectangle covering those pixels.
    Result<GifFrameDescription> plan(Picture& target, Picture* next, bool firstFrame, int position);

private:
    Result<GifFrameDescription> planImage(Picture& target, Picture* next, bool firstFrame, int position);
    // The screen's pixels, when a picture copied whole left them undecoded.
    Status decodeShown();
    // `target` copied as its file stores it over the whole screen, which then shows it.
    GifFrameDescription copyWhole(Picture& target);
    // The best way of storing `target` as the frame after what the screen shows, in `rect` or the
    // whole screen; nullopt when no way fits a palette. `rect` becomes the rectangle stored.
    // Ways estimated above `limitBytes` are not counted to their end (the best then estimates
    // above it too).
    std::optional<Candidate> bestCandidate(const Picture& target, Rect& rect, bool firstFrame, std::size_t keptInRuns,
                                           const std::vector<float>* tolerance, std::size_t limitBytes = kNoLimit) const;
    // `target` where it stays close to what the screen shows, and where the colour a pixel was
    // drawn for has changed little since (noise, a slow fade; not texture moving past): those
    // pixels keep the screen's colour and may stray no farther (their tolerance becomes 0). The
    // others may stray by a share of their tolerance. Without `keep`, no pixel is kept.
    // What each pixel of `target` may stray by (toleranceMap), worked out only where a pixel may
    // be drawn: within the box of what changes from the screen and of `needsClearing` (the whole
    // screen for the first frame), and at the top left pixel; 0 elsewhere.
    std::vector<float> toleranceWhereDrawn(const Picture& target, bool firstFrame, const Rect& needsClearing);
    Picture keptClose(const Picture& target, std::vector<float>& tolerance, bool keep);
    // For frames whose colours were reduced one at a time: `target` where each pixel at which the
    // screen shows a colour that the target's own colours would store as the pixel's (the nearest
    // of them, and no farther from it than half the way to the next one, nor than a few steps)
    // takes the screen's colour, when most of the target is so (graphics that change in places,
    // not one photo after another). Palettes chosen a little differently from frame to frame
    // would otherwise redraw every pixel that did not change. Nullopt when no pixel is taken.
    std::optional<Picture> keptWithinPaletteCells(const Picture& target) const;
    // Draws the stored image of `frame` on shown_ as a viewer does; `close` is what it was made for.
    void paint(const GifFrameDescription& frame, const Rect& rect, const Picture& target, const Picture& close);

    Picture shown_;
    // Set: what the screen shows is this picture, not yet decoded into shown_.
    std::optional<Picture> shownPending_;
    // Every colour the screen can show, sorted, when known cheaply; the empty screen is transparent.
    std::optional<std::vector<Pixel>> shownColours_ = std::vector<Pixel>{kTransparent};
    const GlobalPalette* global_;
    int lossy_ = 0;
    bool keepCells_ = false;
    bool firstNamesTransparency_ = false;
    float unseenThreshold_ = 0;  // OKLab
    ColourReduction reduction_;
    LabCache lab_;
    SeenAhead ahead_;
    HeldBeside held_;
    ScreenLab screenLab_;  // for the unseen changes
    // With lossy_: the frame's colour each pixel of shown_ was last drawn for.
    std::vector<Pixel> drawnFrom_;
};

}  // namespace pictoreel::animation
