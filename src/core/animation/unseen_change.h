// Which pixels of a frame change in a way a viewer would not see, so that they may keep what the
// screen already shows (and be stored as transparent runs) instead of being drawn again.
//
// Frames whose colours were reduced one at a time are dithered differently from frame to frame:
// a still background changes nearly every pixel, though the eye sees the same picture. Error
// diffusion keeps the local mean of its picture (its error is pushed to high frequencies), so
// the picture a viewer sees is the frame seen through a small low-pass filter, as the eye's
// contrast sensitivity falls off at fine detail. A pixel is unseen when the low-passed frame and
// the low-passed screen differ there by less than a just-noticeable difference in OKLab, raised
// by the texture around it (contrast masking, as in the JND models of video coders and their
// adaptive quantisation): busy texture hides a change, flat areas and smooth gradients do not.
#pragma once

#include "core/animation/perceptual.h"
#include "core/animation/picture.h"
#include "core/imaging/quantizer.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

// A picture in OKLab, one plane a channel.
struct LabPlanes {
    std::vector<float> l, a, b;
    LabPlanes() = default;
    explicit LabPlanes(std::size_t count) : l(count), a(count), b(count) {}
    void set(std::size_t i, const Lab& c) { l[i] = c.l, a[i] = c.a, b[i] = c.b; }
    Lab at(std::size_t i) const { return Lab{l[i], a[i], b[i]}; }
};

// What the test of unseen changes needs of a frame's source picture alone, whatever the screen
// shows: it can be worked out ahead, while the frame before is planned.
struct SeenSource {
    int width = 0, height = 0;
    LabPlanes pixels;  // each pixel of the (opaque) picture
    LabPlanes seen;    // through the low-pass a viewer sees it with
    bool fewColours = false;  // see hasFewColours
};
SeenSource seenSource(const RgbaImage& source, LabCache& lab);

// What the screen shows in OKLab, looked up again only where it changed since it was last asked
// for (a screen mostly still keeps most of its pixels from frame to frame). Transparent: Lab{}.
class ScreenLab {
public:
    const LabPlanes& of(const Picture& shown, LabCache& lab);

private:
    std::vector<Pixel> pixels_;  // what the planes are of
    LabPlanes lab_;
};

// `threshold` in OKLab units (0.02 is about one just-noticeable difference); <= 0 keeps nothing.
// Returns the frame `source` (an opaque picture, `seen` made from it) is reduced to: its unseen
// changes keep what `shown` shows, and the others are reduced again on their own (`reduction`,
// one entry left for the kept pixels), so a frame's palette goes to what changes, as with video's
// moving parts coded apart from a still background. Nullopt when too little is unseen to be
// worth it.
std::optional<Picture> redrawnChanges(const RgbaImage& source, const SeenSource& seen, const Picture& shown,
                                      float threshold, const ColourReduction& reduction, ScreenLab& screen,
                                      LabCache& lab);

}  // namespace pictoreel::animation
