// One Quality number, 1..100, for the knobs that trade a GIF's bytes for its look: the encoder's
// lossiness, the frames' colours and their dithering. Each quality names one point on the curve
// of best looks for their bytes, measured on photos, a camera pan, gradients and dark footage
// (bench/make_bench --curve): the points where a step in bytes costs the least in look. 100 is
// the make without a quality, exactly.
#pragma once

#include "core/project/frame_style.h"

#include <QString>

#include <optional>

namespace pictoreel {

inline constexpr int kLeastQuality = 1;
inline constexpr int kBestQuality = 100;

// What one quality sets.
struct QualityPoint {
    int lossy = 0;
    int colors = 256;
    DitherMode dither = DitherMode::Diffusion;
    // How far a pixel of a reduced frame may change unseen and keep what the screen shows, in
    // thousandths of OKLab distance (see AnimationSettings); 0 draws every change.
    int temporalThreshold = 0;
    bool operator==(const QualityPoint&) const = default;
};

// The point of `quality`, held to 1..100; between the measured anchors lossiness moves in a
// straight line and colours by their logarithm.
QualityPoint qualityPoint(int quality);

// A project's "Quality" text as a quality: a whole number of 1..100, spaces around allowed.
std::optional<int> qualityFromText(const QString& text);

}  // namespace pictoreel
