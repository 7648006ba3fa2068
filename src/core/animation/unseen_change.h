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

namespace pictoreel::animation {

// `threshold` in OKLab units (0.02 is about one just-noticeable difference); <= 0 keeps nothing.
// Returns the frame `source` (an opaque picture) is reduced to: its unseen changes keep what
// `shown` shows, and the others are reduced again on their own (`reduction`, one entry left for
// the kept pixels), so a frame's palette goes to what changes, as with video's moving parts coded
// apart from a still background. Nullopt when too little is unseen to be worth it.
std::optional<Picture> redrawnChanges(const RgbaImage& source, const Picture& shown, float threshold,
                                      const ColourReduction& reduction, LabCache& lab);

}  // namespace pictoreel::animation
